#include "operations/ChannelSwitch.h"

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

bool switchChannels(ImageDocument& doc, const ChannelMapping& mapping)
{
    if (doc.BitDepth != 24 && doc.BitDepth != 32)
        return false;
    if (mapping.isIdentity())
        return true;

    // Indices in locals, so the compiler need not reload them after every
    // store into the pixels.
    const std::size_t red = static_cast<std::size_t>(mapping[Channel::Red]);
    const std::size_t green = static_cast<std::size_t>(mapping[Channel::Green]);
    const std::size_t blue = static_cast<std::size_t>(mapping[Channel::Blue]);
    const std::size_t alpha = static_cast<std::size_t>(mapping[Channel::Alpha]);
    std::uint8_t* p = doc.PixelBytes.data();
    const std::size_t count = usablePixels(doc);
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        std::uint8_t before[4];
        std::memcpy(before, p, 4);
        p[0] = before[red];
        p[1] = before[green];
        p[2] = before[blue];
        p[3] = before[alpha];
    }
    return true;
}

} // namespace vtt
