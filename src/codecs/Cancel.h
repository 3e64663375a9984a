#pragma once

#include <atomic>

namespace vtt {

// Set once, from a signal handler (one lock-free store is all a handler may
// do), when the program is asked to stop. Long reads, decodes and encodes
// look at it between row bands and chunks and give up, so that a request to
// stop is honoured within a fraction of a second even inside one huge image.
inline std::atomic<bool> cancelFlag{false};

inline void requestCancel() noexcept { cancelFlag.store(true, std::memory_order_relaxed); }
inline bool cancelRequested() noexcept { return cancelFlag.load(std::memory_order_relaxed); }

// What a read or write that gave up says.
inline constexpr const char* CancelledText = "it was interrupted";

} // namespace vtt
