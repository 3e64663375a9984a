#include "codecs/MipChain.h"

#include "document/PixelKernels.h"

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

} // namespace

void halveDirect(std::span<const std::uint8_t> src, LevelSize from, int channels, std::span<std::uint8_t> dst)
{
    const LevelSize to = halved(from);
    const std::size_t size = static_cast<std::size_t>(channels);
    if (to.pixels() == 0 || (channels != 3 && channels != 4) || src.size() < from.pixels() * size
        || dst.size() < to.pixels() * size)
        return;
    const Block step = blockSteps(from, size);
    const auto halveRow = kernels::active().halveRow;
    for (std::size_t y = 0; y < to.height; ++y) {
        const std::uint8_t* top = src.data() + 2 * y * from.width * size;
        halveRow(top, top + step.down, step.right, dst.data() + y * to.width * size, to.width, channels);
    }
}

void halveIndexed(std::span<const std::uint8_t> src, LevelSize from,
                  const std::array<std::uint8_t, PaletteBytes>& palette, std::span<std::uint8_t> dst)
{
    const LevelSize to = halved(from);
    if (to.pixels() == 0 || src.size() < from.pixels() || dst.size() < to.pixels())
        return;
    kernels::active().halveIndexed(src.data(), from.width, from.height, palette.data(), dst.data());
}

} // namespace vtt::mip
