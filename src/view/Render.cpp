#include "view/Render.h"

#include "codecs/PixelPacking.h"
#include "widgets/ColourValue.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vtt {

void renderDocument(const ImageDocument& doc, std::uint32_t* canvas, int width, int height, std::ptrdiff_t stride)
{
    const int imageWidth = doc.ImageWidth;
    const std::size_t pixels = usablePixels(doc);
    if (imageWidth <= 0 || pixels == 0 || width <= 0 || height <= 0)
        return;
    const std::size_t rows = (pixels + imageWidth - 1) / imageWidth;
    const int visibleRows = static_cast<int>(std::min<std::size_t>(rows, static_cast<std::size_t>(height)));
    const int visibleColumns = std::min(imageWidth, width);

    if (doc.isPaletted()) {
        std::array<std::uint32_t, PaletteEntries> lut;
        for (int c = 0; c < PaletteEntries; ++c)
            lut[c] = argbOf(colourValue(doc.Palette[4 * c], doc.Palette[4 * c + 1], doc.Palette[4 * c + 2]));
        for (int y = 0; y < visibleRows; ++y) {
            const std::size_t first = static_cast<std::size_t>(y) * imageWidth;
            const int columns = static_cast<int>(std::min<std::size_t>(visibleColumns, pixels - first));
            const std::uint8_t* src = doc.PixelIndices.data() + first;
            std::uint32_t* dst = canvas + y * stride;
            for (int x = 0; x < columns; ++x)
                dst[x] = lut[src[x]];
        }
        return;
    }
    for (int y = 0; y < visibleRows; ++y) {
        const std::size_t first = static_cast<std::size_t>(y) * imageWidth;
        const int columns = static_cast<int>(std::min<std::size_t>(visibleColumns, pixels - first));
        const std::uint8_t* src = doc.PixelBytes.data() + 4 * first;
        std::uint32_t* dst = canvas + y * stride;
        // A pixel's RGBA bytes read as one word become the screen's opaque
        // 0xAARRGGBB by trading red and blue: the colour rule, word-wide.
        for (int x = 0; x < columns; ++x, src += 4) {
            std::uint32_t v;
            std::memcpy(&v, src, 4);
            dst[x] = packing::swapRedBlue(v) | 0xFF000000u;
        }
    }
}

} // namespace vtt
