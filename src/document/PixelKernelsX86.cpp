// The x86 vector versions of the pixel kernels. The build targets plain
// x86-64, so each function carries the instruction set it needs and runs
// only where PixelKernels.cpp found it. Loads and stores are unaligned
// throughout (loadu/storeu or masked), and never touch a byte outside the
// pixels given (the run-length versions: outside the image and the data
// given); a remainder too short for a vector goes to a smaller version.

#if defined(__x86_64__) || defined(__i386__)

#include "document/PixelKernels.h"

// GCC 12's AVX-512 headers start some intrinsics from an undefined vector,
// which its own flow analysis then reports.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cstring>

#define VTT_SSSE3 __attribute__((target("ssse3")))
#define VTT_AVX2 __attribute__((target("avx2")))
#define VTT_AVX512 __attribute__((target("avx2,bmi2,avx512f,avx512bw,avx512vl,avx512vbmi,avx512vnni")))

namespace vtt::kernels {

namespace detail {
extern const KernelSet Scalar;
extern const KernelSet Ssse3;
extern const KernelSet Avx2;
extern const KernelSet Avx512;
} // namespace detail

namespace {

using std::uint8_t;

VTT_SSSE3 inline __m128i load16(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
VTT_SSSE3 inline void store16(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
VTT_SSSE3 inline void store8(void* p, __m128i v) { _mm_storel_epi64(static_cast<__m128i*>(p), v); }
VTT_SSSE3 inline void store12(uint8_t* p, __m128i v)
{
    store8(p, v);
    const std::uint32_t last = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(v, 8)));
    std::memcpy(p + 8, &last, 4);
}
// Pixels 4..7 of eight 3-byte pixels: the 16 bytes that end with the 24th,
// moved down, so no byte past the eighth pixel is read.
VTT_SSSE3 inline __m128i upperFour3(const uint8_t* p) { return _mm_srli_si128(load16(p + 8), 4); }

VTT_AVX2 inline __m256i load32(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
VTT_AVX2 inline void store32(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }

bool is(const PixelShuffle& s, int in, int out) { return s.inSize == in && s.outSize == out; }

// --- shuffles ---------------------------------------------------------------

VTT_SSSE3 void shuffleSsse3(const uint8_t* src, uint8_t* dst, std::size_t n, const PixelShuffle& s)
{
    const __m128i lanes = load16(s.lanes.data()), set = load16(s.set.data());
    std::size_t i = 0;
    if (is(s, 4, 4)) {
        for (; i + 4 <= n; i += 4)
            store16(dst + 4 * i, _mm_or_si128(_mm_shuffle_epi8(load16(src + 4 * i), lanes), set));
    } else if (is(s, 3, 4)) {
        for (; i + 8 <= n; i += 8) {
            const uint8_t* p = src + 3 * i;
            store16(dst + 4 * i, _mm_or_si128(_mm_shuffle_epi8(load16(p), lanes), set));
            store16(dst + 4 * i + 16, _mm_or_si128(_mm_shuffle_epi8(upperFour3(p), lanes), set));
        }
    } else if (is(s, 4, 3)) {
        for (; i + 8 <= n; i += 8) {
            const __m128i a = _mm_shuffle_epi8(load16(src + 4 * i), lanes);
            const __m128i b = _mm_shuffle_epi8(load16(src + 4 * i + 16), lanes);
            store16(dst + 3 * i, _mm_or_si128(a, _mm_slli_si128(b, 12)));
            store8(dst + 3 * i + 16, _mm_srli_si128(b, 4));
        }
    }
    detail::Scalar.shuffle(src + s.inSize * i, dst + s.outSize * i, n - i, s);
}

// Eight pixels from src to dst.
template <int In, int Out>
VTT_AVX2 inline void shuffle8(const uint8_t* src, uint8_t* dst, __m256i lanes, __m256i set)
{
    if constexpr (In == 4 && Out == 4) {
        store32(dst, _mm256_or_si256(_mm256_shuffle_epi8(load32(src), lanes), set));
    } else if constexpr (In == 3) {
        const __m256i v = _mm256_set_m128i(upperFour3(src), load16(src));
        store32(dst, _mm256_or_si256(_mm256_shuffle_epi8(v, lanes), set));
    } else {
        // Each lane yields 12 bytes; gathering the six words makes them 24
        // contiguous bytes.
        const __m256i v = _mm256_shuffle_epi8(load32(src), lanes);
        const __m256i r = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
        store16(dst, _mm256_castsi256_si128(r));
        store8(dst + 16, _mm256_extracti128_si256(r, 1));
    }
}

// Short rows (run-length packets) are common, so the remainder is one more
// group of eight that overlaps the last: redoing a few pixels is cheaper
// than a scalar tail. Not in place, where it would apply the shuffle twice.
template <int In, int Out>
VTT_AVX2 void shuffleRun(const uint8_t* src, uint8_t* dst, std::size_t n, const PixelShuffle& s)
{
    const __m256i lanes = _mm256_broadcastsi128_si256(load16(s.lanes.data()));
    const __m256i set = _mm256_broadcastsi128_si256(load16(s.set.data()));
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8)
        shuffle8<In, Out>(src + In * i, dst + Out * i, lanes, set);
    if (i == n)
        return;
    if (n >= 8 && src != dst)
        shuffle8<In, Out>(src + In * (n - 8), dst + Out * (n - 8), lanes, set);
    else
        detail::Scalar.shuffle(src + In * i, dst + Out * i, n - i, s);
}

VTT_AVX2 void shuffleAvx2(const uint8_t* src, uint8_t* dst, std::size_t n, const PixelShuffle& s)
{
    if (is(s, 4, 4))
        shuffleRun<4, 4>(src, dst, n, s);
    else if (is(s, 3, 4))
        shuffleRun<3, 4>(src, dst, n, s);
    else if (is(s, 4, 3))
        shuffleRun<4, 3>(src, dst, n, s);
    else
        detail::Scalar.shuffle(src, dst, n, s);
}

// --- fills ------------------------------------------------------------------

VTT_SSSE3 void fill4Ssse3(uint8_t* dst, const uint8_t* pixel, std::size_t n)
{
    std::int32_t value;
    std::memcpy(&value, pixel, 4);
    const __m128i v = _mm_set1_epi32(value);
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4)
        store16(dst + 4 * i, v);
    detail::Scalar.fill4(dst + 4 * i, pixel, n - i);
}

VTT_AVX2 void fill4Avx2(uint8_t* dst, const uint8_t* pixel, std::size_t n)
{
    std::int32_t value;
    std::memcpy(&value, pixel, 4);
    if (n < 4)
        return detail::Scalar.fill4(dst, pixel, n);
    if (n < 8) { // two halves that overlap, as below
        store16(dst, _mm_set1_epi32(value));
        store16(dst + 4 * (n - 4), _mm_set1_epi32(value));
        return;
    }
    const __m256i v = _mm256_set1_epi32(value);
    for (std::size_t i = 0; i + 8 <= n; i += 8)
        store32(dst + 4 * i, v);
    store32(dst + 4 * (n - 8), v); // the rest, overlapping what is already filled
}

// --- reversing rows ---------------------------------------------------------

// Both versions swap whole vectors from the two ends inward; the middle,
// shorter than two vectors, goes to the reference.

VTT_AVX2 inline __m256i reversed(__m256i v, int pixelSize)
{
    if (pixelSize == 4)
        return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
    const __m256i inLane = _mm256_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11,
                                            10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    return _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, inLane), _MM_SHUFFLE(1, 0, 3, 2));
}

