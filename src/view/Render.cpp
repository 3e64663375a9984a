#include "view/Render.h"

#include "codecs/PixelPacking.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>
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

constexpr std::uint32_t Opaque = 0xFF000000u;

std::uint32_t grey(std::uint32_t level) { return Opaque | level * 0x010101u; }

// The screen word of a pixel stored as a little-endian RGBA word.
template <ChannelMode Mode>
std::uint32_t shade(std::uint32_t v)
{
    switch (Mode) {
    case ChannelMode::Colour: return packing::swapRedBlue(v) | Opaque;
    case ChannelMode::Checkerboard: return packing::swapRedBlue(v); // alpha kept for the composite
    case ChannelMode::Red: return grey(v & 0xFF);
    case ChannelMode::Green: return grey((v >> 8) & 0xFF);
    case ChannelMode::Blue: return grey((v >> 16) & 0xFF);
    case ChannelMode::Alpha: return grey(v >> 24);
    }
    return v;
}

// round(t / 255) for t up to 255 * 255, exactly.
std::uint32_t div255(std::uint32_t t)
{
    t += 128;
    return (t + (t >> 8)) >> 8;
}

typedef std::uint8_t Bytes16 __attribute__((vector_size(16)));
typedef std::uint16_t Words16 __attribute__((vector_size(32)));

void overCheckerOne(std::uint32_t& word, int x, int y)
{
    const std::uint32_t v = word, a = v >> 24, g = checker::greyAt(x, y);
    std::uint32_t out = Opaque;
    for (int shift = 0; shift < 24; shift += 8)
        out |= div255(((v >> shift) & 0xFF) * a + g * (255 - a)) << shift;
    word = out;
}

