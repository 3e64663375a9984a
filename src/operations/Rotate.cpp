#include "operations/Rotate.h"

#include "document/PixelKernels.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define VTT_ROTATE_SSE2 1
#endif

namespace vtt {

namespace {

// Where pixel (x, y) of a w x h image lands in the image turned a quarter,
// which is h wide: clockwise, row y becomes column h-1-y; counter-clockwise,
// column x becomes row w-1-x.
struct Turn {
    std::size_t w = 0;
    std::size_t h = 0;
    bool clockwise = true;
    std::size_t to(std::size_t x, std::size_t y) const { return clockwise ? x * h + (h - 1 - y) : (w - 1 - x) * h + y; }
};

template <std::size_t Size>
void turnScalar(const std::uint8_t* src, std::uint8_t* dst, const Turn& t, std::size_t x0, std::size_t x1,
                std::size_t y0, std::size_t y1)
{
    for (std::size_t y = y0; y < y1; ++y)
        for (std::size_t x = x0; x < x1; ++x)
            std::memcpy(dst + t.to(x, y) * Size, src + (y * t.w + x) * Size, Size);
}

#ifdef VTT_ROTATE_SSE2

// One block of N x N pixels of Size bytes (N * Size = 16) at (x, y), in N
// vectors. The rows are loaded bottom up for a clockwise turn, so that each
// transposed vector is a destination row segment in order; destination rows
// follow each other downwards for a clockwise turn, upwards otherwise. Every loop runs
// a fixed count and is unrolled, so the block lives in registers.
template <std::size_t Size, bool Clockwise>
void turnBlock(const std::uint8_t* src, std::uint8_t* dst, const Turn& t, std::size_t x, std::size_t y)
{
    constexpr std::size_t N = 16 / Size;
    const std::ptrdiff_t srcStep = std::ptrdiff_t(t.w * Size) * (Clockwise ? -1 : 1);
    const std::ptrdiff_t dstStep = std::ptrdiff_t(t.h * Size) * (Clockwise ? 1 : -1);
    const std::uint8_t* from = src + ((Clockwise ? y + N - 1 : y) * t.w + x) * Size;
    std::uint8_t* to = dst + (Clockwise ? x * t.h + (t.h - N - y) : (t.w - 1 - x) * t.h + y) * Size;
    __m128i a[N];
#pragma GCC unroll 16
    for (std::size_t i = 0; i < N; ++i)
        a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + std::ptrdiff_t(i) * srcStep));
    if constexpr (Size == 4) {
        const __m128i t0 = _mm_unpacklo_epi32(a[0], a[1]), t1 = _mm_unpacklo_epi32(a[2], a[3]);
        const __m128i t2 = _mm_unpackhi_epi32(a[0], a[1]), t3 = _mm_unpackhi_epi32(a[2], a[3]);
        a[0] = _mm_unpacklo_epi64(t0, t1);
        a[1] = _mm_unpackhi_epi64(t0, t1);
        a[2] = _mm_unpacklo_epi64(t2, t3);
        a[3] = _mm_unpackhi_epi64(t2, t3);
    } else {
        // Four rounds that interleave row i with row i + 8: each rotates the
        // bits of (row, column) by one, so after four row and column have
        // changed places.
#pragma GCC unroll 4
        for (int round = 0; round < 4; ++round) {
            __m128i b[N];
#pragma GCC unroll 8
            for (std::size_t i = 0; i < N / 2; ++i) {
                b[2 * i] = _mm_unpacklo_epi8(a[i], a[i + N / 2]);
                b[2 * i + 1] = _mm_unpackhi_epi8(a[i], a[i + N / 2]);
            }
#pragma GCC unroll 16
            for (std::size_t i = 0; i < N; ++i)
                a[i] = b[i];
        }
    }
#pragma GCC unroll 16
    for (std::size_t k = 0; k < N; ++k)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + std::ptrdiff_t(k) * dstStep), a[k]);
}

#endif

// Blocks are walked a tile at a time, so that the lines a tile reads and
// writes stay in cache until they are used up; the edges that do not fill
// a block go pixel by pixel. The tile shapes are the fastest measured at
// 256, 1024 and 4096 pixels square, where every row starts at the same
// cache set: RGBA in tiles 8 pixels wide (half a line) and 64 high, a row
// of blocks at a time; indices in tiles of 256 x 256, a column of blocks at
// a time, so that each destination row gets whole lines.
template <std::size_t Size, bool Clockwise>
void turnQuarter(const std::uint8_t* src, std::uint8_t* dst, const Turn& t)
{
#ifdef VTT_ROTATE_SSE2
    constexpr std::size_t N = 16 / Size;
    constexpr std::size_t TileWide = Size == 4 ? 8 : 256, TileHigh = Size == 4 ? 64 : 256;
    const std::size_t wFull = t.w - t.w % N, hFull = t.h - t.h % N;
    for (std::size_t ty = 0; ty < hFull; ty += TileHigh)
        for (std::size_t tx = 0; tx < wFull; tx += TileWide) {
            const std::size_t yEnd = std::min(ty + TileHigh, hFull), xEnd = std::min(tx + TileWide, wFull);
            if constexpr (Size == 4) {
                for (std::size_t y = ty; y < yEnd; y += N)
                    for (std::size_t x = tx; x < xEnd; x += N)
                        turnBlock<Size, Clockwise>(src, dst, t, x, y);
            } else {
                for (std::size_t x = tx; x < xEnd; x += N)
                    for (std::size_t y = ty; y < yEnd; y += N)
                        turnBlock<Size, Clockwise>(src, dst, t, x, y);
            }
        }
    turnScalar<Size>(src, dst, t, wFull, t.w, 0, t.h);
    turnScalar<Size>(src, dst, t, 0, wFull, hFull, t.h);
#else
    turnScalar<Size>(src, dst, t, 0, t.w, 0, t.h);
#endif
}

} // namespace

int clockwiseDegrees(int degrees, bool left)
{
    if (degrees != 90 && degrees != 180 && degrees != 270)
        return 0;
    return left ? 360 - degrees : degrees;
}

Result<bool> rotateImage(ImageDocument& doc, int clockwise)
{
    if ((clockwise != 90 && clockwise != 180 && clockwise != 270) || doc.empty())
        return false;
    const std::size_t w = static_cast<std::size_t>(doc.ImageWidth()), h = static_cast<std::size_t>(doc.ImageHeight());
    const std::span<std::uint8_t> pixels = doc.pixels();
    const int size = doc.pixelSize();

    // A half turn reverses the order of all pixels, in place.
    if (clockwise == 180) {
        kernels::active().reverse(pixels.data(), w * h, size);
        return true;
    }

    PixelArray turned;
    VTT_CHECK(resizePixels(turned, pixels.size()));
    const Turn t{w, h, clockwise == 90};
    const auto turn = size == 4 ? (t.clockwise ? turnQuarter<4, true> : turnQuarter<4, false>)
                                : (t.clockwise ? turnQuarter<1, true> : turnQuarter<1, false>);
    turn(pixels.data(), turned.data(), t);
    VTT_CHECK(doc.exchangeSides(std::move(turned)));
    return true;
}

} // namespace vtt
