#pragma once

#include "document/PixelArray.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vtt {

// Which format the document was opened from. Saving never changes it, so a
// second save converts again from the same starting point.
enum class DocumentKind { None, Tex, Tga, Png };

inline const char* kindName(DocumentKind kind)
{
    switch (kind) {
    case DocumentKind::Tex: return "TEX";
    case DocumentKind::Tga: return "TGA";
    case DocumentKind::Png: return "PNG";
    case DocumentKind::None: break;
    }
    return "";
}

constexpr int PaletteEntries = 256;
constexpr int PaletteBytes = PaletteEntries * 4;

// Bit depth 8 means palette-indexed: pixels live in PixelIndices and their
// colours in Palette. Any other depth means direct colour in PixelBytes.
constexpr std::uint8_t PaletteDepth = 8;

// The fields of a TEX header besides the size. A document opened as TGA
// keeps the ones it had, so that saving as TEX derives only what it must.
struct TexHeader {
    std::int16_t Type = 0;
    std::int16_t MipCount = 0;
    std::int16_t Unknown = 0; // carried through, never interpreted
    std::int32_t Bits = 0;    // carried through, never interpreted
    bool operator==(const TexHeader&) const = default;
};

// The Targa header fields of the file the document was opened from (or of
// the Targa it was last saved as), besides the size and depth.
struct TgaHeader {
    std::uint8_t IdLength = 0;
    std::uint8_t ColorMapType = 0;
    std::uint8_t ImageType = 0;
    std::uint16_t FirstEntryIndex = 0;
    std::uint16_t ColorMapLength = 0;
    std::uint8_t ColorMapEntrySize = 0;
    std::uint8_t Descriptor = 0;
    bool operator==(const TgaHeader&) const = default;
};

// What the header of the PNG file the document was opened from said, for
// `vtt info`; nothing reads it back when saving.
struct PngHeader {
    std::uint8_t ColorType = 0;
    std::uint8_t BitDepth = 0; // bits per sample in the file
    std::uint8_t Interlace = 0;
    bool operator==(const PngHeader&) const = default;
};

// The one loaded image. Arrays are zero-based: pixel n (0-based, top row
// first, rows left to right) is PixelIndices[n] or PixelBytes[4n .. 4n+3]
// (red, green, blue, alpha); palette entry c is Palette[4c .. 4c+3] in the
// same order.
struct ImageDocument {
    std::int16_t ImageWidth = 0;
    std::int16_t ImageHeight = 0;
    std::uint8_t BitDepth = 0;
    std::int32_t PixelCount = 0;

    PixelArray PixelBytes;
    PixelArray PixelIndices;
    std::array<std::uint8_t, PaletteBytes> Palette{};

    std::string FileName;
    DocumentKind FileKind = DocumentKind::None;

    TexHeader Tex;
    TgaHeader Tga;
    PngHeader Png;

    bool isPaletted() const { return BitDepth == PaletteDepth; }
    bool empty() const { return PixelCount == 0; }
};

// Pixels the array selected by BitDepth actually holds; callers that walk
// pixels stop here even if PixelCount claims more.
inline std::size_t usablePixels(const ImageDocument& doc)
{
    const std::size_t claimed = doc.PixelCount > 0 ? static_cast<std::size_t>(doc.PixelCount) : 0;
    const std::size_t held = doc.isPaletted() ? doc.PixelIndices.size() : doc.PixelBytes.size() / 4;
    return claimed < held ? claimed : held;
}

} // namespace vtt

namespace vtt {

// A fresh document for a reader to fill: it keeps what a load leaves alone
// (palette, both headers, depth) but none of the pixel arrays, so that a
// reader can start from it without copying a large image.
inline ImageDocument carriedFieldsOf(const ImageDocument& previous)
{
    ImageDocument doc;
    doc.BitDepth = previous.BitDepth;
    doc.Palette = previous.Palette;
    doc.Tex = previous.Tex;
    doc.Tga = previous.Tga;
    return doc;
}

} // namespace vtt
