#include "codecs/ReadResult.h"

#include <cstdio>
#include <new>
#include <stdexcept>

namespace vtt {

std::string memoryText(std::uint64_t bytes)
{
    char size[32];
    const double mib = static_cast<double>(bytes) / (1024.0 * 1024.0);
    if (mib >= 1024.0)
        std::snprintf(size, sizeof size, "%.1f GiB", mib / 1024.0);
    else
        std::snprintf(size, sizeof size, "%.1f MiB", mib);
    return size;
}

std::string notEnoughMemoryText(const char* verb, std::uint64_t width, std::uint64_t height, std::uint64_t bytes)
{
    return "not enough memory to " + std::string(verb) + " a " + std::to_string(width) + " x " + std::to_string(height)
        + " image (" + memoryText(bytes) + ")";
}

bool allocatePixels(PixelArray& array, std::uint64_t bytes, std::uint64_t width, std::uint64_t height,
                    ReadError& error)
{
    try {
        if (bytes > array.max_size())
            throw std::bad_alloc();
        array.resize(static_cast<std::size_t>(bytes));
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    array = PixelArray();
    error = ReadError{ReadFailure::OutOfMemory, notEnoughMemoryText("open", width, height, bytes)};
    return false;
}

} // namespace vtt
