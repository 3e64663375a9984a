#include "operations/ChannelSwitch.h"

#include <bit>
#include <cstring>

namespace vtt {

const char* channelName(Channel channel)
{
    switch (channel) {
    case Channel::Red: return "Red";
    case Channel::Green: return "Green";
    case Channel::Blue: return "Blue";
    case Channel::Alpha: return "Alpha";
    }
    return "";
}

std::optional<Channel> channelNamed(std::string_view name)
{
    for (Channel c : {Channel::Red, Channel::Green, Channel::Blue, Channel::Alpha})
        if (name == channelName(c))
            return c;
    return std::nullopt;
}

namespace {

// Shift that brings byte `offset` of a pixel loaded as one 32-bit word down
// to the lowest byte.
constexpr unsigned shiftOf(std::size_t offset)
{
    return std::endian::native == std::endian::little ? unsigned(8 * offset) : unsigned(8 * (3 - offset));
}

} // namespace

bool switchChannels(ImageDocument& doc, const ChannelMapping& mapping)
{
    if (doc.BitDepth != 24 && doc.BitDepth != 32)
        return false;
    if (mapping.isIdentity())
        return true;

    // Each pixel is one word: pull each source byte down, push it up to its
    // destination. Loop-invariant shifts keep the pass vectorisable.
    unsigned from[4], to[4];
    for (std::size_t d = 0; d < 4; ++d) {
        from[d] = shiftOf(static_cast<std::size_t>(mapping.source[d]));
        to[d] = shiftOf(d);
    }
    std::uint8_t* p = doc.PixelBytes.data();
    const std::size_t count = usablePixels(doc);
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        std::uint32_t in;
        std::memcpy(&in, p, 4);
        const std::uint32_t out = (((in >> from[0]) & 0xFFu) << to[0]) | (((in >> from[1]) & 0xFFu) << to[1])
            | (((in >> from[2]) & 0xFFu) << to[2]) | (((in >> from[3]) & 0xFFu) << to[3]);
        std::memcpy(p, &out, 4);
    }
    return true;
}

} // namespace vtt
