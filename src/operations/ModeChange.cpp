#include "operations/ModeChange.h"

#include "codecs/TexFormat.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace vtt {

namespace {

bool indexedMode(ColourMode mode) { return mode == ColourMode::Indexed256 || mode == ColourMode::Indexed16; }

Result<void> checkOptions(ColourMode mode, const quantize::Options& options)
{
    const int most = mode == ColourMode::Indexed16 ? quantize::SixteenColours : PaletteEntries;
    if (options.colours < 2 || options.colours > most)
        return unexpected(ErrorKind::BadValue,
                          "the number of colours must be from 2 to " + std::to_string(most) + ", not "
                              + std::to_string(options.colours),
                          "colours");
    return {};
}

void makeOpaque(std::span<std::uint8_t> rgba)
{
    for (std::size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = 255;
}

} // namespace

bool losesAlpha(const ImageDocument& doc)
{
    switch (modeOf(doc)) {
    case ColourMode::Rgb: return false;
    case ColourMode::Rgba: return quantize::anyNotOpaque(doc.PixelBytes());
    case ColourMode::Indexed256:
    case ColourMode::Indexed16: break;
    }
    std::array<bool, PaletteEntries> used{};
    for (std::uint8_t index : doc.PixelIndices())
        used[index] = true;
    for (std::size_t e = 0; e < PaletteEntries; ++e)
        if (used[e] && doc.Palette()[4 * e + 3] != 255)
            return true;
    return false;
}

Result<std::optional<ImageDocument>> changeMode(const ImageDocument& doc, ColourMode mode,
                                                const quantize::Options& options)
{
    if (indexedMode(mode))
        VTT_CHECK(checkOptions(mode, options));
    if (!doc.isPaletted() && doc.BitDepth() != 24 && doc.BitDepth() != 32)
        return std::optional<ImageDocument>(); // nothing opened
    const ColourMode from = modeOf(doc);
    const int width = doc.ImageWidth(), height = doc.ImageHeight();
    if (from == mode) {
        if (!indexedMode(mode))
            return std::optional<ImageDocument>();
        const auto indices = doc.PixelIndices();
        if (indices.empty() || *std::max_element(indices.begin(), indices.end()) < options.colours)
            return std::optional<ImageDocument>();
    }

    // The picture as RGBA, the form every mode converts through.
    PixelArray expanded;
    std::span<const std::uint8_t> rgba = doc.PixelBytes();
    if (doc.isPaletted()) {
        if (auto sized = resizePixels(expanded, 4 * doc.area()); !sized)
            return unexpected(ErrorKind::OutOfMemory,
                              notEnoughMemoryText("change the mode of", width, height, 4 * doc.area()));
        quantize::expandIndices(doc.PixelIndices(), doc.Palette(), expanded);
        rgba = expanded;
    }

    const std::int16_t type = texTypeOfMode(mode, from == mode ? doc.Facts.Tex.Type : std::int16_t(0));
    if (!indexedMode(mode)) {
        VTT_TRY(made, ImageDocument::create(width, height, mode == ColourMode::Rgb ? 24 : 32, doc.Palette()));
        std::copy(rgba.begin(), rgba.end(), made.PixelBytes().begin());
        if (mode == ColourMode::Rgb || from == ColourMode::Rgb)
            makeOpaque(made.PixelBytes());
        made.Facts.Tex.Type = type;
        return std::optional<ImageDocument>(std::move(made));
    }

    quantize::Options reduce = options;
    if (from == ColourMode::Rgb) // its alpha bytes are not part of the picture
        reduce.alphaInPalette = false;
    VTT_TRY(indexed, quantize::quantizeRgba(rgba, width, height, reduce));
    expanded = PixelArray();
    VTT_TRY(made, ImageDocument::create(width, height, PaletteDepth, indexed.palette));
    std::copy(indexed.indices.begin(), indexed.indices.end(), made.PixelIndices().begin());
    made.Facts.Tex.Type = type;
    return std::optional<ImageDocument>(std::move(made));
}

Result<bool> ModeCommand::apply(ImageDocument& doc, std::size_t keepAtMost)
{
    if (swap_.applied())
        return swap_.exchange(doc);
    VTT_TRY(made, changeMode(doc, mode_, options_));
    if (!made)
        return false;
    swap_.replace(doc, std::move(*made), keepAtMost);
    return true;
}

Result<bool> ModeCommand::revert(ImageDocument& doc) { return swap_.exchange(doc); }

Result<bool> TexTypeCommand::apply(ImageDocument& doc, std::size_t)
{
    if (doc.Facts.Tex.Type == other_)
        return false;
    std::swap(doc.Facts.Tex.Type, other_);
    return true;
}

Result<bool> TexTypeCommand::revert(ImageDocument& doc)
{
    std::swap(doc.Facts.Tex.Type, other_);
    return true;
}

Result<void> chooseTexType(const ImageDocument& doc, int type, quantize::Options options, const RunStep& run)
{
    if (!writableTexType(type))
        return unexpected(ErrorKind::Unwritable, "TEX type " + std::to_string(type)
                                                     + " cannot be written; the types are 1, 14, 15, 17 and 18");
    const ColourMode mode = modeForTexType(type);
    if (mode == ColourMode::Indexed16)
        options.colours = std::min(options.colours, int(quantize::SixteenColours));
    if (modeOf(doc) != mode)
        VTT_CHECK(run(std::make_unique<ModeCommand>(mode, options)));
    // `doc` is the document the steps change.
    if (modeOf(doc) == mode && fittingTexType(doc) != type)
        VTT_CHECK(run(std::make_unique<TexTypeCommand>(std::int16_t(type))));
    return {};
}

} // namespace vtt