VTT_AVX2 void reverseAvx2(uint8_t* row, std::size_t n, int pixelSize)
{
    if (pixelSize != 1 && pixelSize != 4)
        return detail::Scalar.reverse(row, n, pixelSize);
    uint8_t* lo = row;
    uint8_t* hi = row + n * static_cast<std::size_t>(pixelSize);
    for (; hi - lo >= 64; lo += 32) {
        hi -= 32;
        const __m256i a = load32(lo), b = load32(hi);
        store32(lo, reversed(b, pixelSize));
        store32(hi, reversed(a, pixelSize));
    }
    detail::Scalar.reverse(lo, static_cast<std::size_t>(hi - lo) / static_cast<std::size_t>(pixelSize), pixelSize);
}

// --- run-length packets ----------------------------------------------------

// One packet's head, its count cut at the image's end. Plain code, so that
// each vector version inlines it.
struct Packet {
    bool present; // the head and the pixels it stores are in the data
    bool run;
    std::size_t count, stored; // pixels made, bytes stored after the head
    std::size_t room, available; // pixels left in the image, bytes after the head
};

inline Packet packetAt(const uint8_t* p, const uint8_t* end, const uint8_t* out, const uint8_t* outEnd,
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

// A packet may write whole groups of eight past its own pixels while the
// image has room, and read whole groups past its stored bytes while the
// data has them: the next packets overwrite the excess. Only near either
// end does it fall back to the exact versions.
template <int In>
VTT_AVX2 std::size_t expandRunsOf(const uint8_t* src, std::size_t size, uint8_t* dst, std::size_t n,
                                  const PixelShuffle& s, std::size_t& done)
{
    const __m256i lanes = _mm256_broadcastsi128_si256(load16(s.lanes.data()));
    const __m256i set = _mm256_broadcastsi128_si256(load16(s.set.data()));
    // Each packet's place depends on the head before it, so the loop is
    // as fast as that chain (load, a few operations) is short: pointers, no
    // indices, and the rare cases (a packet cut at the image's end, data
    // that ends) in branches off it.
    const uint8_t* p = src;
    const uint8_t* const end = src + size;
    uint8_t* out = dst;
    uint8_t* const outEnd = dst + 4 * n;
    while (out < outEnd && p < end) {
        const auto [present, run, count, stored, room, available] = packetAt(p, end, out, outEnd, In);
        if (!present) [[unlikely]]
            break;
        const uint8_t* in = p + 1;
        // Packets of up to 32 pixels, the most common, always write (and
        // read) 32: a loop whose length varies by packet costs a mispredicted
        // branch each time.
        const std::size_t whole = count <= 32 ? 32 : (count + 7) & ~std::size_t(7);
        if (run) {
            // The first pixel's lane of the shuffle, on the stored bytes.
            std::int32_t raw = 0;
            std::memcpy(&raw, in, In);
            const __m128i first = _mm_or_si128(_mm_shuffle_epi8(_mm_cvtsi32_si128(raw), _mm256_castsi256_si128(lanes)),
                                               _mm256_castsi256_si128(set));
            if (whole <= room) {
                const __m256i v = _mm256_broadcastd_epi32(first);
                for (std::size_t i = 0; i < whole; i += 8)
                    store32(out + 4 * i, v);
            } else {
                const std::int32_t value = _mm_cvtsi128_si32(first);
                std::uint8_t pixel[4];
                std::memcpy(pixel, &value, 4);
                fill4Avx2(out, pixel, count);
            }
        } else if (whole <= room && whole * In <= available) {
            for (std::size_t i = 0; i < whole; i += 8)
                shuffle8<In, 4>(in + In * i, out + 4 * i, lanes, set);
        } else {
            shuffleRun<In, 4>(in, out, count, s);
        }
        p = in + stored;
        out += 4 * count;
    }
    done = static_cast<std::size_t>(out - dst) / 4;
    return static_cast<std::size_t>(p - src);
}

VTT_AVX2 std::size_t expandRunsAvx2(const uint8_t* src, std::size_t size, uint8_t* dst, std::size_t n,
                                    const PixelShuffle& s, std::size_t& done)
{
    if (is(s, 4, 4))
        return expandRunsOf<4>(src, size, dst, n, s, done);
    if (is(s, 3, 4))
        return expandRunsOf<3>(src, size, dst, n, s, done);
    return detail::Scalar.expandRuns(src, size, dst, n, s, done);
}

std::size_t expandRunsSsse3(const uint8_t* src, std::size_t size, uint8_t* dst, std::size_t n, const PixelShuffle& s,
                            std::size_t& done)
{
    return detail::Scalar.expandRuns(src, size, dst, n, s, done);
}

// --- direct-colour mip rows -------------------------------------------------

// Byte orders that put the same channel of two neighbouring pixels side by
// side, so that one multiply-add with ones sums each pair into 16 bits.
alignas(16) constexpr uint8_t PairsOf4[16] = {0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15};
alignas(16) constexpr uint8_t PairsOf3[16] = {0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, 0x80, 0x80, 0x80, 0x80};
// Packed 3-byte results sit at bytes 0..5 and 8..13.
alignas(16) constexpr uint8_t Close3[16] = {0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, 0x80, 0x80, 0x80, 0x80};

VTT_SSSE3 inline __m128i pairSums(__m128i v, __m128i order)
{
    return _mm_maddubs_epi16(_mm_shuffle_epi8(v, order), _mm_set1_epi8(1));
}

// (top pair + bottom pair + 2) / 4, per 16-bit lane.
VTT_SSSE3 inline __m128i average(__m128i top, __m128i bottom)
{
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(top, bottom), _mm_set1_epi16(2)), 2);
}

