#pragma once

#include "document/Result.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace vtt {

namespace pixelmemory {
// Blocks of at least this size are mapped on their own, in huge pages.
// Smaller ones come from the C library's heap, which reuses freed memory
// whose pages are already in place; larger ones it maps afresh each time
// (its limit is 32 MiB), and then 4 KiB page faults cost several times the
// decode itself.
constexpr std::size_t LargeBlock = std::size_t(32) << 20;
constexpr std::size_t HugePage = std::size_t(2) << 20;
void* allocate(std::size_t bytes);
void release(void* block, std::size_t bytes) noexcept;
} // namespace pixelmemory

// Memory for the pixel arrays. A decoder overwrites every byte it asks for,
// so growing an array leaves the new elements uninitialised instead of
// writing zeros first; and a large image gets its own mapping in huge
// pages.
template <class T>
struct PixelAllocator {
    using value_type = T;

    PixelAllocator() = default;
    template <class U>
    PixelAllocator(const PixelAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t n) { return static_cast<T*>(pixelmemory::allocate(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { pixelmemory::release(p, n * sizeof(T)); }

    // resize(n) and vector(n) construct with no arguments: leave the bytes.
    template <class U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>)
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const PixelAllocator&, const PixelAllocator&) { return true; }
};

using PixelArray = std::vector<std::uint8_t, PixelAllocator<std::uint8_t>>;

// The one place pixel memory is taken. Out of memory (or a size past the
// address space) becomes an OutOfMemory error whose detail is the size
// asked for, such as "4.0 GiB"; the array is then left empty.
[[nodiscard]] Result<void> resizePixels(PixelArray& array, std::uint64_t bytes);
[[nodiscard]] Result<void> reservePixels(PixelArray& array, std::uint64_t bytes);

// "4.0 GiB", "12.5 MiB"
std::string memorySizeText(std::uint64_t bytes);

// "not enough memory to open a 32767 x 32767 image (4.0 GiB)"
std::string notEnoughMemoryText(const char* verb, std::uint64_t width, std::uint64_t height, std::uint64_t bytes);

// The same bytes in a plain vector compare equal.
inline bool operator==(const PixelArray& a, const std::vector<std::uint8_t>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

} // namespace vtt
