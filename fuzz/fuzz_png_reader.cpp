// Any byte string read as a PNG file: the reader must refuse it with a
// reason or produce a consistent document that saves and reads back in every
// format, and never read outside the input.

#include "FuzzMain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzCheck(vtt::checks::pngReaderProblem(vtt::Bytes(data, size), true));
    return 0;
}