// Composites `count` 0xAARRGGBB words over the checkerboard and makes them
// opaque; `x`, `y` are the first word's picture coordinates. Four pixels a
// step, with the compiler's portable vectors, from a picture column that is
// a multiple of four, so that each step lies on one square. Built for AVX2
// as well as plain x86-64, picked when the program loads.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void overChecker(std::uint32_t* row, int count, int x, int y)
{
    int i = 0;
    for (; i < count && ((x + i) & 3) != 0; ++i)
        overCheckerOne(row[i], x + i, y);
    for (; i + 4 <= count; i += 4) {
        Bytes16 px;
        std::memcpy(&px, row + i, 16);
        const Words16 c = __builtin_convertvector(px, Words16);
        const Words16 a = __builtin_shufflevector(c, c, 3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15);
        const std::uint16_t g = checker::greyAt(x + i, y);
        Words16 shown = c * a + g * (255 - a) + 128; // div255, lane by lane
        shown = (shown + (shown >> 8)) >> 8;
        Bytes16 out = __builtin_convertvector(shown, Bytes16);
        out |= Bytes16{0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
        std::memcpy(row + i, &out, 16);
    }
    for (; i < count; ++i)
        overCheckerOne(row[i], x + i, y);
}

template <ChannelMode Mode>
void shadeRow(const std::uint8_t* src, std::uint32_t* dst, int first, int end, int offset, const int* col)
{
    const auto pixel = [src](int i) {
        std::uint32_t v;
        std::memcpy(&v, src + 4 * static_cast<std::size_t>(i), 4);
        return shade<Mode>(v);
    };
    if (offset >= 0)
        for (int x = first; x < end; ++x)
            dst[x] = pixel(x + offset);
    else
        for (int x = first; x < end; ++x)
            dst[x] = pixel(col[x]);
}

using ShadeRow = void (*)(const std::uint8_t*, std::uint32_t*, int, int, int, const int*);

ShadeRow shadeRowFor(ChannelMode mode)
{
    switch (mode) {
    case ChannelMode::Colour: return shadeRow<ChannelMode::Colour>;
    case ChannelMode::Checkerboard: return shadeRow<ChannelMode::Checkerboard>;
    case ChannelMode::Red: return shadeRow<ChannelMode::Red>;
    case ChannelMode::Green: return shadeRow<ChannelMode::Green>;
    case ChannelMode::Blue: return shadeRow<ChannelMode::Blue>;
    case ChannelMode::Alpha: return shadeRow<ChannelMode::Alpha>;
    }
    return shadeRow<ChannelMode::Colour>;
}

std::uint32_t shadeOf(ChannelMode mode, std::uint32_t v)
{
    switch (mode) {
    case ChannelMode::Colour: return shade<ChannelMode::Colour>(v);
    case ChannelMode::Checkerboard: return shade<ChannelMode::Checkerboard>(v);
    case ChannelMode::Red: return shade<ChannelMode::Red>(v);
    case ChannelMode::Green: return shade<ChannelMode::Green>(v);
    case ChannelMode::Blue: return shade<ChannelMode::Blue>(v);
    case ChannelMode::Alpha: return shade<ChannelMode::Alpha>(v);
    }
    return v;
}

// The rounded mean of four RGBA words, channel by channel: (sum + 2) / 4,
// two channels a step in the halves of a word.
inline std::uint32_t mean4(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d)
{
    constexpr std::uint32_t Lanes = 0x00FF00FFu, Half = 0x00020002u;
    const std::uint32_t low = (a & Lanes) + (b & Lanes) + (c & Lanes) + (d & Lanes) + Half;
    const std::uint32_t high = ((a >> 8) & Lanes) + ((b >> 8) & Lanes) + ((c >> 8) & Lanes) + ((d >> 8) & Lanes) + Half;
    return ((low >> 2) & Lanes) | (((high >> 2) & Lanes) << 8);
}

// Halves `width` x `height` pixels, read as at(x, y), into `out`.
template <class At>
void halve(int width, int height, At at, ViewPyramid::Level& out)
{
    out.width = (width + 1) / 2;
    out.height = (height + 1) / 2;
    out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    std::uint32_t* dst = out.pixels.data();
    for (int y = 0; y < out.height; ++y) {
        const int y0 = 2 * y, y1 = std::min(2 * y + 1, height - 1);
        for (int x = 0; x < out.width; ++x) {
            const int x0 = 2 * x, x1 = std::min(2 * x + 1, width - 1);
            *dst++ = mean4(at(x0, y0), at(x1, y0), at(x0, y1), at(x1, y1));
        }
    }
}

std::uint32_t wordAt(const std::uint8_t* bytes, std::size_t index)
{
    std::uint32_t v;
    std::memcpy(&v, bytes + 4 * index, 4);
    return v;
}

// The level pixel each picture column (or row) shows, -1 outside the image:
// picture coordinate i shows level coordinate centreAt(i) / unit.
template <class CentreAt>
std::vector<int> levelIndices(const Run& inside, int count, int limit, double unit, CentreAt centreAt)
{
    std::vector<int> at(static_cast<std::size_t>(count), -1);
    for (int i = inside.first; i < inside.last; ++i)
        at[static_cast<std::size_t>(i)] = std::clamp(static_cast<int>(std::floor(centreAt(i) / unit)), 0, limit - 1);
    return at;
}

template <class F>
void withMode(ChannelMode mode, F f)
{
    switch (mode) {
    case ChannelMode::Colour: return f(std::integral_constant<ChannelMode, ChannelMode::Colour>{});
    case ChannelMode::Checkerboard: return f(std::integral_constant<ChannelMode, ChannelMode::Checkerboard>{});
    case ChannelMode::Red: return f(std::integral_constant<ChannelMode, ChannelMode::Red>{});
    case ChannelMode::Green: return f(std::integral_constant<ChannelMode, ChannelMode::Green>{});
    case ChannelMode::Blue: return f(std::integral_constant<ChannelMode, ChannelMode::Blue>{});
    case ChannelMode::Alpha: return f(std::integral_constant<ChannelMode, ChannelMode::Alpha>{});
    }
}

// Below 1:1: each picture pixel shows a pixel of the largest half-size
// level whose pixels are at least a picture pixel wide, whose pixels are
// the means of the image's.
void renderSmooth(const ImageDocument& doc, const ViewTransform& view, PictureRect part, std::uint32_t* canvas,
                  std::ptrdiff_t stride, std::uint32_t background, ChannelMode mode, const ViewPyramid& pyramid)
{
    const ImageExtent extent = extentOf(doc);
    // The first level whose pixels are no smaller than the screen's: a
    // smaller one would be sampled sparsely and alias again.
    const int wanted = static_cast<int>(std::ceil(std::log2(1 / view.scale()) - 1e-9));
    const int number = std::clamp(wanted, 1, pyramid.count());
    const ViewPyramid::Level& level = pyramid.level(number);
    const double unit = std::ldexp(1.0, number); // image pixels a level pixel covers

    // The same inside as the nearest pixels have, so the image keeps its edges.
    const Run columns = runOf(part.left, part.width, extent.width, [&](int x) { return view.columnAt(x); });
    const Run rows = runOf(part.top, part.height, extent.height, [&](int y) { return view.rowAt(y); });
    const std::vector<int> across = levelIndices(columns, part.width, level.width, unit,
                                                 [&](int i) { return view.imageXAt(part.left + i + 0.5); });
    const std::vector<int> down = levelIndices(rows, part.height, level.height, unit,
                                               [&](int i) { return view.imageYAt(part.top + i + 0.5); });

    withMode(mode, [&](auto shown) {
        constexpr ChannelMode Mode = decltype(shown)::value;
        for (int r = 0; r < part.height; ++r) {
            std::uint32_t* dst = canvas + r * stride;
            const int row = down[static_cast<std::size_t>(r)];
            if (row < 0 || columns.first == columns.last) {
                std::fill(dst, dst + part.width, background);
                continue;
            }
            std::fill(dst, dst + columns.first, background);
            std::fill(dst + columns.last, dst + part.width, background);
            const std::uint32_t* src = level.pixels.data() + static_cast<std::size_t>(row) * level.width;
            const int* col = across.data();
            for (int x = columns.first; x < columns.last; ++x)
                dst[x] = shade<Mode>(src[col[x]]);
            if (Mode == ChannelMode::Checkerboard)
                overChecker(dst + columns.first, columns.last - columns.first, part.left + columns.first, part.top + r);
        }
    });
}

} // namespace

