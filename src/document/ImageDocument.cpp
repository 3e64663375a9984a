#include "document/ImageDocument.h"

#include <algorithm>

namespace vtt {

namespace {

bool directDepth(int depth) { return depth == 24 || depth == 32; }

} // namespace

Result<ImageDocument> ImageDocument::create(int width, int height, int depth)
{
    if (width < 0 || height < 0 || width > LargestSide || height > LargestSide)
        return unexpected(ErrorKind::Inconsistent, "an image of " + std::to_string(width) + " x "
                                                       + std::to_string(height) + " pixels; each side runs from 0 to "
                                                       + std::to_string(LargestSide));
    if (depth != PaletteDepth && !directDepth(depth))
        return unexpected(ErrorKind::Inconsistent,
                          "an image of " + std::to_string(depth) + " bits; the depths are 8, 24 and 32");
    ImageDocument doc;
    doc.width_ = static_cast<std::int16_t>(width);
    doc.height_ = static_cast<std::int16_t>(height);
    doc.depth_ = static_cast<std::uint8_t>(depth);
    const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(doc.pixelSize());
    if (auto sized = resizePixels(doc.store_, bytes); !sized)
        return unexpected(ErrorKind::OutOfMemory, notEnoughMemoryText("open", width, height, bytes));
    return doc;
}

Result<ImageDocument> ImageDocument::create(int width, int height, int depth, std::span<const std::uint8_t> palette)
{
    if (palette.size() != PaletteBytes)
        return unexpected(ErrorKind::Inconsistent, "a palette of " + std::to_string(palette.size())
                                                       + " bytes; it holds 256 entries of 4 bytes");
    VTT_TRY(doc, create(width, height, depth));
    std::copy(palette.begin(), palette.end(), doc.palette_.begin());
    return doc;
}

Result<void> ImageDocument::setBitDepth(int depth)
{
    if (depth == depth_)
        return {};
    if (!directDepth(depth) || !directDepth(depth_))
        return unexpected(ErrorKind::Inconsistent, "a " + std::to_string(depth_) + "-bit image cannot become "
                                                       + std::to_string(depth) + " bits");
    depth_ = static_cast<std::uint8_t>(depth);
    return {};
}

Result<void> ImageDocument::exchangeSides(PixelArray turned)
{
    if (turned.size() != store_.size())
        return unexpected(ErrorKind::Inconsistent, "a turned store of " + std::to_string(turned.size())
                                                       + " bytes for an image of " + std::to_string(store_.size()));
    store_.swap(turned);
    std::swap(width_, height_);
    return {};
}

} // namespace vtt
