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
            const std::uint8_t block[4] = {top[0], top[step.right], bottom[0], bottom[step.right]};
            if (block[0] == block[1] && block[0] == block[2] && block[0] == block[3]) {
                *out++ = block[0];
                continue;
            }
            int sum[4] = {0, 0, 0, 0};
            for (const std::uint8_t entry : block)
                for (int c = 0; c < 4; ++c)
                    sum[c] += pal[4 * entry + c];
            // Distances to the average are compared as 4 * colour - sum, which
            // keeps them exact without dividing.
            std::uint8_t best = block[0];
            int bestDistance = -1;
            for (const std::uint8_t entry : block) {
                int distance = 0;
                for (int c = 0; c < 4; ++c) {
                    const int d = 4 * pal[4 * entry + c] - sum[c];
                    distance += d * d;
                }
                if (bestDistance < 0 || distance < bestDistance) {
                    bestDistance = distance;
                    best = entry;
                }
            }
            *out++ = best;
        }
    }
}

} // namespace vtt::mip
