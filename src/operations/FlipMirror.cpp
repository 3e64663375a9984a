#include "operations/FlipMirror.h"

#include "document/PixelKernels.h"

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

// The image as a grid over its pixel store.
Grid gridOf(ImageDocument& doc)
{
    return Grid{doc.pixels().data(), static_cast<std::size_t>(doc.ImageWidth()),
                static_cast<std::size_t>(doc.ImageHeight()), static_cast<std::size_t>(doc.pixelSize())};
}

} // namespace

void flipImage(ImageDocument& doc)
{
    const Grid grid = gridOf(doc);
    const std::size_t rowBytes = grid.width * grid.pixelSize;
    if (rowBytes == 0)
        return; // an image without columns has nothing to move, and no row to copy through
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
    const auto reverse = kernels::active().reverse;
    for (std::size_t r = 0; r < grid.height; ++r) {
        std::uint8_t* row = grid.data + r * rowBytes;
        reverse(row, grid.width, static_cast<int>(grid.pixelSize));
    }
}

} // namespace vtt
