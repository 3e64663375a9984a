#include "document/PixelArray.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace vtt {

std::string memorySizeText(std::uint64_t bytes)
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
        + " image (" + memorySizeText(bytes) + ")";
}

namespace {

template <class Take>
Result<void> takeMemory(PixelArray& array, std::uint64_t bytes, Take take)
{
    try {
        if (bytes > array.max_size())
            throw std::bad_alloc();
        take(static_cast<std::size_t>(bytes));
        return {};
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    array = PixelArray();
    return unexpected(ErrorKind::OutOfMemory, memorySizeText(bytes));
}

} // namespace

Result<void> resizePixels(PixelArray& array, std::uint64_t bytes)
{
    return takeMemory(array, bytes, [&](std::size_t n) { array.resize(n); });
}

Result<void> reservePixels(PixelArray& array, std::uint64_t bytes)
{
    return takeMemory(array, bytes, [&](std::size_t n) { array.reserve(n); });
}

} // namespace vtt

namespace vtt::pixelmemory {

#if defined(__linux__)

namespace {

std::size_t roundedUp(std::size_t bytes) { return (bytes + HugePage - 1) & ~(HugePage - 1); }

} // namespace

// Huge pages need a 2 MiB aligned start: map one block more than needed and
// give back what lies outside the aligned part.
void* allocate(std::size_t bytes)
{
    if (bytes < LargeBlock)
        return ::operator new(bytes);
    const std::size_t size = roundedUp(bytes);
    void* mapped = mmap(nullptr, size + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + HugePage - 1) & ~std::uintptr_t(HugePage - 1);
    if (aligned > start)
        munmap(mapped, aligned - start);
    if (const std::size_t after = start + HugePage - aligned; after > 0)
        munmap(reinterpret_cast<void*>(aligned + size), after);
#if defined(MADV_HUGEPAGE)
    madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE); // only advice: fine if refused
#endif
    return reinterpret_cast<void*>(aligned);
}

void release(void* block, std::size_t bytes) noexcept
{
    if (bytes < LargeBlock)
        ::operator delete(block);
    else if (block)
        munmap(block, roundedUp(bytes));
}

#else

void* allocate(std::size_t bytes) { return ::operator new(bytes); }
void release(void* block, std::size_t) noexcept { ::operator delete(block); }

#endif

} // namespace vtt::pixelmemory
