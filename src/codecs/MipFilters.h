#pragma once

#include "codecs/MipChain.h"
#include "document/ImageDocument.h"
#include "document/Result.h"

#include <array>
#include <cstdint>
#include <span>

// How the further mip levels of a TEX file are made. Box in stored values
// (halveDirect, halveIndexed) is what files have always held and stays the
// default; linear light is the one worth looking at.
namespace vtt::mip {

enum class MipFilter {
    BoxStored,   // 2 x 2 average of the stored values
    LinearLight, // Mitchell in linear light, colour weighted by alpha, alpha coverage kept
};

// Fraction of the pixels of an RGBA level whose alpha is at least 128, the
// threshold of an alpha test.
double alphaCoverage(std::span<const std::uint8_t> rgba);

// Levels 1 .. levels-1 of the RGBA level 0 `rgba` (full.width x
// full.height), each the size halved() gives, one after the other into
// `out` (4 bytes a pixel), made with the linear-light filter. Each level is
// filtered from the one before it, before that one's alpha was adjusted.
// When level 0 is partly above and partly below the alpha-test threshold,
// each level's alpha is then scaled so that its coverage is the nearest it
// can be to level 0's. Errors: level 0 shorter than its size
// (Inconsistent), no memory (OutOfMemory).
[[nodiscard]] Result<PixelArray> linearLightLevels(std::span<const std::uint8_t> rgba, LevelSize full, int levels);

// The same for palette entry numbers: the colours are filtered as above, and
// each pixel of a level then keeps the entry, among the four of its 2 x 2
// block in the level before, whose colour lies nearest the filtered one (the
// first in reading order on a tie), as the box filter's levels choose theirs.
// One byte a pixel.
[[nodiscard]] Result<PixelArray> linearLightIndexedLevels(std::span<const std::uint8_t> indices, LevelSize full,
                                                          int levels,
                                                          const std::array<std::uint8_t, PaletteBytes>& palette);

} // namespace vtt::mip
