#include "codecs/MipFilters.h"

#include "codecs/ReadResult.h"
#include "document/Resample.h"

#include <cmath>
#include <cstring>

namespace vtt::mip {

namespace {

constexpr int AlphaTest = 128;

std::size_t levelBytes(LevelSize full, int levels, std::size_t pixelSize)
{
    return (chainPixels(full.width, full.height, levels) - full.pixels()) * pixelSize;
}

// Scales the alpha of one level so that as nearly as its pixels allow the
// fraction `target` of them passes the alpha test. The pixels that should
// pass are those from some alpha t up, t chosen from the level's histogram
// so that their share lies nearest the target (nearest 128 on a tie);
// multiplying by 127.5 / (t - 0.5) puts exactly them at 128 or above and
// keeps the order of all alphas.
void keepCoverage(std::span<std::uint8_t> rgba, double target)
{
    std::array<std::size_t, 257> atLeast{}; // pixels with alpha >= a
    for (std::size_t i = 3; i < rgba.size(); i += 4)
        ++atLeast[rgba[i]];
    for (int a = 254; a >= 0; --a)
        atLeast[std::size_t(a)] += atLeast[std::size_t(a) + 1];
    const double wanted = target * static_cast<double>(rgba.size() / 4);
    int best = AlphaTest;
    double bestMiss = std::abs(static_cast<double>(atLeast[AlphaTest]) - wanted);
    for (int t = 1; t <= 256; ++t) {
        const double miss = std::abs(static_cast<double>(atLeast[std::size_t(t)]) - wanted);
        if (miss < bestMiss || (miss == bestMiss && std::abs(t - AlphaTest) < std::abs(best - AlphaTest))) {
            best = t;
            bestMiss = miss;
        }
    }
    if (best == AlphaTest)
        return;
    const double scale = (AlphaTest - 0.5) / (best - 0.5);
    std::array<std::uint8_t, 256> lut{};
    for (int a = 0; a < 256; ++a) {
        const int v = static_cast<int>(std::lround(a * scale));
        lut[std::size_t(a)] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
    }
    for (std::size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = lut[rgba[i]];
}

} // namespace

double alphaCoverage(std::span<const std::uint8_t> rgba)
{
    const std::size_t n = rgba.size() / 4;
    if (n == 0)
        return 0;
    std::size_t passing = 0;
    for (std::size_t i = 3; i < rgba.size(); i += 4)
        passing += rgba[i] >= AlphaTest;
    return static_cast<double>(passing) / static_cast<double>(n);
}

Result<PixelArray> linearLightLevels(std::span<const std::uint8_t> rgba, LevelSize full, int levels)
{
    PixelArray out;
    const std::size_t bytes = levels > 1 ? levelBytes(full, levels, 4) : 0;
    if (bytes == 0)
        return out;
    if (rgba.size() < 4 * full.pixels())
        return unexpected(ErrorKind::Inconsistent, "level 0 holds " + std::to_string(rgba.size() / 4) + " of its "
                                                       + std::to_string(full.pixels()) + " pixels");
    if (!resizePixels(out, bytes))
        return unexpected(ErrorKind::OutOfMemory,
                          notEnoughMemoryText("make the mip levels of", full.width, full.height, bytes));
    const double coverage = alphaCoverage(rgba.first(4 * full.pixels()));
    const bool alphaTested = coverage > 0 && coverage < 1;

    // The unadjusted level before, which the next is filtered from: the
    // adjusted alphas would compound from level to level.
    PixelArray previous;
    std::span<const std::uint8_t> source = rgba.first(4 * full.pixels());
    LevelSize size = full;
    std::size_t at = 0;
    for (int k = 1; k < levels; ++k) {
        const LevelSize next = halved(size);
        VTT_TRY(filtered, resample::scaleRgba(source, int(size.width), int(size.height), int(next.width),
                                              int(next.height), resample::Filter::Mitchell));
        const std::span<std::uint8_t> level(out.data() + at, 4 * next.pixels());
        std::memcpy(level.data(), filtered.data(), level.size());
        if (alphaTested)
            keepCoverage(level, coverage);
        previous = std::move(filtered);
        source = std::span<const std::uint8_t>(previous.data(), 4 * next.pixels());
        at += level.size();
        size = next;
    }
    return out;
}

Result<PixelArray> linearLightIndexedLevels(std::span<const std::uint8_t> indices, LevelSize full, int levels,
                                            const std::array<std::uint8_t, PaletteBytes>& palette)
{
    PixelArray out;
    const std::size_t bytes = levels > 1 ? levelBytes(full, levels, 1) : 0;
    if (bytes == 0)
        return out;
    if (indices.size() < full.pixels())
        return unexpected(ErrorKind::Inconsistent, "level 0 holds " + std::to_string(indices.size()) + " of its "
                                                       + std::to_string(full.pixels()) + " pixels");
    PixelArray colours;
    if (!resizePixels(colours, 4 * full.pixels()) || !resizePixels(out, bytes))
        return unexpected(ErrorKind::OutOfMemory, notEnoughMemoryText("make the mip levels of", full.width,
                                                                      full.height, 4 * full.pixels() + bytes));
    for (std::size_t i = 0; i < full.pixels(); ++i)
        std::memcpy(colours.data() + 4 * i, palette.data() + 4 * std::size_t(indices[i]), 4);
    VTT_TRY(colourLevels, linearLightLevels(colours, full, levels));
    colours = PixelArray();

    const std::uint8_t* before = indices.data();
    const std::uint8_t* target = colourLevels.data();
    std::uint8_t* dst = out.data();
    LevelSize size = full;
    for (int k = 1; k < levels; ++k) {
        const LevelSize next = halved(size);
        const std::size_t right = size.width > 1 ? 1 : 0, down = size.height > 1 ? size.width : 0;
        for (std::size_t y = 0; y < next.height; ++y) {
            const std::uint8_t* top = before + 2 * y * size.width;
            for (std::size_t x = 0; x < next.width; ++x, target += 4) {
                const std::uint8_t block[4] = {top[2 * x], top[2 * x + right], top[2 * x + down],
                                               top[2 * x + down + right]};
                std::uint8_t best = block[0];
                int bestDistance = -1;
                for (std::uint8_t entry : block) {
                    int d = 0;
                    for (int c = 0; c < 4; ++c) {
                        const int diff = int(palette[4 * std::size_t(entry) + std::size_t(c)]) - int(target[c]);
                        d += diff * diff;
                    }
                    if (bestDistance < 0 || d < bestDistance) {
                        best = entry;
                        bestDistance = d;
                    }
                }
                *dst++ = best;
            }
        }
        before = dst - next.pixels();
        size = next;
    }
    return out;
}

} // namespace vtt::mip
