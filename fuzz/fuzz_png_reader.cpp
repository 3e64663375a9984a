// Any byte string read as a PNG file: the reader must refuse it with a
// reason or produce a consistent document that saves and reads back in every
// format, and never read outside the input. Mutations nearly always break a
// chunk's CRC, so each input is also read with its CRCs made right, which
// lets the fuzzer reach the pixel decoding.

#include "FuzzMain.h"

#include <vector>

namespace {

std::uint32_t crc32(const std::uint8_t* p, std::size_t n)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    while (n--) {
        crc ^= *p++;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::vector<std::uint8_t> withRightCrcs(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> file(data, data + size);
    std::size_t at = 8;
    while (at + 12 <= file.size()) {
        const std::size_t length = (std::size_t(file[at]) << 24) | (file[at + 1] << 16) | (file[at + 2] << 8)
            | file[at + 3];
        if (length > file.size() - at - 12)
            break;
        const std::uint32_t crc = crc32(&file[at + 4], length + 4);
        for (int k = 0; k < 4; ++k)
            file[at + 8 + length + k] = static_cast<std::uint8_t>(crc >> (24 - 8 * k));
        at += 12 + length;
    }
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzCheck(vtt::checks::pngReaderProblem(vtt::Bytes(data, size), true));
    const std::vector<std::uint8_t> fixed = withRightCrcs(data, size);
    fuzzCheck(vtt::checks::pngReaderProblem(vtt::Bytes(fixed.data(), fixed.size()), true));
    return 0;
}
