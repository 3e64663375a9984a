#include "document/Resample.h"

#include <algorithm>
#include <cstdio>
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

// Worded as the readers and writers word it, so every "not enough memory"
// reads alike.
std::string noMemory(long width, long height, std::size_t bytes)
{
    char size[32];
    const double mib = static_cast<double>(bytes) / (1024.0 * 1024.0);
    if (mib >= 1024.0)
        std::snprintf(size, sizeof size, "%.1f GiB", mib / 1024.0);
    else
        std::snprintf(size, sizeof size, "%.1f MiB", mib);
    return "not enough memory to scale to a " + std::to_string(width) + " x " + std::to_string(height) + " image ("
        + size + ")";
}

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

std::optional<std::string> refuseInput(std::size_t held, int width, int height, int pixelSize)
{
    if (auto refused = refuseSize(width, height))
        return "the source image cannot be scaled: " + *refused;
    const std::size_t needed = std::size_t(width) * std::size_t(height) * std::size_t(pixelSize);
    if (held < needed)
        return "the source image is " + std::to_string(width) + " x " + std::to_string(height) + " but only "
            + std::to_string(held) + " of its " + std::to_string(needed) + " bytes are held";
    return std::nullopt;
}

} // namespace

std::optional<std::string> refuseSize(long width, long height)
{
    if (width < 1 || height < 1)
        return "a size of " + std::to_string(width) + " x " + std::to_string(height) + " has no pixels";
    if (width > MaxSide || height > MaxSide)
        return "a size of " + std::to_string(width) + " x " + std::to_string(height) + " is larger than the "
            + std::to_string(MaxSide) + " x " + std::to_string(MaxSide) + " a texture can hold";
    return std::nullopt;
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

std::optional<std::string> scaleRgba(std::span<const std::uint8_t> rgba, int width, int height, int toWidth,
                                     int toHeight, Filter filter, PixelArray& out)
{
    out = PixelArray();
    if (auto refused = refuseInput(rgba.size(), width, height, 4))
        return refused;
    if (auto refused = refuseSize(toWidth, toHeight))
        return refused;
    const std::size_t bytes = std::size_t(toWidth) * std::size_t(toHeight) * 4;
    if (!resizeOrEmpty(out, bytes))
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
    if (std::find(done.begin(), done.end(), 0) != done.end()) { // its only failure left is its working memory
        out = PixelArray();
        return noMemory(toWidth, toHeight, bytes);
    }
    return std::nullopt;
}

std::optional<std::string> scaleIndices(std::span<const std::uint8_t> indices, int width, int height, int toWidth,
                                        int toHeight, PixelArray& out)
{
    out = PixelArray();
    if (auto refused = refuseInput(indices.size(), width, height, 1))
        return refused;
    if (auto refused = refuseSize(toWidth, toHeight))
        return refused;
    const std::size_t bytes = std::size_t(toWidth) * std::size_t(toHeight);
    if (!resizeOrEmpty(out, bytes))
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
    return std::nullopt;
}

} // namespace vtt::resample
