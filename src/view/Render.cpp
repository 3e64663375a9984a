#include "view/Render.h"

#include "codecs/PixelPacking.h"
#include "widgets/ColourValue.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace vtt {

namespace {

// The image index each picture column or row shows, -1 outside the image.
// The mapping only grows, so the inside is one run [first, last).
struct Run {
    std::vector<int> at;
    int first = 0, last = 0;
};

template <typename Map>
Run runOf(int start, int count, int limit, Map map)
{
    Run run;
    run.at.resize(static_cast<std::size_t>(std::max(count, 0)));
    run.first = count;
    for (int i = 0; i < count; ++i) {
        const int v = map(start + i);
        const bool inside = v >= 0 && v < limit;
        run.at[static_cast<std::size_t>(i)] = inside ? v : -1;
        if (inside) {
            run.first = std::min(run.first, i);
            run.last = i + 1;
        }
    }
    if (run.first > run.last)
        run.first = run.last = 0;
    return run;
}

} // namespace

ImageExtent extentOf(const ImageDocument& doc)
{
    const std::size_t pixels = usablePixels(doc);
    if (doc.ImageWidth <= 0 || pixels == 0)
        return {};
    const std::size_t rows = (pixels + doc.ImageWidth - 1) / doc.ImageWidth;
    return {doc.ImageWidth, static_cast<int>(rows)};
}

void renderView(const ImageDocument& doc, const ViewTransform& view, PictureRect part, std::uint32_t* canvas,
                std::ptrdiff_t stride, std::uint32_t background)
{
    if (part.width <= 0 || part.height <= 0)
        return;
    const ImageExtent extent = extentOf(doc);
    const std::size_t pixels = usablePixels(doc);
    const Run columns = runOf(part.left, part.width, extent.width, [&](int x) { return view.columnAt(x); });
    const Run rows = runOf(part.top, part.height, extent.height, [&](int y) { return view.rowAt(y); });

    std::array<std::uint32_t, PaletteEntries> lut;
    if (doc.isPaletted())
        for (int c = 0; c < PaletteEntries; ++c)
            lut[c] = argbOf(colourValue(doc.Palette[4 * c], doc.Palette[4 * c + 1], doc.Palette[4 * c + 2]));

    for (int r = 0; r < part.height; ++r) {
        std::uint32_t* dst = canvas + r * stride;
        const int row = rows.at[static_cast<std::size_t>(r)];
        if (r > 0 && row == rows.at[static_cast<std::size_t>(r) - 1]) {
            // Zoomed in, picture rows repeat image rows: copy the one above.
            std::memcpy(dst, dst - stride, static_cast<std::size_t>(part.width) * 4);
            continue;
        }
        if (row < 0 || columns.first == columns.last) {
            std::fill(dst, dst + part.width, background);
            continue;
        }
        const std::size_t rowStart = static_cast<std::size_t>(row) * extent.width;
        // Only the last row can be short, and only if the array is.
        const int held = static_cast<int>(std::min<std::size_t>(extent.width, pixels - rowStart));
        const int* col = columns.at.data();
        int end = columns.last;
        while (end > columns.first && col[end - 1] >= held)
            --end;
        std::fill(dst, dst + columns.first, background);
        std::fill(dst + end, dst + part.width, background);
        // At 1:1 the columns are consecutive: a plain run the compiler can
        // vectorise.
        const int offset = end > columns.first && col[end - 1] - col[columns.first] == end - 1 - columns.first
            ? col[columns.first] - columns.first
            : -1;
        if (doc.isPaletted()) {
            const std::uint8_t* src = doc.PixelIndices.data() + rowStart;
            if (offset >= 0)
                for (int x = columns.first; x < end; ++x)
                    dst[x] = lut[src[x + offset]];
            else
                for (int x = columns.first; x < end; ++x)
                    dst[x] = lut[src[col[x]]];
        } else {
            // A pixel's RGBA bytes read as one word become the screen's
            // opaque 0xAARRGGBB by trading red and blue: the colour rule,
            // word-wide.
            const std::uint8_t* src = doc.PixelBytes.data() + 4 * rowStart;
            const auto pixel = [src](int i) {
                std::uint32_t v;
                std::memcpy(&v, src + 4 * static_cast<std::size_t>(i), 4);
                return packing::swapRedBlue(v) | 0xFF000000u;
            };
            if (offset >= 0)
                for (int x = columns.first; x < end; ++x)
                    dst[x] = pixel(x + offset);
            else
                for (int x = columns.first; x < end; ++x)
                    dst[x] = pixel(col[x]);
        }
    }
}

std::optional<PixelUnder> pixelUnder(const ImageDocument& doc, const ViewTransform& view, int x, int y)
{
    const ImageExtent extent = extentOf(doc);
    const int column = view.columnAt(x), row = view.rowAt(y);
    if (column < 0 || row < 0 || column >= extent.width || row >= extent.height)
        return std::nullopt;
    const std::size_t n = static_cast<std::size_t>(row) * extent.width + column;
    if (n >= usablePixels(doc))
        return std::nullopt;
    PixelUnder p{column, row};
    const std::uint8_t* bytes = nullptr;
    if (doc.isPaletted()) {
        p.paletteIndex = doc.PixelIndices[n];
        bytes = doc.Palette.data() + 4 * p.paletteIndex;
    } else {
        bytes = doc.PixelBytes.data() + 4 * n;
    }
    p.red = bytes[0];
    p.green = bytes[1];
    p.blue = bytes[2];
    p.alpha = bytes[3];
    return p;
}

} // namespace vtt
