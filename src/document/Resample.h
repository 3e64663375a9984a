#pragma once

#include "document/PixelArray.h"
#include "document/Result.h"

#include <cstdint>
#include <span>

// Changing an image's size. Colour images are filtered in linear light with
// each pixel's colour weighted by its alpha, so that dark fringes do not
// creep in from transparent pixels and thin bright detail keeps its weight;
// palette images take the nearest source pixel, so every output index is
// one the source held and the palette stays exact.
namespace vtt::resample {

enum class Filter { Box, Triangle, CatmullRom, Mitchell };

constexpr Filter DefaultFilter = Filter::Mitchell;

// The largest side a TEX file (and so any document) can hold.
constexpr int MaxSide = 32767;

// Whether `width` x `height` can be a scaled image's size: a BadValue error
// (subject "size") for a side below 1 or above MaxSide.
[[nodiscard]] Result<void> checkSize(long width, long height);

// The smallest power of two not below `side`, and the largest not above it
// (1 for sides below 2). The next one may pass MaxSide (32768 for a side
// above 16384); checkSize then says so.
int nextPowerOfTwo(int side);
int previousPowerOfTwo(int side);

// Scales a width x height RGBA image (4 bytes a pixel, red first, rows top
// first) to toWidth x toHeight. Errors: a size refused (BadValue), input
// shorter than its size (Inconsistent), memory that cannot hold the work
// (OutOfMemory).
[[nodiscard]] Result<PixelArray> scaleRgba(std::span<const std::uint8_t> rgba, int width, int height, int toWidth,
                                           int toHeight, Filter filter);

// The same for one byte a pixel (palette indices), by nearest neighbour:
// output pixel x takes source column floor((x + 0.5) * width / toWidth),
// rows alike.
[[nodiscard]] Result<PixelArray> scaleIndices(std::span<const std::uint8_t> indices, int width, int height,
                                              int toWidth, int toHeight);

} // namespace vtt::resample
