#pragma once

#include "codecs/ReadResult.h"
#include "document/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vtt {

// The complete file contents, or why there are none: TexTypeMessage (a TEX
// type the tool knows but cannot write; the detail is the historical text,
// shown as it stands, in a plain message box) or Unwritable (anything else
// the document cannot be written as; the detail says what, without the
// file name), or OutOfMemory.
using WriteResult = Result<PixelArray>;

inline Unexpected<Error> unwritable(std::string detail) { return unexpected(ErrorKind::Unwritable, std::move(detail)); }

// Why `doc` cannot be written at `depth` as `format`, which takes 8, 24 or
// 32 bits: no image yet, or another depth, or a depth of the other mode.
[[nodiscard]] inline Result<void> refuseDepth(const ImageDocument& doc, std::uint8_t depth, const char* format)
{
    if (depth != PaletteDepth && depth != 24 && depth != 32) {
        if (!doc.Facts.Kind)
            return unwritable("no image has been opened, so there is nothing to save");
        return unwritable("the image's depth of " + std::to_string(depth) + " bits cannot be written as " + format
                          + ", which takes 8, 24 or 32 bits");
    }
    if ((depth == PaletteDepth) != doc.isPaletted())
        return unwritable("the " + std::to_string(doc.BitDepth()) + "-bit image cannot be written with "
                          + std::to_string(depth) + "-bit pixels");
    return {};
}

// Reserves the whole output of a width x height image once.
[[nodiscard]] inline Result<void> reserveOutput(PixelArray& file, std::size_t total, std::size_t width,
                                                std::size_t height)
{
    if (auto reserved = reservePixels(file, total); !reserved)
        return unexpected(ErrorKind::OutOfMemory, notEnoughMemoryText("save", width, height, total));
    return {};
}

} // namespace vtt
