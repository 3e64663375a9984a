#include "files/FileAccess.h"

#include "codecs/Cancel.h"
#include "files/PrintableName.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>

#include <dirent.h>
#include <sys/resource.h>
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
    void reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::span<const std::uint8_t> bytes, int& error)
{
    const std::uint8_t* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        // Pieces of 64 MiB, with a look for a request to stop between them.
        if (data != bytes.data() && cancelRequested()) {
            error = EINTR;
            return false;
        }
        const ssize_t written = ::write(fd, data, std::min<std::size_t>(left, 64 * 1024 * 1024));
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

// Short, so that a target name up to the file system's limit still works,
// and recognisable (temporaryOwner) once its process is gone.
std::string temporaryName()
{
    static std::atomic<unsigned> counter{0};
    return ".vtt." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
}

// Named temporary files of this process, kept where a signal handler can
// remove them without allocating or locking: a fixed table of slots, each
// free (0), being filled (1) or holding a name (2). One that finds the
// table full is still removed by a later run's sweep.
struct NamedSlot {
    std::atomic<int> state{0};
    int dir = -1;
    char name[48] = {};
};
NamedSlot namedSlots[512];

int rememberNamed(int dir, const std::string& name) noexcept
{
    if (name.size() >= sizeof NamedSlot::name)
        return -1;
    for (int i = 0; i < static_cast<int>(std::size(namedSlots)); ++i) {
        int expected = 0;
        if (!namedSlots[i].state.compare_exchange_strong(expected, 1))
            continue;
        namedSlots[i].dir = dir;
        std::memcpy(namedSlots[i].name, name.c_str(), name.size() + 1);
        namedSlots[i].state = 2;
        return i;
    }
    return -1;
}

void forgetNamed(int& slot) noexcept
{
    if (slot >= 0)
        namedSlots[slot].state = 0;
    slot = -1;
}

// Unnamed staged files hold a descriptor each until their commit; past half
// the descriptor limit, a staged file gets a temporary name instead.
std::atomic<long> openUnnamed{0};

long unnamedBudget()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 512;
    return static_cast<long>(limit.rlim_cur / 2);
}

// Gives the unnamed file `fd` the name `name` in `dir`; the entry must not
// exist yet.
int linkUnnamed(int fd, int dir, const std::string& name)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno != ENOENT || ::access("/proc/self/fd", F_OK) == 0)
        return -1;
    return ::linkat(fd, "", dir, name.c_str(), AT_EMPTY_PATH); // without /proc
}

std::string describeKind(const struct stat& st)
{
    return S_ISDIR(st.st_mode) ? "it is a folder, not a regular file" : "it is not a regular file";
}

// `path` as named from the folder named `base`.
std::string joinedPath(const std::string& base, std::string_view path)
{
    if (path.starts_with('/') || base.empty() || base == ".")
        return std::string(path);
    if (path.empty() || path == ".")
        return base;
    return base + (base.ends_with('/') ? "" : "/") + std::string(path);
}

// Resolves paths one step at a time from open folders, never letting the
// kernel follow a symbolic link: each link met is judged by mayFollowLink
// against the folder it lies in, read, and its target walked the same way.
// So the rule holds for every step, whatever the kernel's own setting, and
// a link swapped in the middle of a path cannot lead elsewhere.
class PathWalk {
public:
    std::string problem;
    bool missing = false; // the problem is a folder that does not exist

