#pragma once

#include "document/ImageDocument.h"
#include "view/ViewTransform.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace vtt {

// The image's extent as the view sees it: rows are counted from the pixels
// the selected array really holds.
struct ImageExtent {
    int width = 0;
    int height = 0;
};
ImageExtent extentOf(const ImageDocument& doc);

// A part of the picture: `width` x `height` picture pixels from (left, top).
struct PictureRect {
    int left = 0, top = 0, width = 0, height = 0;
};

// Draws that part of the picture into `canvas` (0xAARRGGBB words, rows
// `stride` words apart), straight from the document's arrays: each picture
// pixel shows the image pixel the view maps it to (nearest neighbour, so
// zoomed pixels are sharp squares), or `background` outside the image.
// The cost follows the picture's size, never the image's. Alpha is never
// shown.
void renderView(const ImageDocument& doc, const ViewTransform& view, PictureRect part, std::uint32_t* canvas,
                std::ptrdiff_t stride, std::uint32_t background);

// The image pixel under picture pixel (x, y), as stored.
struct PixelUnder {
    int x = 0, y = 0;
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 0;
    int paletteIndex = -1; // -1 for a direct-colour image
};
std::optional<PixelUnder> pixelUnder(const ImageDocument& doc, const ViewTransform& view, int x, int y);

} // namespace vtt
