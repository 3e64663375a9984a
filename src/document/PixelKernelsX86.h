#pragma once

// What the vector kernel files share. Each of those files is built with its
// own instruction set's flags, so everything here is `static`: an inline
// function with external linkage would be emitted by each of them, and the
// linker could keep the widest copy for every caller, including code that
// runs on a processor without that set. For the same reason the vector
// files call no inline function of another header (the scalar fallbacks go
// through the tables).

#if defined(__x86_64__)

#include "document/PixelKernels.h"

#include <immintrin.h>

#include <cstring>

namespace vtt::kernels::x86 {

using std::uint8_t;

static inline __m128i load16(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
static inline void store16(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
static inline void store8(void* p, __m128i v) { _mm_storel_epi64(static_cast<__m128i*>(p), v); }
static inline void store12(uint8_t* p, __m128i v)
{
    store8(p, v);
    const std::uint32_t last = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(v, 8)));
    std::memcpy(p + 8, &last, 4);
}
// Pixels 4..7 of eight 3-byte pixels: the 16 bytes that end with the 24th,
// moved down, so no byte past the eighth pixel is read.
static inline __m128i upperFour3(const uint8_t* p) { return _mm_srli_si128(load16(p + 8), 4); }

#if defined(__AVX2__)
static inline __m256i load32(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
static inline void store32(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
#endif

static inline bool is(const PixelShuffle& s, int in, int out) { return s.inSize == in && s.outSize == out; }

// --- run-length packets ----------------------------------------------------

// One packet's head, its count cut at the image's end. Plain code, so that
// each vector version inlines it.
struct Packet {
    bool present; // the head and the pixels it stores are in the data
    bool run;
    std::size_t count, stored; // pixels made, bytes stored after the head
    std::size_t room, available; // pixels left in the image, bytes after the head
};

static inline Packet packetAt(const uint8_t* p, const uint8_t* end, const uint8_t* out, const uint8_t* outEnd,
                       std::size_t pixelSize)
{
    Packet k;
    const unsigned head = *p;
    k.run = head & 0x80u;
    k.count = (head & 0x7Fu) + 1u;
    k.stored = k.run ? pixelSize : k.count * pixelSize;
    k.room = static_cast<std::size_t>(outEnd - out) / 4;
    if (k.count > k.room) [[unlikely]] {
        k.count = k.room;
        k.stored = k.run ? pixelSize : k.count * pixelSize;
    }
    k.available = static_cast<std::size_t>(end - p) - 1;
    k.present = k.stored <= k.available;
    return k;
}

// Byte orders that put the same channel of two neighbouring pixels side by
// side, so that one multiply-add with ones sums each pair into 16 bits.
alignas(16) static constexpr uint8_t PairsOf4[16] = {0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15};
alignas(16) static constexpr uint8_t PairsOf3[16] = {0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, 0x80, 0x80, 0x80, 0x80};
// Packed 3-byte results sit at bytes 0..5 and 8..13.
alignas(16) static constexpr uint8_t Close3[16] = {0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, 0x80, 0x80, 0x80, 0x80};

// Masks of the first `count` bytes of a 64-byte vector, for masked loads
// and stores that touch only the bytes of the pixels they convert.
static inline std::uint64_t firstBytes(std::size_t count)
{
    return count >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << count) - 1;
}

static inline std::size_t smaller(std::size_t a, std::size_t b) { return a < b ? a : b; }

} // namespace vtt::kernels::x86

#endif
