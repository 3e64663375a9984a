#include "operations/Quantize.h"

#include "codecs/PixelPacking.h"
#include "codecs/ReadResult.h"

#include <libimagequant.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace vtt::quantize {

namespace {

constexpr std::uint32_t OpaqueBit = 0xFF000000u; // alpha of a little-endian RGBA word

std::uint32_t pixelAt(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Colours seen so far and their entries: open addressing over a table four
// times the most colours allowed, so probes stay short and it never fills.
class ColourTable {
public:
    // Entry of `colour`, adding it if there is room; -1 when full.
    int find(std::uint32_t colour)
    {
        std::uint32_t slot = (colour * 0x9E3779B1u) >> (32 - Bits);
        while (entry_[slot] >= 0) {
            if (colour_[slot] == colour)
                return entry_[slot];
            slot = (slot + 1) & (Size - 1);
        }
        if (count_ == limit_)
            return -1;
        colour_[slot] = colour;
        entry_[slot] = static_cast<std::int16_t>(count_);
        order_[static_cast<std::size_t>(count_)] = colour;
        return count_++;
    }
    explicit ColourTable(int limit) : limit_(limit) { entry_.fill(-1); }
    int count() const { return count_; }
    std::uint32_t colour(int entry) const { return order_[static_cast<std::size_t>(entry)]; }

private:
    static constexpr int Bits = 10;
    static constexpr std::uint32_t Size = 1u << Bits;
    std::array<std::uint32_t, Size> colour_{};
    std::array<std::int16_t, Size> entry_{};
    std::array<std::uint32_t, PaletteEntries> order_{};
    int limit_;
    int count_ = 0;
};

void setUnusedOpaqueBlack(Indexed& out)
{
    for (std::size_t e = static_cast<std::size_t>(out.used); e < PaletteEntries; ++e) {
        out.palette[4 * e + 0] = out.palette[4 * e + 1] = out.palette[4 * e + 2] = 0;
        out.palette[4 * e + 3] = 255;
    }
}

// The image kept exactly when it has at most `limit` colours; false (and
// nothing kept) as soon as one more turns up.
bool keepExactly(std::span<const std::uint8_t> rgba, std::size_t n, int limit, bool withAlpha, Indexed& out)
{
    ColourTable table(limit);
    const std::uint32_t force = withAlpha ? 0 : OpaqueBit;
    std::uint8_t* dst = out.indices.data();
    for (std::size_t i = 0; i < n; ++i) {
        const int entry = table.find(pixelAt(rgba.data() + 4 * i) | force);
        if (entry < 0)
            return false;
        dst[i] = static_cast<std::uint8_t>(entry);
    }
    out.used = table.count();
    for (int e = 0; e < out.used; ++e) {
        const std::uint32_t colour = table.colour(e);
        std::memcpy(out.palette.data() + 4 * e, &colour, 4);
    }
    out.exact = true;
    return true;
}

struct AttrFree {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct ImageFree {
    void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct ResultFree {
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

// Rows handed to the quantizer with their alpha made opaque, for a palette
// without alpha; no copy of the image is made.
struct OpaqueRows {
    const std::uint8_t* pixels;
    int width;
};

void opaqueRow(liq_color rowOut[], int row, int width, void* user)
{
    const auto* rows = static_cast<const OpaqueRows*>(user);
    const std::uint8_t* src = rows->pixels + std::size_t(row) * std::size_t(rows->width) * 4;
    for (int x = 0; x < width; ++x, src += 4)
        rowOut[x] = liq_color{src[0], src[1], src[2], 255};
}

} // namespace

Result<Indexed> quantizeRgba(std::span<const std::uint8_t> rgba, int width, int height, const Options& options)
{
    if (options.colours < 2 || options.colours > PaletteEntries)
        return unexpected(ErrorKind::BadValue,
                          "the number of colours must be from 2 to 256, not " + std::to_string(options.colours),
                          "colours");
    if (width < 0 || height < 0)
        return unexpected(ErrorKind::Inconsistent, "the image has a negative size (" + std::to_string(width) + " x "
                                                       + std::to_string(height) + ")");
    const std::size_t n = std::size_t(width) * std::size_t(height);
    if (rgba.size() < 4 * n)
        return unexpected(ErrorKind::Inconsistent, "the image is " + std::to_string(width) + " x "
                                                       + std::to_string(height) + " but only "
                                                       + std::to_string(rgba.size() / 4) + " pixels are held");
    const auto noMemory = [&] {
        return unexpected(ErrorKind::OutOfMemory, notEnoughMemoryText("reduce the colours of", std::uint64_t(width),
                                                                      std::uint64_t(height), n));
    };
    Indexed out;
    if (!resizePixels(out.indices, n))
        return noMemory();
    if (keepExactly(rgba, n, options.colours, options.alphaInPalette, out)) {
        setUnusedOpaqueBlack(out);
        return out;
    }
    out.exact = false;

    const std::unique_ptr<liq_attr, AttrFree> attr(liq_attr_create());
    if (!attr || liq_set_max_colors(attr.get(), options.colours) != LIQ_OK)
        return noMemory();
    OpaqueRows rows{rgba.data(), width};
    const std::unique_ptr<liq_image, ImageFree> image(
        options.alphaInPalette ? liq_image_create_rgba(attr.get(), rgba.data(), width, height, 0)
                               : liq_image_create_custom(attr.get(), opaqueRow, &rows, width, height, 0));
    // The quantizer takes at most INT_MAX / 4 pixels (about 23170 x 23170).
    if (!image && n > std::size_t(std::numeric_limits<int>::max() / 4))
        return unexpected(ErrorKind::Inconsistent, "the colours of a " + std::to_string(width) + " x "
                                                       + std::to_string(height)
                                                       + " image cannot be reduced: the quantizer takes at most "
                                                       + std::to_string(std::numeric_limits<int>::max() / 4)
                                                       + " pixels");
    liq_result* made = nullptr;
    const liq_error quantized = image ? liq_image_quantize(image.get(), attr.get(), &made) : LIQ_OUT_OF_MEMORY;
    const std::unique_ptr<liq_result, ResultFree> result(made);
    if (quantized != LIQ_OK || !result) {
        if (quantized == LIQ_OUT_OF_MEMORY || !image)
            return noMemory();
        return unexpected(ErrorKind::Inconsistent,
                          "the colours could not be reduced (quantizer error " + std::to_string(int(quantized)) + ")");
    }
    liq_set_dithering_level(result.get(), options.dither == Dither::FloydSteinberg ? 1.0f : 0.0f);
    if (liq_write_remapped_image(result.get(), image.get(), out.indices.data(), n) != LIQ_OK)
        return noMemory();
    // Read after remapping, which may still refine the colours.
    const liq_palette* palette = liq_get_palette(result.get());
    out.used = static_cast<int>(palette->count);
    for (unsigned e = 0; e < palette->count; ++e) {
        const liq_color c = palette->entries[e];
        out.palette[4 * e + 0] = c.r;
        out.palette[4 * e + 1] = c.g;
        out.palette[4 * e + 2] = c.b;
        out.palette[4 * e + 3] = options.alphaInPalette ? c.a : 255;
    }
    setUnusedOpaqueBlack(out);
    return out;
}

void expandIndices(std::span<const std::uint8_t> indices, const std::array<std::uint8_t, PaletteBytes>& palette,
                   std::span<std::uint8_t> rgba)
{
    const std::size_t n = std::min(indices.size(), rgba.size() / 4);
    for (std::size_t i = 0; i < n; ++i)
        std::memcpy(rgba.data() + 4 * i, palette.data() + 4 * std::size_t(indices[i]), 4);
}

bool anyNotOpaque(std::span<const std::uint8_t> rgba)
{
    std::uint8_t all = 255;
    for (std::size_t i = 3; i < rgba.size(); i += 4)
        all &= rgba[i];
    return all != 255;
}

bool dropAlpha(std::span<const std::uint8_t> rgba, std::span<std::uint8_t> rgb)
{
    const std::size_t n = std::min(rgba.size() / 4, rgb.size() / 3);
    packing::toThreeBytes<false>(rgba.data(), rgb.data(), n);
    return anyNotOpaque(rgba.first(4 * n));
}

void addOpaqueAlpha(std::span<const std::uint8_t> rgb, std::span<std::uint8_t> rgba)
{
    const std::size_t n = std::min(rgb.size() / 3, rgba.size() / 4);
    packing::fromThreeBytes<false>(rgb.data(), rgba.data(), n);
}

} // namespace vtt::quantize
