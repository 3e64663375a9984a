#include "codecs/RunLength.h"

namespace vtt::runlength {

std::string endsAfter(std::size_t done, std::size_t pixels)
{
    return "its run-length data ends after " + std::to_string(done) + " of " + std::to_string(pixels) + " pixels";
}

std::string endsInsidePacket(std::size_t done, std::size_t pixels)
{
    return "its run-length data ends inside a packet after " + std::to_string(done) + " of "
        + std::to_string(pixels) + " pixels";
}

std::string decode(ByteReader& in, std::uint8_t* out, std::size_t pixels, const kernels::PixelShuffle& shuffle)
{
    ByteReader rest = in;
    const Bytes data = rest.take(rest.remaining());
    std::size_t done = 0;
    const std::size_t used = kernels::active().expandRuns(data.data(), data.size(), out, pixels, shuffle, done);
    in.skip(used);
    if (done == pixels)
        return {};
    return used == data.size() ? endsAfter(done, pixels) : endsInsidePacket(done, pixels);
}

} // namespace vtt::runlength
