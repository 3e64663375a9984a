#include "codecs/MipChain.h"

namespace vtt::mip {

LevelSize levelSize(std::size_t width, std::size_t height, int level)
{
    LevelSize size{width, height};
    for (int k = 0; k < level && (size.width | size.height) != 0; ++k)
        size = halved(size);
    return size;
}

std::size_t chainPixels(std::size_t width, std::size_t height, int count)
{
    std::size_t total = 0;
    LevelSize size{width, height};
    for (int k = 0; k < count; ++k) {
        total += size.pixels();
        size = halved(size);
    }
    return total;
}

namespace {

// The second pixel of a block is one step right (or down) unless that side is
// a single pixel. Otherwise 2 * (side / 2) never passes the side, so no block
// reads beyond its level and no test per pixel is needed.
struct Block {
    std::size_t right;
    std::size_t down;
};

Block blockSteps(LevelSize from, std::size_t pixelSize)
{
    return {from.width > 1 ? pixelSize : 0, from.height > 1 ? from.width * pixelSize : 0};
}

template <int Channels>
void halveRows(const std::uint8_t* src, LevelSize from, std::uint8_t* dst, LevelSize to)
{
    const Block step = blockSteps(from, Channels);
    const std::size_t srcRow = from.width * Channels;
    for (std::size_t y = 0; y < to.height; ++y) {
        const std::uint8_t* top = src + 2 * y * srcRow;
        const std::uint8_t* bottom = top + step.down;
        for (std::size_t x = 0; x < to.width; ++x, top += 2 * Channels, bottom += 2 * Channels, dst += Channels) {
            for (int c = 0; c < Channels; ++c) {
                const unsigned sum = top[c] + top[c + step.right] + bottom[c] + bottom[c + step.right];
                // +2 before the quarter: exact halves round up.
                dst[c] = static_cast<std::uint8_t>((sum + 2) >> 2);
            }
        }
    }
}

} // namespace

void halveDirect(std::span<const std::uint8_t> src, LevelSize from, int channels, std::span<std::uint8_t> dst)
{
    const LevelSize to = halved(from);
    const std::size_t size = static_cast<std::size_t>(channels);
    if (to.pixels() == 0 || src.size() < from.pixels() * size || dst.size() < to.pixels() * size)
        return;
    if (channels == 4)
        halveRows<4>(src.data(), from, dst.data(), to);
    else if (channels == 3)
        halveRows<3>(src.data(), from, dst.data(), to);
}

namespace {

// Squared distance of a palette colour, times four, from the block average
// given as channel sums: comparing 4 * colour with the sum keeps it exact.
inline int distance(const std::uint8_t* colour, const int* sum)
{
    const int r = 4 * colour[0] - sum[0];
    const int g = 4 * colour[1] - sum[1];
    const int b = 4 * colour[2] - sum[2];
    const int a = 4 * colour[3] - sum[3];
    return r * r + g * g + b * b + a * a;
}

} // namespace

void halveIndexed(std::span<const std::uint8_t> src, LevelSize from,
                  const std::array<std::uint8_t, PaletteBytes>& palette, std::span<std::uint8_t> dst)
{
    const LevelSize to = halved(from);
    if (to.pixels() == 0 || src.size() < from.pixels() || dst.size() < to.pixels())
        return;
    const Block step = blockSteps(from, 1);
    const std::uint8_t* pal = palette.data();
    std::uint8_t* out = dst.data();
    for (std::size_t y = 0; y < to.height; ++y) {
        const std::uint8_t* top = src.data() + 2 * y * from.width;
        const std::uint8_t* bottom = top + step.down;
        for (std::size_t x = 0; x < to.width; ++x, top += 2, bottom += 2) {
            const std::uint8_t e0 = top[0], e1 = top[step.right], e2 = bottom[0], e3 = bottom[step.right];
            // Plain areas are the common case and need no search.
            if (e0 == e1 && e0 == e2 && e0 == e3) {
                *out++ = e0;
                continue;
            }
            const std::uint8_t* c0 = pal + 4 * e0;
            const std::uint8_t* c1 = pal + 4 * e1;
            const std::uint8_t* c2 = pal + 4 * e2;
            const std::uint8_t* c3 = pal + 4 * e3;
            const int sum[4] = {c0[0] + c1[0] + c2[0] + c3[0], c0[1] + c1[1] + c2[1] + c3[1],
                                c0[2] + c1[2] + c2[2] + c3[2], c0[3] + c1[3] + c2[3] + c3[3]};
            // Strictly nearer only, so a tie keeps the earlier pixel.
            std::uint8_t best = e0;
            int bestDistance = distance(c0, sum);
            if (const int d = distance(c1, sum); d < bestDistance) {
                bestDistance = d;
                best = e1;
            }
            if (const int d = distance(c2, sum); d < bestDistance) {
                bestDistance = d;
                best = e2;
            }
            if (distance(c3, sum) < bestDistance)
                best = e3;
            *out++ = best;
        }
    }
}

} // namespace vtt::mip
