#pragma once

#include <cstddef>
#include <cstdint>

namespace vtt::tga {

// The 18-byte little-endian header that starts every Targa file, with the
// field names Targa itself uses.
struct Header {
    std::uint8_t idLength = 0;       // bytes of the ID field that follows the header
    std::uint8_t colorMapType = 0;   // 0 no colour map, 1 a colour map follows the ID field
    std::uint8_t imageType = 0;      // see ImageType
    std::uint16_t firstEntryIndex = 0; // palette entry the first map entry fills
    std::uint16_t colorMapLength = 0;  // number of map entries in the file
    std::uint8_t colorMapEntrySize = 0; // bits per map entry
    std::uint16_t xOrigin = 0;       // screen placement, never used
    std::uint16_t yOrigin = 0;
    std::uint16_t imageWidth = 0;
    std::uint16_t imageHeight = 0;
    std::uint8_t pixelDepth = 0;     // bits per stored pixel
    std::uint8_t imageDescriptor = 0; // see Descriptor
};

constexpr std::size_t HeaderSize = 18;

// Where each header field starts.
namespace offset {
constexpr std::size_t IdLength = 0;
constexpr std::size_t ColorMapType = 1;
constexpr std::size_t ImageType = 2;
constexpr std::size_t FirstEntryIndex = 3;
constexpr std::size_t ColorMapLength = 5;
constexpr std::size_t ColorMapEntrySize = 7;
constexpr std::size_t XOrigin = 8;
constexpr std::size_t YOrigin = 10;
constexpr std::size_t ImageWidth = 12;
constexpr std::size_t ImageHeight = 14;
constexpr std::size_t PixelDepth = 16;
constexpr std::size_t ImageDescriptor = 17;
} // namespace offset

enum class ColorMapType : std::uint8_t {
    None = 0,
    Present = 1,
};

enum class ImageType : std::uint8_t {
    NoImage = 0,
    ColorMapped = 1,
    TrueColor = 2,
    Grey = 3,
    RleColorMapped = 9,
    RleTrueColor = 10,
    RleGrey = 11,
};

constexpr bool is(std::uint8_t code, ImageType type) { return code == static_cast<std::uint8_t>(type); }

constexpr bool isRunLength(std::uint8_t code)
{
    return is(code, ImageType::RleColorMapped) || is(code, ImageType::RleTrueColor) || is(code, ImageType::RleGrey);
}

constexpr bool isColorMapped(std::uint8_t code)
{
    return is(code, ImageType::ColorMapped) || is(code, ImageType::RleColorMapped);
}

constexpr bool isGrey(std::uint8_t code) { return is(code, ImageType::Grey) || is(code, ImageType::RleGrey); }

constexpr bool isTrueColor(std::uint8_t code)
{
    return is(code, ImageType::TrueColor) || is(code, ImageType::RleTrueColor);
}

constexpr bool isReadable(std::uint8_t code) { return isColorMapped(code) || isGrey(code) || isTrueColor(code); }

// Bits of the image descriptor (header byte 17).
namespace descriptor {
constexpr std::uint8_t AlphaBitsMask = 0x0F; // attribute (alpha) bits per pixel
constexpr std::uint8_t RightToLeft = 0x10;   // rows stored right to left
constexpr std::uint8_t TopToBottom = 0x20;   // first stored row is the top row
} // namespace descriptor

// A run-length packet starts with one byte: the top bit set means one pixel
// value repeated, clear means that many literal pixels; the low seven bits
// hold the pixel count minus one.
namespace packet {
constexpr std::uint8_t RunFlag = 0x80;
constexpr std::uint8_t CountMask = 0x7F;
constexpr std::size_t MaxPixels = 128;
} // namespace packet

// Bit 15 of a 15- or 16-bit pixel or map entry: the attribute bit.
constexpr std::uint16_t AttributeBit = 0x8000;

constexpr std::size_t bytesPerEntry(std::uint8_t bits) { return (static_cast<std::size_t>(bits) + 7) / 8; }

} // namespace vtt::tga
