#pragma once

#include "document/PixelKernels.h"

#include <bit>
#include <cstddef>
#include <cstdint>

// Rearranging the document's RGBA pixels into the byte orders the files
// store, through the vector kernels.
namespace vtt::packing {

// swapRedBlue reads a pixel's bytes as one little-endian word.
static_assert(std::endian::native == std::endian::little, "pixel packing assumes a little-endian processor");

// One RGBA pixel as a little-endian word, red and blue exchanged.
inline std::uint32_t swapRedBlue(std::uint32_t v)
{
    return (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
}

// RGBA to BGRA, and back: the same exchange.
inline void toBgra(const std::uint8_t* src, std::uint8_t* dst, std::size_t n)
{
    kernels::shuffle(src, dst, n, kernels::SwapRedBlue);
}

// RGBA to 3 bytes a pixel, alpha dropped, red first or (swapped) blue first.
template <bool Swapped>
inline void toThreeBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t n)
{
    kernels::shuffle(src, dst, n, Swapped ? kernels::RgbaToBgr : kernels::RgbaToRgb);
}

// 3 bytes a pixel, red first or (swapped) blue first, to opaque RGBA.
template <bool Swapped>
inline void fromThreeBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t n)
{
    kernels::shuffle(src, dst, n, Swapped ? kernels::BgrToRgba : kernels::RgbToRgba);
}

inline void toRgb(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) { toThreeBytes<false>(src, dst, n); }
inline void toBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) { toThreeBytes<true>(src, dst, n); }

} // namespace vtt::packing
