// The AVX2 versions (built with -mavx2): 32-byte vectors, byte shuffles
// within each 16-byte lane, gathers for the palette mips.
#if defined(__x86_64__)

#include "document/PixelKernelsX86.h"

namespace vtt::kernels {

namespace {

using namespace x86;


// Eight pixels from src to dst.
template <int In, int Out>
inline void shuffle8(const uint8_t* src, uint8_t* dst, __m256i lanes, __m256i set)
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
void shuffleRun(const uint8_t* src, uint8_t* dst, std::size_t n, const PixelShuffle& s)
{
    const __m256i lanes = _mm256_broadcastsi128_si256(load16(s.lanes));
    const __m256i set = _mm256_broadcastsi128_si256(load16(s.set));
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8)
        shuffle8<In, Out>(src + In * i, dst + Out * i, lanes, set);
    if (i == n)
        return;
    if (n >= 8 && src != dst)
        shuffle8<In, Out>(src + In * (n - 8), dst + Out * (n - 8), lanes, set);
    else
        detail::Scalar.shuffle44(src + In * i, dst + Out * i, n - i, s);
}

void shuffleAvx2(const uint8_t* src, uint8_t* dst, std::size_t n, const PixelShuffle& s)
{
    if (is(s, 4, 4))
        shuffleRun<4, 4>(src, dst, n, s);
    else if (is(s, 3, 4))
        shuffleRun<3, 4>(src, dst, n, s);
    else if (is(s, 4, 3))
        shuffleRun<4, 3>(src, dst, n, s);
    else
        detail::Scalar.shuffle44(src, dst, n, s);
}


void fill4Avx2(uint8_t* dst, const uint8_t* pixel, std::size_t n)
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

inline __m256i reversed(__m256i v, int pixelSize)
{
    if (pixelSize == 4)
        return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
    const __m256i inLane = _mm256_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11,
                                            10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    return _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, inLane), _MM_SHUFFLE(1, 0, 3, 2));
}

void reverseAvx2(uint8_t* row, std::size_t n, int pixelSize)
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


// A packet may write whole groups of eight past its own pixels while the
// image has room, and read whole groups past its stored bytes while the
// data has them: the next packets overwrite the excess. Only near either
// end does it fall back to the exact versions.
template <int In>
std::size_t expandRunsOf(const uint8_t* src, std::size_t size, uint8_t* dst, std::size_t n,
                                  const PixelShuffle& s, std::size_t& done)
{
    const __m256i lanes = _mm256_broadcastsi128_si256(load16(s.lanes));
    const __m256i set = _mm256_broadcastsi128_si256(load16(s.set));
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

std::size_t expandRunsAvx2(const uint8_t* src, std::size_t size, uint8_t* dst, std::size_t n,
                                    const PixelShuffle& s, std::size_t& done)
{
    if (is(s, 4, 4))
        return expandRunsOf<4>(src, size, dst, n, s, done);
    if (is(s, 3, 4))
        return expandRunsOf<3>(src, size, dst, n, s, done);
    return detail::Scalar.expandRuns4(src, size, dst, n, s, done);
}


inline __m256i pairSums(__m256i v, __m256i order)
{
    return _mm256_maddubs_epi16(_mm256_shuffle_epi8(v, order), _mm256_set1_epi8(1));
}

inline __m256i average(__m256i top, __m256i bottom)
{
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(top, bottom), _mm256_set1_epi16(2)), 2);
}

void halveRowAvx2(const uint8_t* top, const uint8_t* bottom, std::size_t right, uint8_t* dst, std::size_t n,
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
inline __m256i distances(__m256i colours, __m256i sumLow, __m256i sumHigh)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = _mm256_sub_epi16(_mm256_slli_epi16(_mm256_unpacklo_epi8(colours, zero), 2), sumLow);
    const __m256i high = _mm256_sub_epi16(_mm256_slli_epi16(_mm256_unpackhi_epi8(colours, zero), 2), sumHigh);
    return _mm256_hadd_epi32(_mm256_madd_epi16(low, low), _mm256_madd_epi16(high, high));
}

// Eight blocks at a time: the four entries of each block in 32-bit lanes,
// their colours gathered from the palette, the nearest chosen with masks.
void halveIndexedRowAvx2(const uint8_t* top, const uint8_t* bottom, std::size_t right,
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

void halveIndexedAvx2(const uint8_t* src, std::size_t width, std::size_t height, const uint8_t* palette,
                               uint8_t* dst)
{
    detail::forEachBlockRow(src, width, height, dst,
                            [palette](const uint8_t* top, const uint8_t* bottom, std::size_t right, uint8_t* out,
                                      std::size_t n) { halveIndexedRowAvx2(top, bottom, right, palette, out, n); });
}

} // namespace

namespace detail {
// No 3 to 4 or 4 to 3 byte shuffle (SSSE3's are as fast) and no fill (the
// scalar loop is as fast); the first and the fill stay inside the run-length
// versions.
const KernelSet Avx2{"avx2",         nullptr,        shuffleAvx2,  nullptr,         nullptr, reverseAvx2,
                     expandRunsAvx2, expandRunsAvx2, halveRowAvx2, halveIndexedAvx2};
} // namespace detail

} // namespace vtt::kernels

#endif
