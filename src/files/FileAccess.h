#pragma once

#include "codecs/Result.h"
#include "document/ImageDocument.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vtt {

// A file's bytes, held like pixels (a large file is as large as an image);
// problems are said without the file name, for the caller to name it.
using FileBytes = Result<PixelArray, std::string>;

// The whole file, read with ordinary reads. A file that changes size while
// it is read (another program still writing it) is refused, never half read,
// and so is one larger than `largest` bytes.
FileBytes readWholeFile(const std::string& path, std::uint64_t largest = UINT64_MAX);

// The rest of an open file that had `sizeWhenOpened` bytes when it was
// looked at.
FileBytes readOpenedFile(int fd, std::uint64_t sizeWhenOpened);

// A complete new version of a file, written to a temporary file beside it
// and not yet in its place. The file a symbolic link points to is the one
// replaced, so the link stays; an existing file's permission bits are kept.
class StagedFile {
public:
    // Writes `bytes` to the temporary file, and flushes it to disk when
    // `flush` is set.
    static Result<StagedFile, std::string> stage(const std::string& path, std::span<const std::uint8_t> bytes,
                                                 bool flush);

    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;
    StagedFile(const StagedFile&) = delete;
    ~StagedFile(); // removes the temporary file unless it was committed

    // Puts the temporary file in the target's place in one step. Without
    // `replaceExisting`, a file that appeared there meanwhile is kept and the
    // commit fails.
    std::optional<std::string> commit(bool replaceExisting = true);
    const std::string& target() const { return target_; }
    const std::string& temporary() const { return temporary_; }

private:
    StagedFile(std::string target, std::string temporary) : target_(std::move(target)), temporary_(std::move(temporary)) {}
    std::string target_;
    std::string temporary_;
};

// Replaces the file at `path` with exactly `bytes`, durably: written whole to
// a temporary file, flushed, renamed over the target. On any failure (full
// disk, no permission, missing folder) an existing file keeps its old
// contents and no temporary file is left. Returns the problem, if any.
std::optional<std::string> writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// The folder a path names its file in ("." for a bare name).
std::string folderOf(const std::string& path);

// Makes the renames in `folder` durable; best effort, as a folder that
// cannot be opened has nothing of ours to flush.
void flushFolder(const std::string& folder);

// Flushes everything written to the file system that holds `path`, for
// committing many staged files after one flush.
std::optional<std::string> flushFileSystemOf(const std::string& path);

} // namespace vtt
