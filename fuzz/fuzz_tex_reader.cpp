// Any byte string read as a TEX file: the reader must refuse it with a
// reason or produce a consistent document, and never read outside the input.

#include "FuzzMain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzCheck(vtt::checks::readerProblem(vtt::Bytes(data, size), true, false));
    return 0;
}
