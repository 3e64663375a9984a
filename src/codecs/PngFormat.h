#pragma once

#include <cstddef>
#include <cstdint>

namespace vtt::png {

constexpr std::uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t SignatureSize = sizeof Signature;

// Every chunk: a 4-byte big-endian data length, a 4-byte type, the data and
// a 4-byte CRC.
constexpr std::size_t ChunkOverhead = 12;
constexpr std::uint32_t MaxChunkLength = 0x7FFFFFFF;

enum class ColourType : std::uint8_t { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

// The image header, IHDR, the first chunk of every file (13 bytes of data).
struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bitDepth = 0; // bits per sample (per index for palette images)
    ColourType colourType = ColourType::Grey;
    std::uint8_t compression = 0;
    std::uint8_t filter = 0;
    std::uint8_t interlace = 0; // 0 none, 1 Adam7
};
constexpr std::size_t HeaderDataSize = 13;

inline int samplesPerPixel(ColourType type)
{
    switch (type) {
    case ColourType::Grey: return 1;
    case ColourType::Rgb: return 3;
    case ColourType::Palette: return 1;
    case ColourType::GreyAlpha: return 2;
    case ColourType::Rgba: return 4;
    }
    return 4;
}

// Deflate turns at most 1032 bytes of data into one byte of stream, so this
// many bytes of compressed data can hold at most that many times as much.
constexpr std::uint64_t MaxInflateRatio = 1032;

} // namespace vtt::png