VTT_SSSE3 void halveRowSsse3(const uint8_t* top, const uint8_t* bottom, std::size_t right, uint8_t* dst,
                             std::size_t n, int channels)
{
    std::size_t x = 0;
    if (channels == 4 && right == 4) {
        const __m128i order = load16(PairsOf4);
        for (; x + 4 <= n; x += 4) {
            const uint8_t* t = top + 8 * x;
            const uint8_t* b = bottom + 8 * x;
            const __m128i first = average(pairSums(load16(t), order), pairSums(load16(b), order));
            const __m128i second = average(pairSums(load16(t + 16), order), pairSums(load16(b + 16), order));
            store16(dst + 4 * x, _mm_packus_epi16(first, second));
        }
    } else if (channels == 3 && right == 3) {
        const __m128i order = load16(PairsOf3), close = load16(Close3);
        for (; x + 4 <= n; x += 4) {
            const uint8_t* t = top + 6 * x;
            const uint8_t* b = bottom + 6 * x;
            const __m128i first = average(pairSums(load16(t), order), pairSums(load16(b), order));
            const __m128i second = average(pairSums(upperFour3(t), order), pairSums(upperFour3(b), order));
            store12(dst + 3 * x, _mm_shuffle_epi8(_mm_packus_epi16(first, second), close));
        }
    }
    const std::size_t size = static_cast<std::size_t>(channels);
    detail::Scalar.halveRow(top + 2 * size * x, bottom + 2 * size * x, right, dst + size * x, n - x, channels);
}

VTT_AVX2 inline __m256i pairSums(__m256i v, __m256i order)
{
    return _mm256_maddubs_epi16(_mm256_shuffle_epi8(v, order), _mm256_set1_epi8(1));
}

VTT_AVX2 inline __m256i average(__m256i top, __m256i bottom)
{
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(top, bottom), _mm256_set1_epi16(2)), 2);
}

