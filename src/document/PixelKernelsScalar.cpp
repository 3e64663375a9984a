// The scalar reference of every pixel kernel: plain code for any processor,
// and what each vector version is tested against.

#include "document/PixelKernels.h"

#include <cstring>
#include <utility>

namespace vtt::kernels {

namespace {

void shuffleScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t n, const PixelShuffle& s)
{
    const std::size_t in = s.inSize, out = s.outSize;
    for (std::size_t i = 0; i < n; ++i, src += in, dst += out) {
        std::uint8_t pixel[4]; // a copy first: src may be dst
        std::memcpy(pixel, src, in);
        for (std::size_t k = 0; k < out; ++k)
            dst[k] = s.from[k] == PixelShuffle::Opaque ? 255 : pixel[s.from[k]];
    }
}

void fill4Scalar(std::uint8_t* dst, const std::uint8_t* pixel, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i, dst += 4)
        std::memcpy(dst, pixel, 4);
}

void reverseScalar(std::uint8_t* row, std::size_t n, int pixelSize)
{
    const std::size_t size = static_cast<std::size_t>(pixelSize);
    for (std::size_t i = 0, j = n; i + 1 < j--; ++i)
        for (std::size_t k = 0; k < size; ++k)
            std::swap(row[i * size + k], row[j * size + k]);
}

std::size_t expandRunsScalar(const std::uint8_t* src, std::size_t size, std::uint8_t* dst, std::size_t n,
                             const PixelShuffle& s, std::size_t& done)
{
    std::size_t pos = 0;
    done = 0;
    while (done < n && pos < size) {
        const std::uint8_t head = src[pos];
        std::size_t count = (head & 0x7Fu) + 1u;
        if (count > n - done)
            count = n - done;
        const bool run = head & 0x80u;
        const std::size_t stored = run ? s.inSize : count * s.inSize;
        if (size - pos - 1 < stored)
            break;
        std::uint8_t* out = dst + 4 * done;
        if (run) {
            std::uint8_t pixel[4];
            shuffleScalar(src + pos + 1, pixel, 1, s);
            fill4Scalar(out, pixel, count);
        } else {
            shuffleScalar(src + pos + 1, out, count, s);
        }
        pos += 1 + stored;
        done += count;
    }
    return pos;
}

void halveRowScalar(const std::uint8_t* top, const std::uint8_t* bottom, std::size_t right, std::uint8_t* dst,
                    std::size_t n, int channels)
{
    const std::size_t size = static_cast<std::size_t>(channels);
    for (std::size_t x = 0; x < n; ++x, top += 2 * size, bottom += 2 * size, dst += size) {
        for (std::size_t c = 0; c < size; ++c) {
            const unsigned sum = top[c] + top[c + right] + bottom[c] + bottom[c + right];
            // +2 before the quarter: exact halves round up.
            dst[c] = static_cast<std::uint8_t>((sum + 2) >> 2);
        }
    }
}

// Squared distance of a palette colour, times four, from the block average
// given as channel sums: comparing 4 * colour with the sum keeps it exact.
inline int distance(const std::uint8_t* colour, const int* sum)
{
    int d = 0;
    for (int c = 0; c < 4; ++c) {
        const int diff = 4 * colour[c] - sum[c];
        d += diff * diff;
    }
    return d;
}

void halveIndexedScalar(const std::uint8_t* src, std::size_t width, std::size_t height, const std::uint8_t* palette,
                        std::uint8_t* dst)
{
    detail::forEachBlockRow(src, width, height, dst,
                            [palette](const std::uint8_t* top, const std::uint8_t* bottom, std::size_t right,
                                      std::uint8_t* out, std::size_t n) {
                                detail::halveIndexedRowScalar(top, bottom, right, palette, out, n);
                            });
}

} // namespace

namespace detail {
void halveIndexedRowScalar(const std::uint8_t* top, const std::uint8_t* bottom, std::size_t right,
                           const std::uint8_t* palette, std::uint8_t* dst, std::size_t n)
{
    for (std::size_t x = 0; x < n; ++x, top += 2, bottom += 2) {
        const std::uint8_t entry[4] = {top[0], top[right], bottom[0], bottom[right]};
        const std::uint8_t* colour[4];
        int sum[4] = {0, 0, 0, 0};
        for (int k = 0; k < 4; ++k) {
            colour[k] = palette + 4 * entry[k];
            for (int c = 0; c < 4; ++c)
                sum[c] += colour[k][c];
        }
        // Strictly nearer only, so a tie keeps the earlier pixel.
        std::uint8_t best = entry[0];
        int bestDistance = distance(colour[0], sum);
        for (int k = 1; k < 4; ++k) {
            const int d = distance(colour[k], sum);
            best = d < bestDistance ? entry[k] : best;
            bestDistance = d < bestDistance ? d : bestDistance;
        }
        dst[x] = best;
    }
}

const KernelSet Scalar{"scalar",       shuffleScalar,    shuffleScalar,  shuffleScalar,
                        fill4Scalar,    reverseScalar,    expandRunsScalar, expandRunsScalar,
                        halveRowScalar, halveIndexedScalar};
} // namespace detail


} // namespace vtt::kernels
