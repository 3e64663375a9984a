#include "codecs/RunLength.h"

namespace vtt::runlength {

std::string decode(ByteReader& in, std::uint8_t* out, std::size_t pixels, const kernels::PixelShuffle& shuffle)
{
    ByteReader rest = in;
    const Bytes data = rest.take(rest.remaining()).value_or(Bytes{});
    std::size_t done = 0;
    const std::size_t used = kernels::active().expandRuns(data.data(), data.size(), out, pixels, shuffle, done);
    [[maybe_unused]] const bool consumed = in.skip(used); // never more than it holds
    if (done == pixels)
        return {};
    const std::string where = used == data.size() ? "ends after " : "ends inside a packet after ";
    return "its run-length data " + where + std::to_string(done) + " of " + std::to_string(pixels) + " pixels";
}

} // namespace vtt::runlength
