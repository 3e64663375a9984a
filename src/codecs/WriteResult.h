#pragma once

#include "codecs/ReadResult.h"
#include "codecs/Result.h"

#include <cstddef>
#include <cstdint>
#include <new>
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
