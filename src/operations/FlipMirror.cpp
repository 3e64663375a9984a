#include "operations/FlipMirror.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vtt {

namespace {

struct Grid {
    std::uint8_t* data = nullptr;
    std::size_t width = 0;
    std::size_t height = 0;
    std::size_t pixelSize = 0; // 1 for palette indices, 4 for RGBA
};

// The image as a grid over the array BitDepth selects; height 0 when there is
// nothing that can be rearranged safely.
Grid gridOf(ImageDocument& doc)
{
    Grid grid;
    if (doc.ImageWidth <= 0 || doc.ImageHeight <= 0)
        return grid;
    const std::size_t width = static_cast<std::size_t>(doc.ImageWidth);
    const std::size_t height = static_cast<std::size_t>(doc.ImageHeight);
    if (width * height > usablePixels(doc))
        return grid;
    grid.width = width;
    grid.height = height;
    if (doc.isPaletted()) {
        grid.data = doc.PixelIndices.data();
        grid.pixelSize = 1;
    } else {
        grid.data = doc.PixelBytes.data();
        grid.pixelSize = 4;
    }
    return grid;
}

// Reverses whole 4-byte pixels; memcpy keeps it free of aliasing tricks and
// compiles to plain 32-bit moves.
void reverseRgbaRow(std::uint8_t* row, std::size_t width)
{
    std::uint8_t* left = row;
    std::uint8_t* right = row + 4 * (width - 1);
    while (left < right) {
        std::uint32_t a, b;
        std::memcpy(&a, left, 4);
        std::memcpy(&b, right, 4);
        std::memcpy(left, &b, 4);
        std::memcpy(right, &a, 4);
        left += 4;
        right -= 4;
    }
}

// Reverses a row of palette indices eight at a time from both ends: a
// byte-by-byte reverse is several times slower than the memory it touches.
void reverseIndexRow(std::uint8_t* row, std::size_t width)
{
    std::uint8_t* lo = row;
    std::uint8_t* hi = row + width;
    while (hi - lo >= 16) {
        hi -= 8;
        std::uint64_t a, b;
        std::memcpy(&a, lo, 8);
        std::memcpy(&b, hi, 8);
        a = __builtin_bswap64(a);
        b = __builtin_bswap64(b);
        std::memcpy(lo, &b, 8);
        std::memcpy(hi, &a, 8);
        lo += 8;
    }
    std::reverse(lo, hi);
}

} // namespace

void flipImage(ImageDocument& doc)
{
    const Grid grid = gridOf(doc);
    const std::size_t rowBytes = grid.width * grid.pixelSize;
    // Whole rows change places through a one-row spare; the middle row of
    // an odd height stays where it is.
    std::vector<std::uint8_t> spare(rowBytes);
    for (std::size_t top = 0; top < grid.height / 2; ++top) {
        std::uint8_t* a = grid.data + top * rowBytes;
        std::uint8_t* b = grid.data + (grid.height - 1 - top) * rowBytes;
        std::memcpy(spare.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, spare.data(), rowBytes);
    }
}

void mirrorImage(ImageDocument& doc)
{
    const Grid grid = gridOf(doc);
    const std::size_t rowBytes = grid.width * grid.pixelSize;
    for (std::size_t r = 0; r < grid.height; ++r) {
        std::uint8_t* row = grid.data + r * rowBytes;
        if (grid.pixelSize == 1)
            reverseIndexRow(row, grid.width);
        else
            reverseRgbaRow(row, grid.width);
    }
}

} // namespace vtt
