#pragma once

#include "document/ImageDocument.h"
#include "document/Result.h"

#include <array>
#include <cstdint>
#include <span>

// Colour modes: reducing an RGBA image to palette indices, and the ways back.
namespace vtt::quantize {

enum class Dither { None, FloydSteinberg };

// Colours a 16-colour (TEX type 15) image may use.
constexpr int SixteenColours = 16;

struct Options {
    int colours = 256; // 2 .. 256; at most SixteenColours for the 16-colour mode
    Dither dither = Dither::None;
    // Whether the palette carries alpha. When not, colours are chosen as if
    // every pixel were opaque and every entry's alpha is 255.
    bool alphaInPalette = true;
};

struct Indexed {
    PixelArray indices; // one entry number a pixel, each below `used`
    std::array<std::uint8_t, PaletteBytes> palette{}; // red, green, blue, alpha; unused entries opaque black
    int used = 0;       // entries the indices refer to
    bool exact = false; // the image had no more colours than allowed and is kept pixel for pixel
};

// Reduces a width x height RGBA image to at most options.colours entries.
// An image that already has no more distinct colours than that (counted
// with alpha, or without it when alpha stays out of the palette) is kept
// exactly, its colours in the order they first appear (reading order);
// otherwise the quantizer picks the palette and maps the pixels, alpha-aware.
// Errors: options out of range (BadValue, subject "colours"), input shorter
// than its size or too large for the quantizer (Inconsistent), no memory
// (OutOfMemory).
[[nodiscard]] Result<Indexed> quantizeRgba(std::span<const std::uint8_t> rgba, int width, int height,
                                           const Options& options);

// Palette indices to RGBA through the palette; `rgba` holds 4 bytes for
// each index.
void expandIndices(std::span<const std::uint8_t> indices, const std::array<std::uint8_t, PaletteBytes>& palette,
                   std::span<std::uint8_t> rgba);

// RGBA to 3 bytes a pixel, alpha dropped; true when some pixel was not
// opaque, so the caller can say that alpha is lost.
bool dropAlpha(std::span<const std::uint8_t> rgba, std::span<std::uint8_t> rgb);

// Whether some pixel of an RGBA image is not opaque.
bool anyNotOpaque(std::span<const std::uint8_t> rgba);

// 3 bytes a pixel to RGBA with opaque alpha.
void addOpaqueAlpha(std::span<const std::uint8_t> rgb, std::span<std::uint8_t> rgba);

} // namespace vtt::quantize
