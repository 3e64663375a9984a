#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vtt::cli {

// The memory the images in flight may take together: `given` (--memory)
// when set, else what the system has available (MemAvailable), and never
// more than the address space the process may still map (ulimit -v).
std::uint64_t memoryBudget(std::uint64_t given);

// How many worker threads to start of `wanted`: all of them, unless an
// address-space limit (ulimit -v) is set, which their stacks would use up;
// then fewer, with smaller stacks.
std::size_t workersWithin(std::size_t wanted);

// "512M", "2G", "1.5G", "4096K" or plain bytes; nothing when it is not a size.
std::optional<std::uint64_t> parseMemorySize(const std::string& text);

// Marks the building of a failure report, for the test hook that makes an
// allocation there fail (VTT_TEST_FAIL_ALLOCATION=N: the Nth allocation
// made while a report is built throws std::bad_alloc).
class FailureReport {
public:
    FailureReport() noexcept;
    ~FailureReport();
    FailureReport(const FailureReport&) = delete;
};

} // namespace vtt::cli