VTT_AVX2 void halveRowAvx2(const uint8_t* top, const uint8_t* bottom, std::size_t right, uint8_t* dst, std::size_t n,
                           int channels)
{
    std::size_t x = 0;
    if (channels == 4 && right == 4) {
        const __m256i order = _mm256_broadcastsi128_si256(load16(PairsOf4));
        for (; x + 8 <= n; x += 8) {
            const uint8_t* t = top + 8 * x;
            const uint8_t* b = bottom + 8 * x;
            // Lanes hold outputs 0-1 | 2-3 and 4-5 | 6-7; the pack
            // interleaves them by lane, the permute puts them in order.
            const __m256i first = average(pairSums(load32(t), order), pairSums(load32(b), order));
            const __m256i second = average(pairSums(load32(t + 32), order), pairSums(load32(b + 32), order));
            const __m256i packed = _mm256_packus_epi16(first, second);
            store32(dst + 4 * x, _mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0)));
        }
    }
    if (channels == 3 && right == 3) {
        // Lane 0 does outputs 0-3 and lane 1 outputs 4-7, each as the
        // SSSE3 version does four; the last load ends on the 48th byte.
        const __m256i order = _mm256_broadcastsi128_si256(load16(PairsOf3));
        const __m256i close = _mm256_broadcastsi128_si256(load16(Close3));
        const __m256i together = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
        for (; x + 8 <= n; x += 8) {
            const uint8_t* t = top + 6 * x;
            const uint8_t* b = bottom + 6 * x;
            const __m256i first = average(pairSums(_mm256_set_m128i(load16(t + 24), load16(t)), order),
                                          pairSums(_mm256_set_m128i(load16(b + 24), load16(b)), order));
            const __m256i second =
                average(pairSums(_mm256_set_m128i(upperFour3(t + 24), upperFour3(t)), order),
                        pairSums(_mm256_set_m128i(upperFour3(b + 24), upperFour3(b)), order));
            const __m256i packed = _mm256_shuffle_epi8(_mm256_packus_epi16(first, second), close);
            const __m256i r = _mm256_permutevar8x32_epi32(packed, together);
            store16(dst + 3 * x, _mm256_castsi256_si128(r));
            store8(dst + 3 * x + 16, _mm256_extracti128_si256(r, 1));
        }
    }
    const std::size_t size = static_cast<std::size_t>(channels);
    detail::Ssse3.halveRow(top + 2 * size * x, bottom + 2 * size * x, right, dst + size * x, n - x, channels);
}

// --- palette mip rows -------------------------------------------------------

