#include "document/Resample.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

// The resizer's implementation lives here and nowhere else, private to this
// file. Its own asserts are off: it checks the same conditions again and
// answers with a failure, which is what a failed allocation must give.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#define STBIR_ASSERT(x) ((void)0)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wpedantic"
#include <stb/stb_image_resize.h>
#pragma GCC diagnostic pop

namespace vtt::resample {

namespace {

stbir_filter stbFilter(Filter filter)
{
    switch (filter) {
    case Filter::Box: return STBIR_FILTER_BOX;
    case Filter::Triangle: return STBIR_FILTER_TRIANGLE;
    case Filter::CatmullRom: return STBIR_FILTER_CATMULLROM;
    case Filter::Mitchell: break;
    }
    return STBIR_FILTER_MITCHELL;
}

Unexpected<Error> noMemory(int width, int height, std::size_t bytes)
{
    return unexpected(ErrorKind::OutOfMemory, notEnoughMemoryText("scale to", std::uint64_t(width),
                                                                  std::uint64_t(height), bytes));
}

// The source and the size asked for, checked before any memory is taken.
Result<void> checkScale(std::size_t held, int width, int height, int pixelSize, int toWidth, int toHeight)
{
    if (auto fits = checkSize(width, height); !fits)
        return unexpected(ErrorKind::Inconsistent, "the source image cannot be scaled: " + fits.error().detail);
    const std::size_t needed = std::size_t(width) * std::size_t(height) * std::size_t(pixelSize);
    if (held < needed)
        return unexpected(ErrorKind::Inconsistent, "the source image is " + std::to_string(width) + " x "
                                                       + std::to_string(height) + " but only " + std::to_string(held)
                                                       + " of its " + std::to_string(needed) + " bytes are held");
    return checkSize(toWidth, toHeight);
}

} // namespace

Result<void> checkSize(long width, long height)
{
    const std::string size = "a size of " + std::to_string(width) + " x " + std::to_string(height);
    if (width < 1 || height < 1)
        return unexpected(ErrorKind::BadValue, size + " has no pixels", "size");
    if (width > MaxSide || height > MaxSide)
        return unexpected(ErrorKind::BadValue,
                          size + " is larger than the " + std::to_string(MaxSide) + " x " + std::to_string(MaxSide)
                              + " a texture can hold",
                          "size");
    return {};
}

int nextPowerOfTwo(int side)
{
    int p = 1;
    while (p < side && p <= MaxSide)
        p *= 2;
    return p;
}

int previousPowerOfTwo(int side)
{
    int p = 1;
    while (p * 2 <= side && p <= MaxSide)
        p *= 2;
    return p;
}

Result<PixelArray> scaleRgba(std::span<const std::uint8_t> rgba, int width, int height, int toWidth, int toHeight,
                             Filter filter)
{
    VTT_CHECK(checkScale(rgba.size(), width, height, 4, toWidth, toHeight));
    const std::size_t bytes = std::size_t(toWidth) * std::size_t(toHeight) * 4;
    PixelArray out;
    if (!resizePixels(out, bytes))
        return noMemory(toWidth, toHeight, bytes);
    // sRGB-coded colour is filtered in linear light; alpha (channel 3) stays
    // linear and weights the colour. Edges repeat their pixels, as a texture
    // that is not tiled shows them.
    const stbir_filter f = stbFilter(filter);
    const float xScale = float(toWidth) / float(width), yScale = float(toHeight) / float(height);
    // Bands of output rows on threads of their own: each is the whole scale
    // shifted by its first row, reading the source rows it needs (edges
    // included) from the whole image, so the bands together give the very
    // rows one call would.
    const auto band = [&](int first, int rows) {
        return stbir_resize_subpixel(rgba.data(), width, height, 0, out.data() + std::size_t(first) * toWidth * 4,
                                     toWidth, rows, 0, STBIR_TYPE_UINT8, 4, 3, 0, STBIR_EDGE_CLAMP, STBIR_EDGE_CLAMP,
                                     f, f, STBIR_COLORSPACE_SRGB, nullptr, xScale, yScale, 0.0f, float(first));
    };
    const long work = long(toWidth) * toHeight + long(width) * height / 4;
    const int bands = std::clamp(int(std::min<long>(std::thread::hardware_concurrency(), work / 65536)), 1,
                                 std::min(8, toHeight));
    std::vector<int> done(std::size_t(bands), 0);
    std::vector<std::thread> threads;
    threads.reserve(std::size_t(bands));
    for (int b = 1; b < bands; ++b) {
        const int first = int(long(toHeight) * b / bands), rows = int(long(toHeight) * (b + 1) / bands) - first;
        try {
            threads.emplace_back([&, b, first, rows] { done[std::size_t(b)] = band(first, rows); });
        } catch (const std::system_error&) { // no thread to be had: this one does it
            done[std::size_t(b)] = band(first, rows);
        }
    }
    done[0] = band(0, int(long(toHeight) / bands));
    for (std::thread& t : threads)
        t.join();
    if (std::find(done.begin(), done.end(), 0) != done.end()) // its only failure left is its working memory
        return noMemory(toWidth, toHeight, bytes);
    return out;
}

Result<PixelArray> scaleIndices(std::span<const std::uint8_t> indices, int width, int height, int toWidth,
                                int toHeight)
{
    VTT_CHECK(checkScale(indices.size(), width, height, 1, toWidth, toHeight));
    const std::size_t bytes = std::size_t(toWidth) * std::size_t(toHeight);
    PixelArray out;
    if (!resizePixels(out, bytes))
        return noMemory(toWidth, toHeight, bytes);
    // Pixel centres map onto source pixel centres; integer steps, so a
    // halving takes every second pixel and a doubling repeats each.
    std::vector<std::size_t> column(static_cast<std::size_t>(toWidth));
    for (int x = 0; x < toWidth; ++x)
        column[std::size_t(x)] = std::size_t((2 * std::int64_t(x) + 1) * width / (2 * std::int64_t(toWidth)));
    std::uint8_t* dst = out.data();
    for (int y = 0; y < toHeight; ++y) {
        const std::size_t sy = std::size_t((2 * std::int64_t(y) + 1) * height / (2 * std::int64_t(toHeight)));
        const std::uint8_t* row = indices.data() + sy * std::size_t(width);
        for (int x = 0; x < toWidth; ++x)
            *dst++ = row[column[std::size_t(x)]];
    }
    return out;
}

} // namespace vtt::resample
