#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <initializer_list>
#include <string>
#include <string_view>
#include <thread>

namespace vtt::cli {

// The one writer of standard error while files are converted: problem lines
// from any thread, and on a terminal a progress line (files done of total,
// MiB/s, time left) redrawn a few times a second below them. Off a
// terminal only the problem lines are written.
class Progress {
public:
    Progress(std::size_t totalFiles, std::uint64_t totalBytes, bool show);
    ~Progress();
    Progress(const Progress&) = delete;

    void fileDone(std::uint64_t bytes);
    void problem(const std::string& line) noexcept;
    // One line made of `parts`, written without allocating anything, so that
    // even running out of memory can be reported.
    void problem(std::initializer_list<std::string_view> parts) noexcept;
    // What happens once the files are converted ("flushing to disk").
    void stage(const std::string& text);
    // Takes the progress line away and, on a terminal, leaves `summary`.
    void finish(const std::string& summary);

    double seconds() const;
    std::uint64_t bytesDone() const { return bytesDone_; }

private:
    void draw() noexcept; // with mutex_ held
    void drawLine();
    void clearLine();
    void run();

    const std::size_t totalFiles_;
    const std::uint64_t totalBytes_;
    const bool show_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::atomic<std::size_t> filesDone_{0};
    std::atomic<std::uint64_t> bytesDone_{0};

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool drawn_ = false;
    std::string stage_;
    std::thread painter_;
};

} // namespace vtt::cli