alignas(16) constexpr uint8_t EvenBytes[16] = {0, 2, 4, 6, 8, 10, 12, 14, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
alignas(16) constexpr uint8_t OddBytes[16] = {1, 3, 5, 7, 9, 11, 13, 15, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
alignas(16) constexpr uint8_t LowBytes[16] = {0, 4, 8, 12, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};

// Squared distances of eight colours, times four, from their blocks'
// average, given as 16-bit channel sums of the low and high pixel pairs of
// each lane. madd squares and adds two channels, hadd the other two; the
// result is in pixel order.
VTT_AVX2 inline __m256i distances(__m256i colours, __m256i sumLow, __m256i sumHigh)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = _mm256_sub_epi16(_mm256_slli_epi16(_mm256_unpacklo_epi8(colours, zero), 2), sumLow);
    const __m256i high = _mm256_sub_epi16(_mm256_slli_epi16(_mm256_unpackhi_epi8(colours, zero), 2), sumHigh);
    return _mm256_hadd_epi32(_mm256_madd_epi16(low, low), _mm256_madd_epi16(high, high));
}

// Eight blocks at a time: the four entries of each block in 32-bit lanes,
// their colours gathered from the palette, the nearest chosen with masks.
VTT_AVX2 void halveIndexedRowAvx2(const uint8_t* top, const uint8_t* bottom, std::size_t right,
                                  const uint8_t* palette, uint8_t* dst, std::size_t n)
{
    std::size_t x = 0;
    if (right == 1) {
        const __m128i even = load16(EvenBytes), odd = load16(OddBytes);
        const __m256i lowBytes = _mm256_broadcastsi128_si256(load16(LowBytes));
        const int* colours = reinterpret_cast<const int*>(palette);
        const __m256i zero = _mm256_setzero_si256();
        for (; x + 8 <= n; x += 8) {
            const __m128i t = load16(top + 2 * x), b = load16(bottom + 2 * x);
            const __m256i entry[4] = {
                _mm256_cvtepu8_epi32(_mm_shuffle_epi8(t, even)), _mm256_cvtepu8_epi32(_mm_shuffle_epi8(t, odd)),
                _mm256_cvtepu8_epi32(_mm_shuffle_epi8(b, even)), _mm256_cvtepu8_epi32(_mm_shuffle_epi8(b, odd))};
            __m256i colour[4];
            __m256i sumLow = zero, sumHigh = zero;
            for (int k = 0; k < 4; ++k) {
                colour[k] = _mm256_i32gather_epi32(colours, entry[k], 4);
                sumLow = _mm256_add_epi16(sumLow, _mm256_unpacklo_epi8(colour[k], zero));
                sumHigh = _mm256_add_epi16(sumHigh, _mm256_unpackhi_epi8(colour[k], zero));
            }
            __m256i best = entry[0];
            __m256i bestDistance = distances(colour[0], sumLow, sumHigh);
            for (int k = 1; k < 4; ++k) {
                // Strictly nearer only, so a tie keeps the earlier pixel.
                const __m256i d = distances(colour[k], sumLow, sumHigh);
                best = _mm256_blendv_epi8(best, entry[k], _mm256_cmpgt_epi32(bestDistance, d));
                bestDistance = _mm256_min_epi32(bestDistance, d);
            }
            const __m256i picked = _mm256_shuffle_epi8(best, lowBytes);
            store8(dst + x, _mm_unpacklo_epi32(_mm256_castsi256_si128(picked), _mm256_extracti128_si256(picked, 1)));
        }
    }
    detail::halveIndexedRowScalar(top + 2 * x, bottom + 2 * x, right, palette, dst + x, n - x);
}

VTT_AVX2 void halveIndexedAvx2(const uint8_t* src, std::size_t width, std::size_t height, const uint8_t* palette,
                               uint8_t* dst)
{
    detail::forEachBlockRow(src, width, height, dst,
                            [palette](const uint8_t* top, const uint8_t* bottom, std::size_t right, uint8_t* out,
                                      std::size_t n) { halveIndexedRowAvx2(top, bottom, right, palette, out, n); });
}

// --- AVX-512: one byte permute across 64 bytes, masks at the ends -------

// Masked loads and stores touch only the bytes of the pixels they convert,
// so the last group needs no scalar tail and short runs cost one group.
inline __mmask64 firstBytes(std::size_t count) { return count >= 64 ? ~__mmask64(0) : (__mmask64(1) << count) - 1; }

VTT_AVX512 inline void shuffle16(const uint8_t* src, uint8_t* dst, std::size_t pixels, std::size_t in,
                                 std::size_t out, __m512i wide, __m512i set)
{
    const __m512i v = _mm512_maskz_loadu_epi8(firstBytes(pixels * in), src);
    _mm512_mask_storeu_epi8(dst, firstBytes(pixels * out), _mm512_or_si512(_mm512_permutexvar_epi8(wide, v), set));
}

// Whole groups without masks, which cost extra on some processors; 4-byte
// output stores all 64 bytes, 3-byte output 48 of them.
template <int In, int Out>
VTT_AVX512 void shuffleGroups(const uint8_t* src, uint8_t* dst, std::size_t n, __m512i wide, __m512i set)
{
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m512i v = In == 4 ? _mm512_loadu_si512(src + 4 * i) : _mm512_maskz_loadu_epi8(firstBytes(48), src + 3 * i);
        const __m512i r = _mm512_or_si512(_mm512_permutexvar_epi8(wide, v), set);
        if constexpr (Out == 4) {
            _mm512_storeu_si512(dst + 4 * i, r);
        } else {
            store32(dst + 3 * i, _mm512_castsi512_si256(r));
            store16(dst + 3 * i + 32, _mm512_extracti32x4_epi32(r, 2));
        }
    }
    if (i < n)
        shuffle16(src + In * i, dst + Out * i, n - i, In, Out, wide, set);
}

VTT_AVX512 void shuffleAvx512(const uint8_t* src, uint8_t* dst, std::size_t n, const PixelShuffle& s)
{
    const __m512i wide = _mm512_load_si512(s.wide.data()), set = _mm512_load_si512(s.wideSet.data());
    if (is(s, 4, 4))
        shuffleGroups<4, 4>(src, dst, n, wide, set);
    else if (is(s, 3, 4))
        shuffleGroups<3, 4>(src, dst, n, wide, set);
    else if (is(s, 4, 3))
        shuffleGroups<4, 3>(src, dst, n, wide, set);
    else
        detail::Scalar.shuffle(src, dst, n, s);
}

VTT_AVX512 void fill4Avx512(uint8_t* dst, const uint8_t* pixel, std::size_t n)
{
    std::int32_t value;
    std::memcpy(&value, pixel, 4);
    const __m512i v = _mm512_set1_epi32(value);
    for (std::size_t i = 0; i < n; i += 16)
        _mm512_mask_storeu_epi8(dst + 4 * i, firstBytes(4 * (n - i)), v);
}

VTT_AVX512 void reverseAvx512(uint8_t* row, std::size_t n, int pixelSize)
{
    if (pixelSize != 1 && pixelSize != 4)
        return detail::Scalar.reverse(row, n, pixelSize);
    alignas(64) uint8_t backwards[64];
    for (int i = 0; i < 64; ++i) // bytes 63..0, or words 15..0
        backwards[i] = static_cast<uint8_t>(pixelSize == 1 ? 63 - i : 15 - i);
    const __m512i order = pixelSize == 1 ? _mm512_load_si512(backwards) : _mm512_cvtepu8_epi32(load16(backwards));
    uint8_t* lo = row;
    uint8_t* hi = row + n * static_cast<std::size_t>(pixelSize);
    for (; hi - lo >= 128; lo += 64) {
        hi -= 64;
        const __m512i a = _mm512_loadu_si512(lo), b = _mm512_loadu_si512(hi);
        _mm512_storeu_si512(lo, pixelSize == 1 ? _mm512_permutexvar_epi8(order, b) : _mm512_permutexvar_epi32(order, b));
        _mm512_storeu_si512(hi, pixelSize == 1 ? _mm512_permutexvar_epi8(order, a) : _mm512_permutexvar_epi32(order, a));
    }
    reverseAvx2(lo, static_cast<std::size_t>(hi - lo) / static_cast<std::size_t>(pixelSize), pixelSize);
}

