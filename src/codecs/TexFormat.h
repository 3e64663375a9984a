#pragma once

#include <cstddef>
#include <cstdint>

namespace vtt::tex {

// The 14-byte little-endian header that starts every TEX file.
struct Header {
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::int16_t type = 0;
    std::int16_t mipCount = 0;
    std::int16_t unknown = 0; // carried through, never interpreted
    std::int32_t bits = 0;    // carried through, never interpreted
};

constexpr std::size_t HeaderSize = 14;

// Where each field starts in the header.
namespace offset {
constexpr std::size_t Width = 0;
constexpr std::size_t Height = 2;
constexpr std::size_t Type = 4;
constexpr std::size_t MipCount = 6;
constexpr std::size_t Unknown = 8;
constexpr std::size_t Bits = 10;
} // namespace offset

// Type codes the game uses. 1 and 14 share one layout; 15 is a 16-entry
// palette stored red first; 16 is known but has no layout we can read.
enum class Type : std::int16_t {
    Palette256 = 1,
    Palette256Alt = 14,
    Palette16 = 15,
    Unreadable16 = 16,
    Rgb = 17,
    Rgba = 18,
};

constexpr bool is(std::int16_t code, Type type) { return code == static_cast<std::int16_t>(type); }

constexpr bool isReadable(std::int16_t code)
{
    return is(code, Type::Palette256) || is(code, Type::Palette256Alt) || is(code, Type::Palette16)
        || is(code, Type::Rgb) || is(code, Type::Rgba);
}

// Bytes of the palette that follows the header, per type.
constexpr std::size_t Palette256Size = 256 * 4; // blue, green, red, alpha
constexpr std::size_t Palette16Size = 16 * 4;   // red, green, blue, alpha

} // namespace vtt::tex
