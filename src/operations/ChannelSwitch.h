#pragma once

#include "document/ImageDocument.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vtt {

// The four bytes of a direct-colour pixel, in their order in PixelBytes.
enum class Channel : std::uint8_t { Red = 0, Green = 1, Blue = 2, Alpha = 3 };

// The caption that names a channel, and back. Names match whole and
// case-sensitively: "red" names nothing.
const char* channelName(Channel channel);
std::optional<Channel> channelNamed(std::string_view name);

// For each destination channel, the channel of the same pixel it takes its
// value from. Starts as the identity.
struct ChannelMapping {
    std::array<Channel, 4> source{Channel::Red, Channel::Green, Channel::Blue, Channel::Alpha};

    Channel& operator[](Channel destination) { return source[static_cast<std::size_t>(destination)]; }
    Channel operator[](Channel destination) const { return source[static_cast<std::size_t>(destination)]; }
    bool isIdentity() const { return *this == ChannelMapping{}; }
    bool operator==(const ChannelMapping&) const = default;
};

// Applies the mapping to every pixel of a 24- or 32-bit document. Every
// destination reads the pixel as it was before any of its bytes changed, so
// two channels can be exchanged. Any other depth is left untouched and the
// result is false.
bool switchChannels(ImageDocument& doc, const ChannelMapping& mapping);

} // namespace vtt