VTT_AVX512 std::size_t expandRunsAvx512(const uint8_t* src, std::size_t size, uint8_t* dst, std::size_t n,
                                        const PixelShuffle& s, std::size_t& done)
{
    if (s.outSize != 4 || (s.inSize != 3 && s.inSize != 4))
        return detail::Scalar.expandRuns(src, size, dst, n, s, done);
    const __m512i wide = _mm512_load_si512(s.wide.data()), set = _mm512_load_si512(s.wideSet.data());
    const std::size_t in = s.inSize;
    // As the AVX2 version: the chain from one head to the next is kept
    // short, and packets of up to 32 pixels write two whole groups.
    const uint8_t* p = src;
    const uint8_t* const end = src + size;
    uint8_t* out = dst;
    uint8_t* const outEnd = dst + 4 * n;
    while (out < outEnd && p < end) {
        const auto [present, run, count, stored, room, available] = packetAt(p, end, out, outEnd, in);
        if (!present) [[unlikely]]
            break;
        const uint8_t* data = p + 1;
        if (run) {
            const __m512i first = _mm512_or_si512(
                _mm512_permutexvar_epi8(wide, _mm512_maskz_loadu_epi8(firstBytes(in), data)), set);
            const __m512i v = _mm512_broadcastd_epi32(_mm512_castsi512_si128(first));
            if (count <= 32 && room >= 32) {
                _mm512_storeu_si512(out, v);
                _mm512_storeu_si512(out + 64, v);
            } else {
                for (std::size_t i = 0; i < count; i += 16)
                    _mm512_mask_storeu_epi8(out + 4 * i, firstBytes(4 * (count - i)), v);
            }
        } else if (count <= 32 && room >= 32 && available >= 32 * in) {
            shuffle16(data, out, 16, in, 4, wide, set);
            shuffle16(data + 16 * in, out + 64, 16, in, 4, wide, set);
        } else {
            for (std::size_t i = 0; i < count; i += 16)
                shuffle16(data + in * i, out + 4 * i, std::min<std::size_t>(16, count - i), in, 4, wide, set);
        }
        p = data + stored;
        out += 4 * count;
    }
    done = static_cast<std::size_t>(out - dst) / 4;
    return static_cast<std::size_t>(p - src);
}

// Byte orders for eight output pixels of one row: the same channel of the
// two pixels of each block side by side (as PairsOf4/PairsOf3, across the
// whole vector), so that one multiply-add with ones sums each pair.
constexpr std::array<uint8_t, 64> pairOrder(int channels)
{
    std::array<uint8_t, 64> order{};
    for (std::size_t o = 0; o < 8; ++o)
        for (std::size_t c = 0; c < static_cast<std::size_t>(channels); ++c) {
            const std::size_t at = 2 * (o * static_cast<std::size_t>(channels) + c);
            order[at] = static_cast<uint8_t>(2 * o * static_cast<std::size_t>(channels) + c);
            order[at + 1] = static_cast<uint8_t>(order[at] + channels);
        }
    return order;
}
alignas(64) constexpr std::array<uint8_t, 64> PairOrder4 = pairOrder(4);
alignas(64) constexpr std::array<uint8_t, 64> PairOrder3 = pairOrder(3);

// 16 pixels of a row: 64 bytes, or 48 without reading past them.
template <int Channels>
VTT_AVX512 inline __m512i load16Pixels(const uint8_t* row)
{
    if constexpr (Channels == 4)
        return _mm512_loadu_si512(row);
    return _mm512_inserti32x4(_mm512_castsi256_si512(load32(row)), load16(row + 32), 2);
}

VTT_AVX512 inline __m256i averages(__m512i top, __m512i bottom, __m512i order)
{
    const __m512i ones = _mm512_set1_epi8(1);
    const __m512i sums = _mm512_add_epi16(_mm512_maddubs_epi16(_mm512_permutexvar_epi8(order, top), ones),
                                          _mm512_maddubs_epi16(_mm512_permutexvar_epi8(order, bottom), ones));
    return _mm512_cvtepi16_epi8(_mm512_srli_epi16(_mm512_add_epi16(sums, _mm512_set1_epi16(2)), 2));
}

