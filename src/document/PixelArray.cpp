#include "document/PixelArray.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <cstdint>

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
