// The AVX-512 versions (built with -mavx512bw -mavx512vl -mavx512vbmi
// -mavx512vnni): one byte permute across 64 bytes, masked loads and stores
// at the ends, 4-byte dot products for the palette mips.

// GCC 12's AVX-512 headers start some intrinsics from an undefined vector,
// which its own flow analysis then reports.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#if defined(__x86_64__)

#include "document/PixelKernelsX86.h"

namespace vtt::kernels {

namespace {

using namespace x86;


inline void shuffle16(const uint8_t* src, uint8_t* dst, std::size_t pixels, std::size_t in,
                                 std::size_t out, __m512i wide, __m512i set)
{
    const __m512i v = _mm512_maskz_loadu_epi8(firstBytes(pixels * in), src);
    _mm512_mask_storeu_epi8(dst, firstBytes(pixels * out), _mm512_or_si512(_mm512_permutexvar_epi8(wide, v), set));
}

// Whole groups without masks, which cost extra on some processors; 4-byte
// output stores all 64 bytes, 3-byte output 48 of them.
template <int In, int Out>
void shuffleGroups(const uint8_t* src, uint8_t* dst, std::size_t n, __m512i wide, __m512i set)
{
    std::size_t i = 0;
    // 3-byte input reads whole 64-byte vectors while 16 more bytes follow
    // the group's 48, and masked loads only near the end: on large images
    // the masked loads measured much slower.
    if constexpr (In == 3)
        for (; i + 22 <= n; i += 16) {
            const __m512i r = _mm512_or_si512(_mm512_permutexvar_epi8(wide, _mm512_loadu_si512(src + 3 * i)), set);
            _mm512_storeu_si512(dst + 4 * i, r);
        }
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

void shuffleAvx512(const uint8_t* src, uint8_t* dst, std::size_t n, const PixelShuffle& s)
{
    const __m512i wide = _mm512_load_si512(s.wide), set = _mm512_load_si512(s.wideSet);
    if (is(s, 4, 4))
        shuffleGroups<4, 4>(src, dst, n, wide, set);
    else if (is(s, 3, 4))
        shuffleGroups<3, 4>(src, dst, n, wide, set);
    else if (is(s, 4, 3))
        shuffleGroups<4, 3>(src, dst, n, wide, set);
    else
        detail::Scalar.shuffle44(src, dst, n, s);
}

std::size_t expandRunsAvx512(const uint8_t* src, std::size_t size, uint8_t* dst, std::size_t n,
                                        const PixelShuffle& s, std::size_t& done)
{
    if (s.outSize != 4 || (s.inSize != 3 && s.inSize != 4))
        return detail::Scalar.expandRuns4(src, size, dst, n, s, done);
    const __m512i wide = _mm512_load_si512(s.wide), set = _mm512_load_si512(s.wideSet);
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
                shuffle16(data + in * i, out + 4 * i, smaller(16, count - i), in, 4, wide, set);
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
struct Order {
    alignas(64) uint8_t bytes[64];
};

constexpr Order pairOrder(int channels)
{
    Order order{};
    for (std::size_t o = 0; o < 8; ++o)
        for (std::size_t c = 0; c < static_cast<std::size_t>(channels); ++c) {
            const std::size_t at = 2 * (o * static_cast<std::size_t>(channels) + c);
            order.bytes[at] = static_cast<uint8_t>(2 * o * static_cast<std::size_t>(channels) + c);
            order.bytes[at + 1] = static_cast<uint8_t>(order.bytes[at] + channels);
        }
    return order;
}
constexpr Order PairOrder4 = pairOrder(4);
constexpr Order PairOrder3 = pairOrder(3);

// 16 pixels of a row: 64 bytes, or 48 without reading past them.
template <int Channels>
inline __m512i load16Pixels(const uint8_t* row)
{
    if constexpr (Channels == 4)
        return _mm512_loadu_si512(row);
    return _mm512_inserti32x4(_mm512_castsi256_si512(load32(row)), load16(row + 32), 2);
}

inline __m256i averages(__m512i top, __m512i bottom, __m512i order)
{
    const __m512i ones = _mm512_set1_epi8(1);
    const __m512i sums = _mm512_add_epi16(_mm512_maddubs_epi16(_mm512_permutexvar_epi8(order, top), ones),
                                          _mm512_maddubs_epi16(_mm512_permutexvar_epi8(order, bottom), ones));
    return _mm512_cvtepi16_epi8(_mm512_srli_epi16(_mm512_add_epi16(sums, _mm512_set1_epi16(2)), 2));
}

template <int Channels>
void halveRowOf(const uint8_t* top, const uint8_t* bottom, uint8_t* dst, std::size_t n)
{
    const __m512i order = _mm512_load_si512(Channels == 4 ? PairOrder4.bytes : PairOrder3.bytes);
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

void halveRowAvx512(const uint8_t* top, const uint8_t* bottom, std::size_t right, uint8_t* dst,
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

inline __m512i lookUp(const __m512i* quarters, __m512i entries, __mmask64 upperHalf)
{
    const __m512i low = _mm512_permutex2var_epi8(quarters[0], entries, quarters[1]);
    const __m512i high = _mm512_permutex2var_epi8(quarters[2], entries, quarters[3]);
    return _mm512_mask_blend_epi8(upperHalf, low, high);
}

// The four colours of 64 entries as RGBA words, in four vectors of 16.
// Unpacking within 128-bit lanes puts entry 16L + 4g + j (lane L) in
// vector g, word 4L + j.
inline void coloursOf(const PalettePlanes& p, __m512i entries, __m512i* colour)
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

constexpr Order evenOf128()
{
    Order order{};
    for (std::size_t i = 0; i < 64; ++i)
        order.bytes[i] = static_cast<uint8_t>(2 * i);
    return order;
}
constexpr Order EvenOf128 = evenOf128();

void halveIndexedRowAvx512(const uint8_t* top, const uint8_t* bottom, const PalettePlanes& planes,
                                      uint8_t* dst, std::size_t n)
{
    const __m512i even = _mm512_load_si512(EvenOf128.bytes);
    const __m512i odd = _mm512_add_epi8(even, _mm512_set1_epi8(1));
    const __m512i signFlip = _mm512_set1_epi8(static_cast<char>(0x80)), reverse = _mm512_set1_epi8(0x7F);
    const __m512i minus127 = _mm512_set1_epi8(-127), minus126 = _mm512_set1_epi8(-126);
    for (std::size_t x = 0; x < n; x += 64) {
        const std::size_t blocks = smaller(64, n - x);
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

void halveIndexedAvx512(const uint8_t* src, std::size_t width, std::size_t height, const uint8_t* palette,
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

} // namespace

namespace detail {
// No fill (the scalar loop is as fast) and no row reversal (AVX2's is as
// fast): neither won clearly.
const KernelSet Avx512{"avx512",         shuffleAvx512,    shuffleAvx512,  shuffleAvx512, nullptr, nullptr,
                       expandRunsAvx512, expandRunsAvx512, halveRowAvx512, halveIndexedAvx512};
} // namespace detail

} // namespace vtt::kernels

#endif
