#include "cli/Progress.h"

#include "files/PrintableName.h"

#include <cstdio>

namespace vtt::cli {

namespace {

constexpr auto RedrawInterval = std::chrono::milliseconds(150);
constexpr int BarWidth = 24;
constexpr double MiB = 1024.0 * 1024.0;

std::string clock(double seconds)
{
    const long total = static_cast<long>(seconds + 0.5);
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

} // namespace

Progress::Progress(std::size_t totalFiles, std::uint64_t totalBytes, bool show)
    : totalFiles_(totalFiles), totalBytes_(totalBytes), show_(show)
{
    // Without a thread to draw it, the run goes on without a progress line.
    if (show_)
        try {
            painter_ = std::thread([this] { run(); });
        } catch (...) {
        }
}

Progress::~Progress() { finish({}); }

double Progress::seconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Progress::fileDone(std::uint64_t bytes)
{
    bytesDone_ += bytes;
    ++filesDone_;
}

void Progress::problem(const std::string& line) noexcept { problem({std::string_view(line)}); }

void Progress::problem(std::initializer_list<std::string_view> parts) noexcept
{
    std::lock_guard lock(mutex_);
    clearLine();
    // Names in the parts may hold control bytes; shown without allocating.
    for (const std::string_view part : parts)
        writePrintable(part, stderr);
    std::fputc('\n', stderr);
    if (show_)
        draw();
}

void Progress::stage(const std::string& text)
{
    std::lock_guard lock(mutex_);
    stage_ = text;
    if (show_)
        draw();
}

void Progress::finish(const std::string& summary)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        stopping_ = true;
    }
    wake_.notify_all();
    if (painter_.joinable())
        painter_.join();
    std::lock_guard lock(mutex_);
    clearLine();
    if (show_ && !summary.empty())
        std::fprintf(stderr, "%s\n", summary.c_str());
}

void Progress::run()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        draw();
        wake_.wait_for(lock, RedrawInterval, [this] { return stopping_; });
    }
}

void Progress::clearLine()
{
    if (drawn_)
        std::fputs("\r\033[K", stderr);
    drawn_ = false;
}

void Progress::draw() noexcept
{
    // The line is only a courtesy: without memory for it, it is skipped.
    try {
        drawLine();
    } catch (...) {
    }
}

void Progress::drawLine()
{
    const std::size_t files = filesDone_;
    const std::uint64_t bytes = bytesDone_;
    const double elapsed = seconds();
    const double fraction = totalFiles_ ? static_cast<double>(files) / static_cast<double>(totalFiles_) : 1.0;
    const int filled = static_cast<int>(fraction * BarWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(BarWidth, '-');

    char line[160];
    int length = std::snprintf(line, sizeof line, "\r[%s] %zu/%zu files", bar.c_str(), files, totalFiles_);
    if (!stage_.empty()) {
        std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), "  %s", stage_.c_str());
    } else if (elapsed > 0.2 && bytes > 0) {
        // Time left from the bytes still to read at the rate so far: files
        // differ in size, so bytes predict better than a file count.
        const double rate = static_cast<double>(bytes) / elapsed;
        const double left = static_cast<double>(totalBytes_ > bytes ? totalBytes_ - bytes : 0) / rate;
        std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), "  %.1f MiB/s  %s left",
                      rate / MiB, clock(left).c_str());
    }
    std::fputs(line, stderr);
    std::fputs("\033[K", stderr);
    std::fflush(stderr);
    drawn_ = true;
}

} // namespace vtt::cli
