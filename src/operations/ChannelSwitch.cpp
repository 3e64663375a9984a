#include "operations/ChannelSwitch.h"

#include "document/PixelKernels.h"

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
    if (doc.BitDepth() != 24 && doc.BitDepth() != 32)
        return false;
    if (mapping.isIdentity())
        return true;

    std::array<std::uint8_t, 4> from{};
    for (std::size_t k = 0; k < 4; ++k)
        from[k] = static_cast<std::uint8_t>(mapping.source[k]);
    // Each pixel is read whole before any of its bytes is written, in place.
    kernels::shuffle(doc.PixelBytes().data(), doc.PixelBytes().data(), doc.area(), kernels::makeShuffle(4, 4, from));
    return true;
}

} // namespace vtt
