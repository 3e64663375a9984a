#pragma once

#include "document/Result.h"
#include "document/ImageDocument.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/types.h>

namespace vtt {

// A file's bytes, held like pixels (a large file is as large as an image);
// problems are said without the file name, for the caller to name it.
using FileBytes = Result<PixelArray>;

// An input file, opened without blocking and without becoming the
// controlling terminal, and only when it is a regular file: a FIFO, device
// or socket is refused at once instead of hanging the reader.
class InputFile {
public:
    static Result<InputFile> open(const std::string& path);
    InputFile(InputFile&& other) noexcept : fd_(other.fd_), size_(other.size_) { other.fd_ = -1; }
    InputFile& operator=(InputFile&&) = delete;
    ~InputFile();

    std::uint64_t size() const { return size_; }
    int descriptor() const { return fd_; }
    // The first min(count, size) bytes, read without moving the position,
    // for judging the header before the body is read.
    FileBytes head(std::uint64_t count) const;
    // The last min(count, size) bytes.
    FileBytes tail(std::size_t count) const;
    // Exactly `count` bytes from `offset`, which must lie within the size;
    // the problem otherwise.
    [[nodiscard]] Result<void> readAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const;
    // The whole file.
    FileBytes readAll() const;

private:
    InputFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    int fd_;
    std::uint64_t size_;
};

// The whole file, read with ordinary reads. A file that changes size while
// it is read (another program still writing it) is refused, never half read,
// and so is one larger than `largest` bytes.
FileBytes readWholeFile(const std::string& path, std::uint64_t largest = UINT64_MAX);

// The rest of an open file that had `sizeWhenOpened` bytes when it was
// looked at.
FileBytes readOpenedFile(int fd, std::uint64_t sizeWhenOpened);

// What opening a folder does when the folder, or one on its way, is missing.
enum class IfMissing {
    Refuse, // a problem
    Make,   // made, one step at a time (mode 0777 less the umask)
    Defer,  // no folder (a null FolderRef): one to be made when needed
};

// A folder held open while files are written into it: every output is
// created, checked and put in place relative to it, so the kernel checks
// each name at the moment it is used.
class OpenFolder {
public:
    // The path is walked one folder at a time, and every symbolic link met
    // on the way, not only the last, is followed only where mayFollowLink
    // allows it (at most 40 links), whatever the kernel's own setting.
    static Result<std::shared_ptr<const OpenFolder>> open(const std::string& path,
                                                                       IfMissing missing = IfMissing::Refuse);
    OpenFolder(const OpenFolder&) = delete;
    ~OpenFolder();

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    dev_t device() const { return device_; }
    // Folders opened earlier have smaller numbers.
    std::uint64_t serial() const { return serial_; }
    // `name` in this folder, for messages.
    std::string pathOf(const std::string& name) const;

    // Makes the entries made in this folder durable.
    [[nodiscard]] Result<void> flush() const;
    // Flushes everything written to this folder's file system; write-back
    // errors since the folder was opened are reported.
    [[nodiscard]] Result<void> flushFileSystem() const;
    // Removes temporary files of ours that runs since ended left here.
    void removeStaleTemporaries() const;
    // The names of the regular files here, symbolic links to them included;
    // folders, devices, FIFOs and sockets are left out. In no order.
    [[nodiscard]] Result<std::vector<std::string>> regularFiles() const;

private:
    OpenFolder(int fd, std::string path, dev_t device);
    friend class StagedFile;
    // The folder found by a walk (`found`, an O_PATH descriptor), opened for
    // writing into.
    static Result<std::shared_ptr<const OpenFolder>> adopt(int found, std::string path);
    int fd_;
    std::string path_;
    dev_t device_;
    std::uint64_t serial_;
};

using FolderRef = std::shared_ptr<const OpenFolder>;

// Whether the kernel follows, for `user`, a symbolic link owned by
// `linkOwner` in a folder of `folderMode` owned by `folderOwner`: not in a
// sticky, world-writable folder when the link belongs to someone else.
bool mayFollowLink(uid_t linkOwner, mode_t folderMode, uid_t folderOwner, uid_t user);

// Whether `name` is the name of a temporary file this tool makes
// (.vtt.PID-N.tmp), and the process that made it. No other name is ever
// taken for one, however alike: it may be a user's file.
std::optional<pid_t> temporaryOwner(const std::string& name);

// A complete new version of a file, written to a file of its own in the
// target's folder and not yet in its place. Where the file system allows,
// the staged file has no name at all until it is committed, so a process
// killed at any moment leaves nothing behind; elsewhere it has a short
// name that a later run recognises as stale.
class StagedFile {
public:
    // Writes `bytes` for `name` in `folder`, flushed to disk when `flush` is
    // set. With `replace`, a symbolic link at the name is followed where
    // mayFollowLink allows it, as is every link on the way to its target, and an existing file's
    // permission bits and owner are kept; what is not a regular file is
    // refused. Without it, any entry at the name fails the commit.
    static Result<StagedFile> stage(FolderRef folder, const std::string& name,
                                                 std::span<const std::uint8_t> bytes, bool replace, bool flush);

    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;
    StagedFile(const StagedFile&) = delete;
    ~StagedFile(); // discards the staged file unless it was committed

    // Puts the staged file in the target's place in one step.
    [[nodiscard]] Result<void> commit();
    // Starts writing the file to disk while other work goes on; only a hint.
    void startWriteBack() const;
    const FolderRef& folder() const { return folder_; }
    const std::string& name() const { return name_; }

private:
    StagedFile(FolderRef folder, std::string name, bool replace)
        : folder_(std::move(folder)), name_(std::move(name)), replace_(replace)
    {
    }
    [[nodiscard]] Result<void> giveName();
    void discard();
    FolderRef folder_;
    std::string name_;      // the target's name in folder_
    bool replace_ = true;
    int fd_ = -1;           // the unnamed file, until committed
    std::string temporary_; // or its temporary name in folder_
    int slot_ = -1;         // where removeTemporariesNow finds that name
};

// Removes every temporary file this process has named and not yet put in
// place or removed; only system calls, for a signal handler that ends the
// process at once.
void removeTemporariesNow() noexcept;

// Replaces the file at `path` with exactly `bytes`, durably: written whole to
// a staged file, flushed, put in the target's place, the folder flushed. On
// any failure (full disk, no permission, missing folder, not a regular file)
// an existing file keeps its old contents and no temporary file is left.
// Returns the problem, if any.
[[nodiscard]] Result<void> writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// The folder a path names its file in ("." for a bare name), and the name.
std::string folderOf(const std::string& path);
std::string nameOf(const std::string& path);

} // namespace vtt
