#pragma once

#include "document/ImageDocument.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace vtt::mip {

struct LevelSize {
    std::size_t width = 0;
    std::size_t height = 0;
    std::size_t pixels() const { return width * height; }
};

// A TEX file always holds at least the full-size level, whatever the header's
// mip count says.
inline int levelCount(std::int16_t mipCount) { return mipCount > 1 ? mipCount : 1; }

// The level after `level`: each side halved, never below 1. An image without
// pixels has nothing to reduce, so all its further levels are empty too.
inline LevelSize halved(LevelSize level)
{
    if (level.pixels() == 0)
        return {};
    return {level.width > 1 ? level.width / 2 : 1, level.height > 1 ? level.height / 2 : 1};
}

// Level k (0 = full size) of a width x height image: max(1, width >> k) x
// max(1, height >> k).
LevelSize levelSize(std::size_t width, std::size_t height, int level);

// Total pixels of levels 0 .. count-1.
std::size_t chainPixels(std::size_t width, std::size_t height, int count);

// Reduces one level of direct-colour pixels (`channels` bytes each, 3 or 4)
// to the next: every channel is the 2 x 2 box average of its block, rounded
// half up. A side of 1 pixel pairs its pixel with itself. `dst` must hold
// halved(from).pixels() pixels, `src` from.pixels().
void halveDirect(std::span<const std::uint8_t> src, LevelSize from, int channels, std::span<std::uint8_t> dst);

// Reduces one level of palette entry numbers: each block keeps the entry of
// its pixel whose palette colour (red, green, blue and alpha) lies closest to
// the block's average colour, the first such pixel in reading order on a tie.
// The result never holds an entry that its block did not.
void halveIndexed(std::span<const std::uint8_t> src, LevelSize from,
                  const std::array<std::uint8_t, PaletteBytes>& palette, std::span<std::uint8_t> dst);

} // namespace vtt::mip