template <int Channels>
VTT_AVX512 void halveRowOf(const uint8_t* top, const uint8_t* bottom, uint8_t* dst, std::size_t n)
{
    const __m512i order = _mm512_load_si512(Channels == 4 ? PairOrder4.data() : PairOrder3.data());
    std::size_t x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m256i a = averages(load16Pixels<Channels>(top + 2 * Channels * x),
                                   load16Pixels<Channels>(bottom + 2 * Channels * x), order);
        if constexpr (Channels == 4) {
            store32(dst + 4 * x, a);
        } else {
            store16(dst + 3 * x, _mm256_castsi256_si128(a));
            store8(dst + 3 * x + 16, _mm256_extracti128_si256(a, 1));
        }
    }
    if (x < n) {
        const __mmask64 in = firstBytes(2 * Channels * (n - x));
        const __m256i a = averages(_mm512_maskz_loadu_epi8(in, top + 2 * Channels * x),
                                   _mm512_maskz_loadu_epi8(in, bottom + 2 * Channels * x), order);
        _mm256_mask_storeu_epi8(dst + Channels * x, static_cast<__mmask32>(firstBytes(Channels * (n - x))), a);
    }
}

VTT_AVX512 void halveRowAvx512(const uint8_t* top, const uint8_t* bottom, std::size_t right, uint8_t* dst,
                               std::size_t n, int channels)
{
    if (channels == 4 && right == 4)
        halveRowOf<4>(top, bottom, dst, n);
    else if (channels == 3 && right == 3)
        halveRowOf<3>(top, bottom, dst, n);
    else
        detail::Scalar.halveRow(top, bottom, right, dst, n, channels);
}

// Palette blocks, 64 at a time. The palette is split into four 256-byte
// channel planes, held in registers, so a colour look-up is two 128-entry
// byte permutes and a blend instead of a gather. Nearest to the average
// colour needs no squares: |4c_i - S|^2 = 8 (2 c_i.c_i - c_i.S) + |S|^2
// with S the sum of the four colours, and 2 c_i.c_i - c_i.S = c_i.c_i -
// sum over j != i of c_i.c_j, made of 4-byte dot products (vpdpbusd,
// unsigned times signed bytes): with signed bytes c - 128 and 127 - c,
// c_i.c_i = dot(c_i, c_i - 128) + 128 s_i and -c_i.c_j = dot(c_i, 127 - c_j)
// - 127 s_i, where s_i is the sum of c_i's bytes; so the measure is
// dot(c_i, c_i - 128) + sum of dot(c_i, 127 - c_j) - 253 s_i, and -253 s_i
// is dot(c_i, -127) + dot(c_i, -126). All exact in 32 bits.
struct PalettePlanes {
    __m512i plane[4][4]; // channel, quarter of the entries
};

VTT_AVX512 inline __m512i lookUp(const __m512i* quarters, __m512i entries, __mmask64 upperHalf)
{
    const __m512i low = _mm512_permutex2var_epi8(quarters[0], entries, quarters[1]);
    const __m512i high = _mm512_permutex2var_epi8(quarters[2], entries, quarters[3]);
    return _mm512_mask_blend_epi8(upperHalf, low, high);
}

// The four colours of 64 entries as RGBA words, in four vectors of 16.
// Unpacking within 128-bit lanes puts entry 16L + 4g + j (lane L) in
// vector g, word 4L + j.
VTT_AVX512 inline void coloursOf(const PalettePlanes& p, __m512i entries, __m512i* colour)
{
    const __mmask64 upper = _mm512_movepi8_mask(entries);
    const __m512i r = lookUp(p.plane[0], entries, upper), g = lookUp(p.plane[1], entries, upper);
    const __m512i b = lookUp(p.plane[2], entries, upper), a = lookUp(p.plane[3], entries, upper);
    const __m512i rgLow = _mm512_unpacklo_epi8(r, g), rgHigh = _mm512_unpackhi_epi8(r, g);
    const __m512i baLow = _mm512_unpacklo_epi8(b, a), baHigh = _mm512_unpackhi_epi8(b, a);
    colour[0] = _mm512_unpacklo_epi16(rgLow, baLow);
    colour[1] = _mm512_unpackhi_epi16(rgLow, baLow);
    colour[2] = _mm512_unpacklo_epi16(rgHigh, baHigh);
    colour[3] = _mm512_unpackhi_epi16(rgHigh, baHigh);
}

// Bit positions of vector g's 16 words among the 64 entries, for pdep.
constexpr std::uint64_t wordsOf(unsigned g)
{
    std::uint64_t bits = 0;
    for (unsigned lane = 0; lane < 4; ++lane)
        bits |= std::uint64_t(0xF) << (16 * lane + 4 * g);
    return bits;
}

constexpr std::array<uint8_t, 64> evenOf128()
{
    std::array<uint8_t, 64> order{};
    for (std::size_t i = 0; i < 64; ++i)
        order[i] = static_cast<uint8_t>(2 * i);
    return order;
}
alignas(64) constexpr std::array<uint8_t, 64> EvenOf128 = evenOf128();

