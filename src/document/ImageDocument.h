#pragma once

#include "document/PixelArray.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vtt {

// Which format the document was opened from. Saving never changes it, so a
// second save converts again from the same starting point.
enum class DocumentKind { None, Tex, Tga };

inline const char* kindName(DocumentKind kind)
{
    switch (kind) {
    case DocumentKind::Tex: return "TEX";
    case DocumentKind::Tga: return "TGA";
    case DocumentKind::None: break;
    }
    return "";
}

constexpr int PaletteEntries = 256;
constexpr int PaletteBytes = PaletteEntries * 4;

// Bit depth 8 means palette-indexed: pixels live in PixelIndices and their
// colours in Palette. Any other depth means direct colour in PixelBytes.
constexpr std::uint8_t PaletteDepth = 8;

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

    // TEX header fields, carried through a TGA load so that saving as TEX
    // later derives only what it must.
    std::int16_t TexType = 0;
    std::int16_t MipCount = 0;
    std::int16_t TexUnknown = 0;
    std::int32_t TexBits = 0;

    // TGA header fields kept for saving as TGA again. The colour-map pieces
    // follow the historical split of header bytes 3..7, not Targa's fields.
    std::uint8_t TgaIdLength = 0;
    std::uint8_t TgaColorMapType = 0;
    std::uint8_t TgaImageType = 0;
    std::uint8_t TgaMapSpecA = 0;
    std::int16_t TgaMapSpecB = 0;
    std::int16_t TgaMapSpecC = 0;
    std::uint8_t TgaDescriptor = 0;

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

// A fresh document that keeps what a load leaves alone (palette, header
// fields of both formats, depth, file name) but none of the pixel arrays, so
// that a reader can start from it without copying a large image.
inline ImageDocument carriedFieldsOf(const ImageDocument& previous)
{
    ImageDocument doc;
    doc.ImageWidth = previous.ImageWidth;
    doc.ImageHeight = previous.ImageHeight;
    doc.BitDepth = previous.BitDepth;
    doc.Palette = previous.Palette;
    doc.FileName = previous.FileName;
    doc.FileKind = previous.FileKind;
    doc.TexType = previous.TexType;
    doc.MipCount = previous.MipCount;
    doc.TexUnknown = previous.TexUnknown;
    doc.TexBits = previous.TexBits;
    doc.TgaIdLength = previous.TgaIdLength;
    doc.TgaColorMapType = previous.TgaColorMapType;
    doc.TgaImageType = previous.TgaImageType;
    doc.TgaMapSpecA = previous.TgaMapSpecA;
    doc.TgaMapSpecB = previous.TgaMapSpecB;
    doc.TgaMapSpecC = previous.TgaMapSpecC;
    doc.TgaDescriptor = previous.TgaDescriptor;
    return doc;
}

} // namespace vtt
