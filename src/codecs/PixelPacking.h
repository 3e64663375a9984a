#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Rearranging the document's RGBA pixels into the byte orders the files
// store. Whole 32-bit words keep these close to the speed of a plain copy.
namespace vtt::packing {

// The word-wide shuffles below read a pixel's bytes as one little-endian word.
static_assert(std::endian::native == std::endian::little, "pixel packing assumes a little-endian processor");

inline std::uint32_t swapRedBlue(std::uint32_t v)
{
    return (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
}

// RGBA to BGRA. Fixed-size blocks let the compiler turn the inner loop into
// vector code.
inline void toBgra(const std::uint8_t* src, std::uint8_t* dst, std::size_t n)
{
    constexpr std::size_t Block = 16;
    std::size_t i = 0;
    for (; i + Block <= n; i += Block, src += 4 * Block, dst += 4 * Block) {
        std::uint32_t v[Block];
        std::memcpy(v, src, sizeof v);
        for (std::size_t k = 0; k < Block; ++k)
            v[k] = swapRedBlue(v[k]);
        std::memcpy(dst, v, sizeof v);
    }
    for (; i < n; ++i, src += 4, dst += 4) {
        std::uint32_t v;
        std::memcpy(&v, src, 4);
        v = swapRedBlue(v);
        std::memcpy(dst, &v, 4);
    }
}

// RGBA to 3 bytes a pixel, alpha dropped, red first or (swapped) blue first.
// Each pixel is stored as a whole word whose fourth byte the next pixel
// overwrites; the last one goes byte by byte so nothing lands past the end.
template <bool Swapped>
inline void toThreeBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t n)
{
    if (n == 0)
        return;
    for (std::size_t i = 0; i + 1 < n; ++i, src += 4, dst += 3) {
        std::uint32_t v;
        std::memcpy(&v, src, 4);
        if constexpr (Swapped)
            v = swapRedBlue(v);
        std::memcpy(dst, &v, 4);
    }
    dst[0] = src[Swapped ? 2 : 0];
    dst[1] = src[1];
    dst[2] = src[Swapped ? 0 : 2];
}

// 3 bytes a pixel, red first or (swapped) blue first, to opaque RGBA. Each
// pixel is loaded as a whole word, the next pixel's first byte replaced by
// alpha; the last goes byte by byte so nothing is read past the end.
template <bool Swapped>
inline void fromThreeBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t n)
{
    if (n == 0)
        return;
    for (std::size_t i = 0; i + 1 < n; ++i, src += 3, dst += 4) {
        std::uint32_t v;
        std::memcpy(&v, src, 4);
        // Blue first: reversing the word puts red, green, blue in the low
        // three bytes once the next pixel's byte is shifted out.
        if constexpr (Swapped)
            v = __builtin_bswap32(v) >> 8;
        v |= 0xFF000000u;
        std::memcpy(dst, &v, 4);
    }
    dst[0] = src[Swapped ? 2 : 0];
    dst[1] = src[1];
    dst[2] = src[Swapped ? 0 : 2];
    dst[3] = 255;
}

inline void toRgb(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) { toThreeBytes<false>(src, dst, n); }
inline void toBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) { toThreeBytes<true>(src, dst, n); }

} // namespace vtt::packing