VTT_AVX512 void halveIndexedRowAvx512(const uint8_t* top, const uint8_t* bottom, const PalettePlanes& planes,
                                      uint8_t* dst, std::size_t n)
{
    const __m512i even = _mm512_load_si512(EvenOf128.data());
    const __m512i odd = _mm512_add_epi8(even, _mm512_set1_epi8(1));
    const __m512i signFlip = _mm512_set1_epi8(static_cast<char>(0x80)), reverse = _mm512_set1_epi8(0x7F);
    const __m512i minus127 = _mm512_set1_epi8(-127), minus126 = _mm512_set1_epi8(-126);
    for (std::size_t x = 0; x < n; x += 64) {
        const std::size_t blocks = std::min<std::size_t>(64, n - x);
        // 2 * blocks entries per row: two masked halves of up to 64.
        const __mmask64 first = firstBytes(2 * blocks), second = firstBytes(2 * blocks > 64 ? 2 * blocks - 64 : 0);
        const uint8_t* t = top + 2 * x;
        const uint8_t* b = bottom + 2 * x;
        const __m512i t0 = _mm512_maskz_loadu_epi8(first, t), t1 = _mm512_maskz_loadu_epi8(second, t + 64);
        const __m512i b0 = _mm512_maskz_loadu_epi8(first, b), b1 = _mm512_maskz_loadu_epi8(second, b + 64);
        const __m512i entry[4] = {_mm512_permutex2var_epi8(t0, even, t1), _mm512_permutex2var_epi8(t0, odd, t1),
                                  _mm512_permutex2var_epi8(b0, even, b1), _mm512_permutex2var_epi8(b0, odd, b1)};
        __m512i colour[4][4]; // candidate, vector of 16
        for (int k = 0; k < 4; ++k)
            coloursOf(planes, entry[k], colour[k]);
        std::uint64_t nearer[4] = {0, 0, 0, 0}; // candidate k beats those before it
        for (unsigned g = 0; g < 4; ++g) {
            __m512i flipped[4], reversed[4];
            for (int k = 0; k < 4; ++k) {
                flipped[k] = _mm512_xor_si512(colour[k][g], signFlip);
                reversed[k] = _mm512_xor_si512(colour[k][g], reverse);
            }
            __m512i best = _mm512_setzero_si512();
            for (int k = 0; k < 4; ++k) {
                const __m512i c = colour[k][g];
                __m512i d = _mm512_dpbusd_epi32(_mm512_setzero_si512(), c, flipped[k]);
                for (int j = 0; j < 4; ++j)
                    if (j != k)
                        d = _mm512_dpbusd_epi32(d, c, reversed[j]);
                d = _mm512_dpbusd_epi32(_mm512_dpbusd_epi32(d, c, minus127), c, minus126);
                if (k == 0) {
                    best = d;
                    continue;
                }
                // Strictly nearer only, so a tie keeps the earlier pixel.
                const __mmask16 m = _mm512_cmpgt_epi32_mask(best, d);
                best = _mm512_min_epi32(best, d);
                nearer[k] |= _pdep_u64(m, wordsOf(g));
            }
        }
        __m512i chosen = entry[0];
        for (int k = 1; k < 4; ++k)
            chosen = _mm512_mask_blend_epi8(nearer[k], chosen, entry[k]);
        _mm512_mask_storeu_epi8(dst + x, firstBytes(blocks), chosen);
    }
}

VTT_AVX512 void halveIndexedAvx512(const uint8_t* src, std::size_t width, std::size_t height, const uint8_t* palette,
                                   uint8_t* dst)
{
    if (width < 2) // one column: nothing to gain
        return detail::Scalar.halveIndexed(src, width, height, palette, dst);
    alignas(64) uint8_t split[4][256];
    for (std::size_t e = 0; e < 256; ++e)
        for (std::size_t c = 0; c < 4; ++c)
            split[c][e] = palette[4 * e + c];
    PalettePlanes planes;
    for (std::size_t c = 0; c < 4; ++c)
        for (std::size_t q = 0; q < 4; ++q)
            planes.plane[c][q] = _mm512_load_si512(split[c] + 64 * q);
    detail::forEachBlockRow(src, width, height, dst,
                            [&planes](const uint8_t* top, const uint8_t* bottom, std::size_t, uint8_t* out,
                                      std::size_t n) { halveIndexedRowAvx512(top, bottom, planes, out, n); });
}

void reverseSsse3(uint8_t* row, std::size_t n, int pixelSize) { detail::Scalar.reverse(row, n, pixelSize); }

// Without gathers the palette look-ups stay scalar.
void halveIndexedSsse3(const uint8_t* src, std::size_t width, std::size_t height, const uint8_t* palette, uint8_t* dst)
{
    detail::Scalar.halveIndexed(src, width, height, palette, dst);
}

} // namespace

namespace detail {
const KernelSet Ssse3{"ssse3", shuffleSsse3, fill4Ssse3, reverseSsse3, expandRunsSsse3, halveRowSsse3, halveIndexedSsse3};
const KernelSet Avx2{"avx2", shuffleAvx2, fill4Avx2, reverseAvx2, expandRunsAvx2, halveRowAvx2, halveIndexedAvx2};
const KernelSet Avx512{"avx512", shuffleAvx512, fill4Avx512, reverseAvx512, expandRunsAvx512, halveRowAvx512, halveIndexedAvx512};
} // namespace detail

} // namespace vtt::kernels

#endif
