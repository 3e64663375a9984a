#pragma once

#include "document/PixelArray.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

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

// Why `width` x `height` cannot be a scaled image's size: a side below 1 or
// above MaxSide. Nothing when it can.
std::optional<std::string> refuseSize(long width, long height);

// The smallest power of two not below `side`, and the largest not above it
// (1 for sides below 2). The next one may pass MaxSide (32768 for a side
// above 16384); refuseSize then says so.
int nextPowerOfTwo(int side);
int previousPowerOfTwo(int side);

// Scales a width x height RGBA image (4 bytes a pixel, red first, rows top
// first) to toWidth x toHeight into `out`, which is resized to fit. Returns
// the problem instead when a size is refused, the input is short, or memory
// cannot hold the work; `out` is then left empty.
std::optional<std::string> scaleRgba(std::span<const std::uint8_t> rgba, int width, int height, int toWidth,
                                     int toHeight, Filter filter, PixelArray& out);

// The same for one byte a pixel (palette indices), by nearest neighbour:
// output pixel x takes source column floor((x + 0.5) * width / toWidth),
// rows alike.
std::optional<std::string> scaleIndices(std::span<const std::uint8_t> indices, int width, int height, int toWidth,
                                        int toHeight, PixelArray& out);

} // namespace vtt::resample