bool ViewPyramid::build(const ImageDocument& doc)
{
    levels_.clear();
    const ImageExtent extent = extentOf(doc);
    if (extent.width <= 1 && extent.height <= 1)
        return true;
    try {
        Level first;
        const std::uint8_t* bytes = doc.pixels().data();
        const std::size_t w = static_cast<std::size_t>(extent.width);
        if (doc.isPaletted()) {
            std::array<std::uint32_t, PaletteEntries> lut;
            std::memcpy(lut.data(), doc.Palette().data(), sizeof lut);
            halve(extent.width, extent.height, [&](int x, int y) { return lut[bytes[y * w + x]]; }, first);
        } else {
            halve(extent.width, extent.height, [&](int x, int y) { return wordAt(bytes, y * w + x); }, first);
        }
        levels_.push_back(std::move(first));
        while (levels_.back().width > 1 || levels_.back().height > 1) {
            const Level& last = levels_.back();
            Level next;
            halve(last.width, last.height,
                  [&last](int x, int y) { return last.pixels[static_cast<std::size_t>(y) * last.width + x]; }, next);
            levels_.push_back(std::move(next));
        }
    } catch (const std::bad_alloc&) {
        levels_.clear();
        return false;
    }
    return true;
}

ImageExtent extentOf(const ImageDocument& doc)
{
    if (doc.empty())
        return {};
    return {doc.ImageWidth(), doc.ImageHeight()};
}

