#include "files/FileWatch.h"

#include <sys/stat.h>

namespace vtt {

namespace {

FileIdentity identityFrom(const struct stat& st)
{
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                        static_cast<std::int64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
                        static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
}

} // namespace

std::optional<FileIdentity> identityOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return identityFrom(st);
}

std::optional<FileIdentity> identityOfDescriptor(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return std::nullopt;
    return identityFrom(st);
}

void FileWatch::watch(const std::string& path)
{
    path_ = path;
    seen_ = identityOf(path);
}

void FileWatch::watch(const std::string& path, std::optional<FileIdentity> seen)
{
    path_ = path;
    seen_ = seen;
}

void FileWatch::forget()
{
    path_.clear();
    seen_.reset();
}

DiskChange FileWatch::check()
{
    if (path_.empty())
        return DiskChange::Unchanged;
    const std::optional<FileIdentity> now = identityOf(path_);
    if (now == seen_)
        return DiskChange::Unchanged;
    seen_ = now;
    return now ? DiskChange::Changed : DiskChange::Vanished;
}

} // namespace vtt
