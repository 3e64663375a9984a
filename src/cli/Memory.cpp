#include "cli/Memory.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace vtt::cli {

namespace {

// A "Name:   value kB" line of /proc/meminfo, in bytes.
std::optional<std::uint64_t> memInfo(const char* name)
{
    std::FILE* file = std::fopen("/proc/meminfo", "re");
    if (!file)
        return std::nullopt;
    char line[256];
    std::optional<std::uint64_t> found;
    const std::size_t length = std::strlen(name);
    while (!found && std::fgets(line, sizeof line, file))
        if (std::strncmp(line, name, length) == 0 && line[length] == ':')
            found = std::strtoull(line + length + 1, nullptr, 10) * 1024;
    std::fclose(file);
    return found;
}

// The address space the process maps now, in bytes.
std::uint64_t mappedNow()
{
    std::FILE* file = std::fopen("/proc/self/statm", "re");
    unsigned long long pages = 0;
    if (file) {
        if (std::fscanf(file, "%llu", &pages) != 1)
            pages = 0;
        std::fclose(file);
    }
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

} // namespace

std::uint64_t memoryBudget(std::uint64_t given)
{
    std::uint64_t budget = given ? given : memInfo("MemAvailable").value_or(UINT64_MAX);
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const std::uint64_t mapped = mappedNow();
        budget = std::min<std::uint64_t>(budget, limit.rlim_cur > mapped ? limit.rlim_cur - mapped : 0);
    }
    return std::max<std::uint64_t>(budget, 1); // 0 would mean "not known yet"
}

std::size_t workersWithin(std::size_t wanted)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return wanted;
    // Each thread's stack and each allocator arena takes address space
    // whether used or not: small stacks, one arena, and no more threads
    // than leave most of the space to the images.
    constexpr std::size_t Stack = 1024 * 1024;
    mallopt(M_ARENA_MAX, 1);
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) == 0) {
        if (pthread_attr_setstacksize(&attributes, Stack) == 0)
            pthread_setattr_default_np(&attributes);
        pthread_attr_destroy(&attributes);
    }
    const std::uint64_t mapped = mappedNow();
    const std::uint64_t headroom = limit.rlim_cur > mapped ? limit.rlim_cur - mapped : 0;
    return std::clamp<std::size_t>(static_cast<std::size_t>(headroom / (8 * Stack)), 1, std::max<std::size_t>(wanted, 1));
}

std::optional<std::uint64_t> parseMemorySize(const std::string& text)
{
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !(number >= 0) || !std::isfinite(number) || text[0] == '-' || text[0] == '+'
        || std::isspace(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    const std::string unit(end);
    double scale = 1;
    if (unit == "K" || unit == "k")
        scale = 1024.0;
    else if (unit == "M" || unit == "m")
        scale = 1024.0 * 1024;
    else if (unit == "G" || unit == "g")
        scale = 1024.0 * 1024 * 1024;
    else if (!unit.empty())
        return std::nullopt;
    const double bytes = std::floor(number * scale);
    if (bytes < 1 || bytes >= 18e18)
        return std::nullopt;
    return static_cast<std::uint64_t>(bytes);
}

namespace {
thread_local int reportDepth = 0;
std::atomic<long> failingAllocation{[] {
    const char* n = std::getenv("VTT_TEST_FAIL_ALLOCATION");
    return n ? std::atol(n) : 0L;
}()};
} // namespace

FailureReport::FailureReport() noexcept { ++reportDepth; }
FailureReport::~FailureReport() { --reportDepth; }

} // namespace vtt::cli

// Every allocation of the program goes through here so that the test hook
// above can make one inside a failure report fail; otherwise these are the
// library's own behaviour, and every form pairs malloc with free.
void* operator new(std::size_t size)
{
    using namespace vtt::cli;
    if (reportDepth > 0 && failingAllocation.load(std::memory_order_relaxed) > 0
        && failingAllocation.fetch_sub(1) == 1)
        throw std::bad_alloc();
    while (true) {
        if (void* p = std::malloc(size ? size : 1))
            return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return ::operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
