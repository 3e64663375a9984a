// The SSSE3 versions (built with -mssse3): byte shuffles within 16 bytes.
// Kept where they beat the scalar reference clearly: the shuffles and the
// direct-colour mip rows. Fills (the scalar loop is as fast), Mirror's row
// reversal, run-length packets and palette mips take the reference on
// processors without AVX2.
#if defined(__x86_64__)

#include "document/PixelKernelsX86.h"

namespace vtt::kernels {

namespace {

using namespace x86;

// --- shuffles ---------------------------------------------------------------

void shuffleSsse3(const uint8_t* src, uint8_t* dst, std::size_t n, const PixelShuffle& s)
{
    const __m128i lanes = load16(s.lanes), set = load16(s.set);
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
    detail::Scalar.shuffle44(src + s.inSize * i, dst + s.outSize * i, n - i, s);
}

// --- fills ------------------------------------------------------------------

// --- direct-colour mip rows -------------------------------------------------

// Byte orders that put the same channel of two neighbouring pixels side by
inline __m128i pairSums(__m128i v, __m128i order)
{
    return _mm_maddubs_epi16(_mm_shuffle_epi8(v, order), _mm_set1_epi8(1));
}

// (top pair + bottom pair + 2) / 4, per 16-bit lane.
inline __m128i average(__m128i top, __m128i bottom)
{
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(top, bottom), _mm_set1_epi16(2)), 2);
}

void halveRowSsse3(const uint8_t* top, const uint8_t* bottom, std::size_t right, uint8_t* dst,
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

} // namespace

namespace detail {
const KernelSet Ssse3{"ssse3", shuffleSsse3, shuffleSsse3, shuffleSsse3, nullptr, nullptr, nullptr, nullptr,
                      halveRowSsse3, nullptr};
} // namespace detail

} // namespace vtt::kernels

#endif
