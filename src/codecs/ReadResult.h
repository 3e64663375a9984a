#pragma once

#include "codecs/Result.h"
#include "document/ImageDocument.h"

#include <cstdint>
#include <string>

namespace vtt {

enum class ReadFailure {
    // A TEX type code the tool cannot read; the open command shows its own
    // historical message for it.
    UnsupportedTexType,
    // The image is valid but its pixels do not fit in memory.
    OutOfMemory,
    // Anything else: truncated, inconsistent or unsupported content.
    Malformed,
};

struct ReadError {
    ReadFailure kind = ReadFailure::Malformed;
    std::string detail; // says what is wrong, without the file name
};

// The newly decoded document, or why there is none.
using ReadResult = Result<ImageDocument, ReadError>;

inline ReadError malformed(std::string detail) { return ReadError{ReadFailure::Malformed, std::move(detail)}; }

// "4.0 GiB", "12.5 MiB"
std::string memoryText(std::uint64_t bytes);

// "not enough memory to open a 32767 x 32767 image (4.0 GiB)"
std::string notEnoughMemoryText(const char* verb, std::uint64_t width, std::uint64_t height, std::uint64_t bytes);

// Sizes `array` to `bytes` for a width x height image; an error instead of an
// exception when memory (or the address space) cannot hold it.
bool allocatePixels(PixelArray& array, std::uint64_t bytes, std::uint64_t width, std::uint64_t height,
                    ReadError& error);

} // namespace vtt
