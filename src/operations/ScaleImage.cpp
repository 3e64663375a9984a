#include "operations/ScaleImage.h"

#include <algorithm>

namespace vtt {

Result<std::optional<ImageDocument>> scaleImage(const ImageDocument& doc, int width, int height,
                                                resample::Filter filter)
{
    VTT_CHECK(resample::checkSize(width, height));
    if ((!doc.isPaletted() && doc.BitDepth() != 24 && doc.BitDepth() != 32) || doc.empty()
        || (width == doc.ImageWidth() && height == doc.ImageHeight()))
        return std::optional<ImageDocument>();
    const int fromWidth = doc.ImageWidth(), fromHeight = doc.ImageHeight();
    VTT_TRY(scaled, doc.isPaletted()
                        ? resample::scaleIndices(doc.PixelIndices(), fromWidth, fromHeight, width, height)
                        : resample::scaleRgba(doc.PixelBytes(), fromWidth, fromHeight, width, height, filter));
    VTT_TRY(made, ImageDocument::create(width, height, doc.BitDepth(), doc.Palette()));
    std::copy(scaled.begin(), scaled.end(), made.pixels().begin());
    made.Facts.Tex.Type = doc.Facts.Tex.Type;
    return std::optional<ImageDocument>(std::move(made));
}

Result<bool> ScaleCommand::apply(ImageDocument& doc, std::size_t keepAtMost)
{
    if (swap_.applied())
        return swap_.exchange(doc);
    VTT_TRY(made, scaleImage(doc, width_, height_, filter_));
    if (!made)
        return false;
    swap_.replace(doc, std::move(*made), keepAtMost);
    return true;
}

Result<bool> ScaleCommand::revert(ImageDocument& doc) { return swap_.exchange(doc); }

} // namespace vtt
