#pragma once

#include <cstdint>

namespace vtt {

// A colour as the tool passes it around: red + 256 * green + 65536 * blue,
// red in the lowest byte and the top byte zero. Alpha is never shown.
constexpr std::int32_t colourValue(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return static_cast<std::int32_t>(red) + 256 * static_cast<std::int32_t>(green)
        + 65536 * static_cast<std::int32_t>(blue);
}

constexpr std::uint8_t redOf(std::int32_t c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t greenOf(std::int32_t c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t blueOf(std::int32_t c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

// The same colour as an opaque 0xAARRGGBB word for the screen.
constexpr std::uint32_t argbOf(std::int32_t c)
{
    return 0xFF000000u | (static_cast<std::uint32_t>(redOf(c)) << 16) | (static_cast<std::uint32_t>(greenOf(c)) << 8)
        | blueOf(c);
}

} // namespace vtt