    // The folder `path` (absolute, or relative to the folder `at`, named
    // `shown` in messages) as an O_PATH descriptor, or -1 with `problem`
    // set. With `make`, missing folders of `path` itself are made; never
    // those a link points to.
    int folder(int at, std::string_view path, std::string shown, bool make)
    {
        if (path.starts_with('/'))
            shown = "/";
        Descriptor dir(::openat(path.starts_with('/') ? AT_FDCWD : at, path.starts_with('/') ? "/" : ".",
                                O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() < 0)
            return fail(shown, errno);
        while (!path.empty()) {
            const auto slash = path.find('/');
            const std::string name(path.substr(0, slash));
            path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
            if (name.empty() || name == ".")
                continue;
            const std::string parent = shown;
            shown = joinedPath(shown, name);
            const auto step = [&] {
                return ::openat(dir.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            };
            int next = step();
            if (next < 0 && errno == ENOENT && make) {
                if (::mkdirat(dir.get(), name.c_str(), 0777) != 0 && errno != EEXIST)
                    return fail(shown, errno, "made");
                next = step();
            }
            if (next < 0 && (errno == ENOTDIR || errno == ELOOP)) { // perhaps a symbolic link
                const auto target = readLink(dir.get(), name, shown);
                if (!target)
                    return -1;
                next = folder(dir.get(), *target, parent, false);
                if (next < 0)
                    return -1;
            }
            if (next < 0)
                return fail(shown, errno);
            dir.reset(next);
        }
        return dir.release();
    }

    // The target of the symbolic link `name` in the folder `dir` (named
    // `shown` in messages), if this user may follow it; else nothing, with
    // `problem` set. A name that is no link is not a folder.
    std::optional<std::string> readLink(int dir, const std::string& name, const std::string& shown)
    {
        // The link itself is opened, so that what is judged is what is read.
        Descriptor link(::openat(dir, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {}, folderStat {};
        if (link.get() < 0 || ::fstat(link.get(), &st) != 0 || ::fstat(dir, &folderStat) != 0) {
            fail(shown, errno);
            return std::nullopt;
        }
        if (!S_ISLNK(st.st_mode)) {
            fail(shown, ENOTDIR);
            return std::nullopt;
        }
        if (!mayFollowLink(st.st_uid, folderStat.st_mode, folderStat.st_uid, ::geteuid())) {
            problem = "the symbolic link " + printableName(shown)
                + " belongs to another user in a shared folder and is not followed";
            return std::nullopt;
        }
        if (++links_ > MostLinks) {
            problem = "there are too many symbolic links on the way to " + printableName(shown);
            return std::nullopt;
        }
        char target[PATH_MAX];
        const ssize_t length = ::readlinkat(link.get(), "", target, sizeof target);
        if (length < 0 || length == sizeof target) {
            fail(shown, length < 0 ? errno : ENAMETOOLONG);
            return std::nullopt;
        }
        return std::string(target, static_cast<std::size_t>(length));
    }

private:
    // As the kernel allows.
    static constexpr int MostLinks = 40;

    int fail(const std::string& shown, int error, const char* done = "opened")
    {
        problem = "the folder " + printableName(shown.empty() ? "." : shown) + " could not be " + done + " ("
            + systemError(error) + ")";
        missing = error == ENOENT;
        return -1;
    }

    int links_ = 0;
};

} // namespace

void removeTemporariesNow() noexcept
{
    for (NamedSlot& slot : namedSlots)
        if (slot.state.load() == 2)
            ::unlinkat(slot.dir, slot.name, 0);
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// ---- Reading

Result<InputFile> InputFile::open(const std::string& path)
{
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        const int error = errno;
        // A socket cannot be opened at all (ENXIO); it is as much "not a
        // regular file" as a FIFO that can.
        struct stat st {};
        if (error != ENOENT && ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            return unexpected(ErrorKind::System, describeKind(st));
        return unexpected(ErrorKind::System, error == ENOENT ? std::string("the file does not exist")
                               : "it could not be opened (" + systemError(error) + ")");
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return unexpected(ErrorKind::System, "it could not be opened (" + systemError(errno) + ")");
    if (!S_ISREG(st.st_mode))
        return unexpected(ErrorKind::System, describeKind(st));
    return InputFile(fd.release(), static_cast<std::uint64_t>(st.st_size));
}

InputFile::~InputFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

// Large reads go in pieces, with a look for a request to stop between them.
constexpr std::size_t ReadPiece = 64 * 1024 * 1024;

Result<void> InputFile::readAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const
{
    std::size_t done = 0;
    while (done < count) {
        if (done > 0 && cancelRequested())
            return unexpected(ErrorKind::System, CancelledText);
        const ssize_t got =
            ::pread(fd_, out + done, std::min(count - done, ReadPiece), static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unexpected(ErrorKind::System, "it could not be read (" + systemError(errno) + ")");
        if (got == 0)
            return unexpected(ErrorKind::System, "it changed while it was read: it had " + std::to_string(size_)
                                                     + " bytes when opened, but only " + std::to_string(offset + done)
                                                     + " could be read");
        done += static_cast<std::size_t>(got);
    }
    return {};
}

FileBytes InputFile::head(std::uint64_t count) const
{
    PixelArray bytes;
    const std::uint64_t n = std::min<std::uint64_t>(count, size_);
    if (!resizePixels(bytes, n))
        return unexpected(ErrorKind::OutOfMemory, "there is not enough memory to read its " + std::to_string(n) + " bytes");
    VTT_CHECK(readAt(0, bytes.data(), bytes.size()));
    return bytes;
}

FileBytes InputFile::tail(std::size_t count) const
{
    PixelArray bytes;
    bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count, size_)));
    VTT_CHECK(readAt(size_ - bytes.size(), bytes.data(), bytes.size()));
    return bytes;
}

FileBytes InputFile::readAll() const { return readOpenedFile(fd_, size_); }

FileBytes readOpenedFile(int fd, std::uint64_t sizeWhenOpened)
{
    PixelArray bytes;
    if (!resizePixels(bytes, sizeWhenOpened))
        return unexpected(ErrorKind::OutOfMemory,
                          "there is not enough memory to read its " + std::to_string(sizeWhenOpened) + " bytes");
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (done > 0 && cancelRequested())
            return unexpected(ErrorKind::System, CancelledText);
        const ssize_t got = ::read(fd, bytes.data() + done, std::min(bytes.size() - done, ReadPiece));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unexpected(ErrorKind::System, "it could not be read (" + systemError(errno) + ")");
        if (got == 0)
            return unexpected(ErrorKind::System, "it changed while it was read: it had " + std::to_string(sizeWhenOpened)
                + " bytes when opened, but only " + std::to_string(done) + " could be read");
        done += static_cast<std::size_t>(got);
    }
    std::uint8_t extra;
    ssize_t more;
    while ((more = ::read(fd, &extra, 1)) < 0 && errno == EINTR) {
    }
    if (more > 0)
        return unexpected(ErrorKind::System, "it changed while it was read: it grew beyond the " + std::to_string(sizeWhenOpened)
            + " bytes it had when opened");
    return bytes;
}

FileBytes readWholeFile(const std::string& path, std::uint64_t largest)
{
    auto input = InputFile::open(path);
    if (!input.has_value())
        return input.error();
    if (input.value().size() > largest)
        return unexpected(ErrorKind::System, "it has " + std::to_string(input.value().size()) + " bytes, more than the " + std::to_string(largest)
            + " such a file can have");
    return input.value().readAll();
}

// ---- Output folders

OpenFolder::OpenFolder(int fd, std::string path, dev_t device) : fd_(fd), path_(std::move(path)), device_(device)
{
    static std::atomic<std::uint64_t> opened{0};
    serial_ = opened++;
}

OpenFolder::~OpenFolder() { ::close(fd_); }

Result<FolderRef> OpenFolder::open(const std::string& path, IfMissing missing)
{
    PathWalk walk;
    const int found = walk.folder(AT_FDCWD, path, "", missing == IfMissing::Make);
    if (found < 0 && walk.missing && missing == IfMissing::Defer)
        return FolderRef();
    if (found < 0)
        return unexpected(ErrorKind::System, walk.problem);
    return adopt(found, path);
}

Result<FolderRef> OpenFolder::adopt(int found, std::string path)
{
    const Descriptor walked(found);
    // Listing, flushing and syncing need a folder opened for reading.
    Descriptor fd(::openat(walked.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
        return unexpected(ErrorKind::System, "the folder " + printableName(path.empty() ? "." : path) + " could not be opened ("
            + systemError(errno) + ")");
    return FolderRef(new OpenFolder(fd.release(), std::move(path), st.st_dev));
}

std::string OpenFolder::pathOf(const std::string& name) const
{
    if (path_ == "." || path_.empty())
        return name;
    return path_ + (path_.ends_with('/') ? "" : "/") + name;
}

Result<void> OpenFolder::flush() const
{
    // A file system that cannot flush folders at all has nothing to flush.
    if (::fsync(fd_) != 0 && errno != EINVAL)
        return unexpected(ErrorKind::System, "the folder " + printableName(path_) + " could not be flushed to disk (" + systemError(errno) + ")");
    return {};
}

Result<void> OpenFolder::flushFileSystem() const
{
    if (::syncfs(fd_) != 0)
        return unexpected(ErrorKind::System, "the file system of " + printableName(path_) + " could not be flushed to disk (" + systemError(errno)
            + ")");
    return {};
}

std::optional<pid_t> temporaryOwner(const std::string& name)
{
    std::string_view core(name);
    if (!core.starts_with(".vtt.") || !core.ends_with(".tmp"))
        return std::nullopt;
    core.remove_prefix(5);
    core.remove_suffix(4); // "PID-N"
    const auto dash = core.find('-');
    const auto digits = [](std::string_view s) {
        return !s.empty() && s.size() < 10 && s.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (dash == std::string_view::npos || !digits(core.substr(0, dash)) || !digits(core.substr(dash + 1)))
        return std::nullopt;
    return static_cast<pid_t>(std::stol(std::string(core.substr(0, dash))));
}

void OpenFolder::removeStaleTemporaries() const
{
    const int listing = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return;
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
        ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const auto owner = temporaryOwner(name);
        // Only our own regular files, and only once their process is gone.
        if (!owner || *owner == ::getpid() || *owner <= 0 || ::kill(*owner, 0) == 0 || errno != ESRCH)
            continue;
        struct stat st {};
        if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)
            && st.st_uid == ::geteuid())
            ::unlinkat(fd_, name.c_str(), 0);
    }
    ::closedir(dir);
}

Result<std::vector<std::string>> OpenFolder::regularFiles() const
{
    const int listing = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!dir) {
        const int problem = errno;
        if (listing >= 0)
            ::close(listing);
        return unexpected(ErrorKind::System, "the folder could not be read (" + systemError(problem) + ")");
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        // Only the entry's type, never its contents: a FIFO is not opened.
        struct stat st {};
        if (::fstatat(fd_, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

bool mayFollowLink(uid_t linkOwner, mode_t folderMode, uid_t folderOwner, uid_t user)
{
    const bool shared = (folderMode & S_ISVTX) && (folderMode & S_IWOTH);
    return !shared || linkOwner == user || linkOwner == folderOwner;
}

// ---- Staging and committing

Result<StagedFile> StagedFile::stage(FolderRef folder, const std::string& name,
                                                  std::span<const std::uint8_t> bytes, bool replace, bool flush)
{
    if (name.empty() || name == "." || name == "..")
        return unexpected(ErrorKind::System, std::string("it names a folder, not a file"));
    std::string target = name;
    struct stat existing {};
    bool exists = false;
    // Where the save would go: a symbolic link is followed, one step at a
    // time relative to the folder it is in, only where mayFollowLink allows
    // it, and so is every link on the way to its target.
    PathWalk walk;
    while (replace) {
        if (::fstatat(folder->fd(), target.c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                break;
            return unexpected(ErrorKind::System, "it could not be looked at (" + systemError(errno) + ")");
        }
        if (!S_ISLNK(existing.st_mode)) {
            if (!S_ISREG(existing.st_mode))
                return unexpected(ErrorKind::System, describeKind(existing));
            exists = true;
            break;
        }
        const auto to = walk.readLink(folder->fd(), target, folder->pathOf(target));
        if (!to)
            return unexpected(ErrorKind::System, walk.problem);
        const std::string toFolder = folderOf(*to);
        const int found = walk.folder(folder->fd(), toFolder, folder->path(), false);
        if (found < 0)
            return unexpected(ErrorKind::System, "its symbolic link cannot be followed: " + walk.problem);
        auto next = OpenFolder::adopt(found, joinedPath(folder->path(), toFolder));
        if (!next.has_value())
            return unexpected(ErrorKind::System, "its symbolic link cannot be followed: " + next.error().detail);
        folder = next.value();
        target = nameOf(*to);
        if (target.empty())
            return unexpected(ErrorKind::System, std::string("its symbolic link points to a folder"));
    }

    StagedFile staged(folder, target, replace); // discards the staged file on every early return
    staged.fd_ = ::openat(folder->fd(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (staged.fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // A file system without unnamed files: a short named one.
        for (int attempt = 0; attempt < 100 && staged.fd_ < 0; ++attempt) {
            staged.temporary_ = temporaryName();
            staged.fd_ = ::openat(folder->fd(), staged.temporary_.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (staged.fd_ < 0 && errno != EEXIST)
                break;
        }
        if (staged.fd_ < 0)
            staged.temporary_.clear();
        else
            staged.slot_ = rememberNamed(folder->fd(), staged.temporary_);
    }
    if (staged.fd_ < 0)
        return unexpected(ErrorKind::System, "it could not be created (" + systemError(errno) + ")");
    if (staged.temporary_.empty())
        ++openUnnamed;

    if (exists) {
        ::fchmod(staged.fd_, existing.st_mode & 07777);
        // Keeps the owner when allowed to; otherwise the file becomes ours.
        [[maybe_unused]] const int owned = ::fchown(staged.fd_, existing.st_uid, existing.st_gid);
    }
    int error = 0;
    if (!writeAll(staged.fd_, bytes, error) || (flush && ::fsync(staged.fd_) != 0 && (error = errno)))
        return unexpected(ErrorKind::System, "it could not be written (" + systemError(error) + ")");
#ifdef __linux__
    // Starts the disk write while other work goes on, so that one flush at
    // the end has little left to wait for. Only a hint.
    if (!flush)
        ::sync_file_range(staged.fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    if (!staged.temporary_.empty() || openUnnamed > unnamedBudget()) {
        VTT_CHECK(staged.giveName());
    }
    return staged;
}

// Links an unnamed staged file under a temporary name and closes it;
// closing reports late write errors.
Result<void> StagedFile::giveName()
{
    if (temporary_.empty()) {
        for (int attempt = 0; attempt < 100 && temporary_.empty(); ++attempt) {
            const std::string name = temporaryName();
            if (linkUnnamed(fd_, folder_->fd(), name) == 0) {
                temporary_ = name;
                slot_ = rememberNamed(folder_->fd(), name);
            }
            else if (errno != EEXIST)
                break;
        }
        if (temporary_.empty())
            return unexpected(ErrorKind::System, "it could not be created (" + systemError(errno) + ")");
        --openUnnamed;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        return unexpected(ErrorKind::System, "it could not be written (" + systemError(errno) + ")");
    return {};
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : folder_(std::move(other.folder_)), name_(std::move(other.name_)), replace_(other.replace_), fd_(other.fd_),
      temporary_(std::move(other.temporary_)), slot_(other.slot_)
{
    other.fd_ = -1;
    other.temporary_.clear();
    other.slot_ = -1;
}

void StagedFile::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        if (temporary_.empty())
            --openUnnamed;
        fd_ = -1;
    }
    if (!temporary_.empty())
        ::unlinkat(folder_->fd(), temporary_.c_str(), 0);
    temporary_.clear();
    forgetNamed(slot_);
}

StagedFile::~StagedFile() { discard(); }

Result<void> StagedFile::commit()
{
    const int dir = folder_->fd();
    if (!replace_) {
        // Any entry at the name, a symbolic link included, means it exists.
        int result;
        if (temporary_.empty()) {
            result = linkUnnamed(fd_, dir, name_);
        } else {
            result = ::renameat2(dir, temporary_.c_str(), dir, name_.c_str(), RENAME_NOREPLACE);
            if (result != 0 && errno == EINVAL) {
                // A file system without the exclusive rename: a hard link
                // refuses an existing name just as well.
                result = ::linkat(dir, temporary_.c_str(), dir, name_.c_str(), 0);
                if (result == 0)
                    ::unlinkat(dir, temporary_.c_str(), 0);
            }
            if (result == 0) {
                temporary_.clear();
                forgetNamed(slot_);
            }
        }
        if (result != 0)
            return unexpected(ErrorKind::System, errno == EEXIST ? std::string("it already exists")
                                   : "it could not be put in place (" + systemError(errno) + ")");
        discard();
        return {};
    }

    // The name was judged when the file was staged; what has appeared there
    // since is not followed or replaced unless it is a regular file.
    struct stat st {};
    if (::fstatat(dir, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(st.st_mode))
            return unexpected(ErrorKind::System, "it became a symbolic link while it was written, and the link is not followed");
        if (!S_ISREG(st.st_mode))
            return unexpected(ErrorKind::System, describeKind(st));
    }
    if (fd_ >= 0)
        VTT_CHECK(giveName());
    if (::renameat(dir, temporary_.c_str(), dir, name_.c_str()) != 0)
        return unexpected(ErrorKind::System, "it could not be replaced (" + systemError(errno) + ")");
    temporary_.clear();
    forgetNamed(slot_);
    return {};
}

Result<void> writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    auto folder = OpenFolder::open(folderOf(path));
    if (!folder.has_value())
        return unexpected(ErrorKind::System, "it could not be created (" + folder.error().detail + ")");
    folder.value()->removeStaleTemporaries();
    auto staged = StagedFile::stage(folder.value(), nameOf(path), bytes, true, true);
    if (!staged.has_value())
        return staged.error();
    VTT_CHECK(staged.value().commit());
    return staged.value().folder()->flush(); // the new entry is made durable with its folder
}

} // namespace vtt
