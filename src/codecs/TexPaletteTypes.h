#pragma once

#include "codecs/WriteResult.h"
#include "document/ImageDocument.h"

#include <array>
#include <cstdint>
#include <span>

// Writing the TEX palette types from plain buffers: 1 and 14 (256 entries
// stored blue, green, red, alpha) and 15 (16 entries stored red, green,
// blue, alpha, every index below 16), each followed by its mip levels of
// entry numbers, reduced as type 1's are.
namespace vtt::tex {

// The whole file for `header` (its Type 1, 14 or 15; its mip count, unknown
// and bits fields as they are) of a width x height image. A type-15 file
// stores the first 16 palette entries and is refused, naming the first
// offending pixel, when an index is 16 or more.
WriteResult encodePaletteTex(std::span<const std::uint8_t> indices, int width, int height,
                             const std::array<std::uint8_t, PaletteBytes>& palette, const TexHeader& header);

} // namespace vtt::tex
