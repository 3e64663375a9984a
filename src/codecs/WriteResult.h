#pragma once

#include "codecs/ReadResult.h"
#include "codecs/Result.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace vtt {

enum class WriteFailure {
    // A TEX type the tool knows but cannot write; `detail` is the historical
    // text shown for it, as it stands, in a plain message box.
    TexTypeMessage,
    // Anything else the document cannot be written as; `detail` says what,
    // without the file name.
    Unwritable,
};

struct WriteError {
    WriteFailure kind = WriteFailure::Unwritable;
    std::string detail;
};

// The complete file contents, or why there are none.
using WriteResult = Result<PixelArray, WriteError>;

inline WriteError unwritable(std::string detail) { return WriteError{WriteFailure::Unwritable, std::move(detail)}; }

// Why `doc` cannot be written at `depth` as `format`, which takes 8, 24 or
// 32 bits: no image yet, another depth, or fewer pixels held than its size.
// Its size must not be negative.
inline std::optional<WriteError> refuseDepthOrShortImage(const ImageDocument& doc, std::uint8_t depth,
                                                         const char* format)
{
    if (depth != PaletteDepth && depth != 24 && depth != 32) {
        if (doc.FileKind == DocumentKind::None)
            return unwritable("no image has been opened, so there is nothing to save");
        return unwritable("the image's depth of " + std::to_string(depth) + " bits cannot be written as " + format
                          + ", which takes 8, 24 or 32 bits");
    }
    const std::size_t width = static_cast<std::size_t>(doc.ImageWidth);
    const std::size_t height = static_cast<std::size_t>(doc.ImageHeight);
    const std::size_t n = width * height;
    const std::size_t held = depth == PaletteDepth ? doc.PixelIndices.size() : doc.PixelBytes.size() / 4;
    if (held < n)
        return unwritable("the image is " + std::to_string(width) + " x " + std::to_string(height) + " ("
                          + std::to_string(n) + " pixels) but only " + std::to_string(held) + " pixels are held");
    return std::nullopt;
}

// Reserves the whole output of a width x height image once; false when
// memory cannot hold it, with `error` saying so.
inline bool reserveOutput(PixelArray& file, std::size_t total, std::size_t width, std::size_t height,
                          WriteError& error)
{
    try {
        file.reserve(total);
    } catch (const std::exception&) { // bad_alloc, or length_error beyond the address space
        error = unwritable(notEnoughMemoryText("save", width, height, total));
        return false;
    }
    return true;
}

} // namespace vtt
