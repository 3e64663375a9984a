#include "files/FileAccess.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vtt {

namespace {

std::string systemError(int error) { return std::strerror(error); }

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    // Closing reports late write errors, so writers close explicitly.
    int close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

// The file a path finally names, following symbolic links (also dangling
// ones, whose target is then created).
std::string resolveLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
        if (length < 0)
            return path;
        const std::string link(target, static_cast<std::size_t>(length));
        path = link.starts_with('/') ? link : folderOf(path) + "/" + link;
    }
    return path;
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes, int& error)
{
    const std::uint8_t* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) { // a short write that makes no progress is a full disk
            error = written < 0 ? errno : ENOSPC;
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void flushFolder(const std::string& folder)
{
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::fsync(fd.get());
}

FileBytes readOpenedFile(int fd, std::uint64_t sizeWhenOpened)
{
    PixelArray bytes;
    try {
        bytes.resize(static_cast<std::size_t>(sizeWhenOpened));
    } catch (const std::exception&) {
        return "there is not enough memory to read its " + std::to_string(sizeWhenOpened) + " bytes";
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return "it could not be read (" + systemError(errno) + ")";
        if (got == 0)
            return "it changed while it was read: it had " + std::to_string(sizeWhenOpened)
                + " bytes when opened, but only " + std::to_string(done) + " could be read";
        done += static_cast<std::size_t>(got);
    }
    std::uint8_t extra;
    ssize_t more;
    while ((more = ::read(fd, &extra, 1)) < 0 && errno == EINTR) {
    }
    if (more > 0)
        return "it changed while it was read: it grew beyond the " + std::to_string(sizeWhenOpened)
            + " bytes it had when opened";
    return bytes;
}

FileBytes readWholeFile(const std::string& path, std::uint64_t largest)
{
    // Without O_NONBLOCK, opening a named pipe would wait for a writer that
    // may never come; a regular file reads the same either way.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return errno == ENOENT ? std::string("the file does not exist")
                               : "it could not be opened (" + systemError(errno) + ")";
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return "it could not be opened (" + systemError(errno) + ")";
    if (S_ISDIR(st.st_mode))
        return std::string("it is a folder, not a file");
    if (!S_ISREG(st.st_mode))
        return std::string("it is not a regular file");
    if (static_cast<std::uint64_t>(st.st_size) > largest)
        return "it has " + std::to_string(st.st_size) + " bytes, more than the " + std::to_string(largest)
            + " such a file can have";
    return readOpenedFile(fd.get(), static_cast<std::uint64_t>(st.st_size));
}

Result<StagedFile, std::string> StagedFile::stage(const std::string& path, std::span<const std::uint8_t> bytes,
                                                  bool flush)
{
    const std::string target = resolveLinks(path);
    const auto slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string prefix = (slash == std::string::npos ? "" : target.substr(0, slash + 1)) + "." + base + ".";

    // A name no one else uses, created with the default permissions (the
    // umask applies), in the target's folder so that the rename stays on one
    // file system.
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    int raw = -1;
    for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
        temporary = prefix + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
        raw = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST)
            break;
    }
    if (raw < 0)
        return "it could not be created (" + systemError(errno) + ")";
    Descriptor fd(raw);
    StagedFile staged(target, temporary); // removes the temporary file on every early return

    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::fchmod(fd.get(), existing.st_mode & 07777);
        // Keeps the owner when allowed to; otherwise the file becomes ours.
        [[maybe_unused]] const int owned = ::fchown(fd.get(), existing.st_uid, existing.st_gid);
    }
    int error = 0;
    if (!writeAll(fd.get(), bytes, error) || (flush && ::fsync(fd.get()) != 0 && (error = errno))
        || (fd.close() != 0 && (error = errno)))
        return "it could not be written (" + systemError(error) + ")";
    return staged;
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : target_(std::move(other.target_)), temporary_(std::move(other.temporary_))
{
    other.temporary_.clear();
}

StagedFile::~StagedFile()
{
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

std::optional<std::string> StagedFile::commit(bool replaceExisting)
{
    int result = replaceExisting ? ::rename(temporary_.c_str(), target_.c_str())
                                 : ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE);
    if (result != 0 && !replaceExisting && errno == EINVAL) {
        // A file system without the exclusive rename: a hard link refuses an
        // existing name just as well.
        result = ::link(temporary_.c_str(), target_.c_str());
        if (result == 0)
            ::unlink(temporary_.c_str());
    }
    if (result != 0)
        return errno == EEXIST && !replaceExisting ? std::string("it already exists")
                                                   : "it could not be replaced (" + systemError(errno) + ")";
    temporary_.clear();
    return std::nullopt;
}

std::optional<std::string> writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    auto staged = StagedFile::stage(path, bytes, true);
    if (!staged.ok())
        return staged.error();
    if (auto problem = staged.value().commit())
        return problem;
    flushFolder(folderOf(staged.value().target())); // the rename itself is made durable with its folder
    return std::nullopt;
}

std::optional<std::string> flushFileSystemOf(const std::string& path)
{
    Descriptor fd(::open(folderOf(resolveLinks(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0 || ::syncfs(fd.get()) != 0)
        return "its folder could not be flushed to disk (" + systemError(errno) + ")";
    return std::nullopt;
}

} // namespace vtt
