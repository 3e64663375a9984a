#pragma once

#include "document/PixelArray.h"
#include "document/Result.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vtt {

// The image formats the tool reads and writes; codecs/Formats.h holds what
// each one is (names, extensions, reader, writer).
enum class ImageFormat { Tex, Tga, Png };

constexpr int PaletteEntries = 256;
constexpr int PaletteBytes = PaletteEntries * 4;
using PaletteArray = std::array<std::uint8_t, PaletteBytes>;

// Bit depth 8 means palette-indexed: pixels live in PixelIndices and their
// colours in Palette. Depths 24 and 32 mean direct colour in PixelBytes.
constexpr std::uint8_t PaletteDepth = 8;

// The fields of a TEX header besides the size.
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

// What is known of the file behind the pixels: its name, the format it was
// opened from (none before the first open; saving never changes it, so a
// second save converts again from the same starting point) and its header
// fields. Any combination is consistent, so it is a plain value.
struct FileFacts {
    std::string FileName;
    std::optional<ImageFormat> Kind;
    TexHeader Tex;
    TgaHeader Tga;
    PngHeader Png;
};

// The one loaded image. It is made only by its factories and changed only
// through its own members, so it always holds exactly one pixel store of
// exactly width x height pixels for its depth: pixel n (top row first, rows
// left to right) is PixelIndices()[n] or PixelBytes()[4n .. 4n+3] (red,
// green, blue, alpha). Palette entry c is Palette()[4c .. 4c+3] in the same
// order. Every document holds the 256 entries: a direct-colour one does not
// show them, but the palette window edits them and a TEX type 15 opened
// next takes entries 16..255 from them (mergeCarriedPalette).
class ImageDocument {
public:
    static constexpr int LargestSide = 32767;

    // Nothing opened: 0 x 0, depth 0, every palette entry 0.
    ImageDocument() = default;

    // A width x height image of `depth` 8, 24 or 32 bits whose pixels are
    // left for the caller to fill; sides from 0 to LargestSide. Refuses
    // anything else, and memory it cannot have.
    [[nodiscard]] static Result<ImageDocument> create(int width, int height, int depth);
    // The same with the palette's 256 entries, four bytes each.
    [[nodiscard]] static Result<ImageDocument> create(int width, int height, int depth,
                                                      std::span<const std::uint8_t> palette);

    std::int16_t ImageWidth() const { return width_; }
    std::int16_t ImageHeight() const { return height_; }
    std::uint8_t BitDepth() const { return depth_; }
    bool isPaletted() const { return depth_ == PaletteDepth; }
    bool empty() const { return area() == 0; }
    std::size_t area() const { return std::size_t(width_) * std::size_t(height_); }
    // Bytes a pixel takes in the store: 1 for a palette image, else 4.
    int pixelSize() const { return isPaletted() ? 1 : 4; }

    // The store as the depth reads it; the other view is empty.
    std::span<std::uint8_t> PixelBytes() { return isPaletted() ? std::span<std::uint8_t>() : std::span(store_); }
    std::span<const std::uint8_t> PixelBytes() const
    {
        return isPaletted() ? std::span<const std::uint8_t>() : std::span(store_);
    }
    std::span<std::uint8_t> PixelIndices() { return isPaletted() ? std::span(store_) : std::span<std::uint8_t>(); }
    std::span<const std::uint8_t> PixelIndices() const
    {
        return isPaletted() ? std::span(store_) : std::span<const std::uint8_t>();
    }
    // The store whatever the depth: area() * pixelSize() bytes.
    std::span<std::uint8_t> pixels() { return store_; }
    std::span<const std::uint8_t> pixels() const { return store_; }

    PaletteArray& Palette() { return palette_; }
    const PaletteArray& Palette() const { return palette_; }

    // Direct colour may be called 24 or 32 bits (the store is four bytes a
    // pixel either way); a palette image stays 8. Anything else is refused.
    [[nodiscard]] Result<void> setBitDepth(int depth);

    // Takes `turned`, the store turned a quarter: the sides exchange. It
    // must be exactly the size of the store it replaces.
    [[nodiscard]] Result<void> exchangeSides(PixelArray turned);

    FileFacts Facts;

private:
    std::int16_t width_ = 0;
    std::int16_t height_ = 0;
    std::uint8_t depth_ = 0;
    PixelArray store_;
    PaletteArray palette_{};
};

} // namespace vtt