void renderView(const ImageDocument& doc, const ViewTransform& view, PictureRect part, std::uint32_t* canvas,
                std::ptrdiff_t stride, std::uint32_t background, ChannelMode mode, const ViewPyramid* pyramid)
{
    if (part.width <= 0 || part.height <= 0)
        return;
    if (pyramid && pyramid->count() > 0 && view.scale() < 1 - 1e-9 && !doc.empty())
        return renderSmooth(doc, view, part, canvas, stride, background, mode, *pyramid);
    const ImageExtent extent = extentOf(doc);
    const Run columns = runOf(part.left, part.width, extent.width, [&](int x) { return view.columnAt(x); });
    const Run rows = runOf(part.top, part.height, extent.height, [&](int y) { return view.rowAt(y); });

    // A palette image shows each entry as a direct-colour pixel would.
    std::array<std::uint32_t, PaletteEntries> lut;
    if (doc.isPaletted())
        for (int c = 0; c < PaletteEntries; ++c) {
            std::uint32_t v;
            std::memcpy(&v, doc.Palette().data() + 4 * c, 4);
            lut[c] = shadeOf(mode, v);
        }
    const ShadeRow shadeDirect = shadeRowFor(mode);
    const bool checkered = mode == ChannelMode::Checkerboard;

    for (int r = 0; r < part.height; ++r) {
        std::uint32_t* dst = canvas + r * stride;
        const int row = rows.at[static_cast<std::size_t>(r)];
        const int y = part.top + r;
        if (r > 0 && row == rows.at[static_cast<std::size_t>(r) - 1]
            && (!checkered || y % checker::Square != 0)) {
            // Zoomed in, picture rows repeat image rows: copy the one above
            // (unless a new row of checkerboard squares starts).
            std::memcpy(dst, dst - stride, static_cast<std::size_t>(part.width) * 4);
            continue;
        }
        if (row < 0 || columns.first == columns.last) {
            std::fill(dst, dst + part.width, background);
            continue;
        }
        const std::size_t rowStart = static_cast<std::size_t>(row) * extent.width;
        const int* col = columns.at.data();
        const int end = columns.last;
        std::fill(dst, dst + columns.first, background);
        std::fill(dst + end, dst + part.width, background);
        // At 1:1 the columns are consecutive: a plain run the compiler can
        // vectorise.
        const int offset = end > columns.first && col[end - 1] - col[columns.first] == end - 1 - columns.first
            ? col[columns.first] - columns.first
            : -1;
        if (doc.isPaletted()) {
            const std::uint8_t* src = doc.PixelIndices().data() + rowStart;
            if (offset >= 0)
                for (int x = columns.first; x < end; ++x)
                    dst[x] = lut[src[x + offset]];
            else
                for (int x = columns.first; x < end; ++x)
                    dst[x] = lut[src[col[x]]];
        } else {
            // A pixel's RGBA bytes read as one word become the screen's
            // 0xAARRGGBB by trading red and blue: the colour rule, word-wide.
            shadeDirect(doc.PixelBytes().data() + 4 * rowStart, dst, columns.first, end, offset, col);
        }
        if (checkered)
            overChecker(dst + columns.first, end - columns.first, part.left + columns.first, y);
    }
}

std::optional<PixelUnder> pixelUnder(const ImageDocument& doc, const ViewTransform& view, int x, int y)
{
    const ImageExtent extent = extentOf(doc);
    const int column = view.columnAt(x), row = view.rowAt(y);
    if (column < 0 || row < 0 || column >= extent.width || row >= extent.height)
        return std::nullopt;
    const std::size_t n = static_cast<std::size_t>(row) * extent.width + column;
    PixelUnder p{column, row};
    const std::uint8_t* bytes = nullptr;
    if (doc.isPaletted()) {
        p.paletteIndex = doc.PixelIndices()[n];
        bytes = doc.Palette().data() + 4 * p.paletteIndex;
    } else {
        bytes = doc.PixelBytes().data() + 4 * n;
    }
    p.red = bytes[0];
    p.green = bytes[1];
    p.blue = bytes[2];
    p.alpha = bytes[3];
    return p;
}

} // namespace vtt
