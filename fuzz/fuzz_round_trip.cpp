// Read -> write -> read: whatever either reader accepts, saving it as TEX
// and as TGA must give files that read back as the same picture.

#include "FuzzMain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const vtt::Bytes input(data, size);
    fuzzCheck(vtt::checks::readerProblem(input, true, true));
    fuzzCheck(vtt::checks::readerProblem(input, false, true));
    return 0;
}
