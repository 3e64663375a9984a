#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vtt {

// What tells one version of a file from another without reading it: the
// same name may point to a new file (editors write a new one and rename it
// over the old) or to the old one rewritten in place.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file `path` names (links followed); nothing when
// there is no such file.
std::optional<FileIdentity> identityOf(const std::string& path);
// The identity of the file open as `fd`: the very file that was read.
std::optional<FileIdentity> identityOfDescriptor(int fd);

enum class DiskChange {
    Unchanged,
    Changed,  // replaced, rewritten, or back after it had gone
    Vanished, // gone since it was last looked at; said once
};

// The one file the window shows, as last opened, saved or looked at.
class FileWatch {
public:
    // Watches `path` from its identity now. Taken before the file is read,
    // so a change while it is read shows as a change next time, never as
    // none.
    void watch(const std::string& path);
    // Watches `path` from `seen`, the identity of the file as it was read.
    void watch(const std::string& path, std::optional<FileIdentity> seen);
    void forget();
    const std::string& path() const { return path_; }
    bool watching() const { return !path_.empty(); }

    // Compares the file with what was last seen and remembers what is seen
    // now, so that each change is reported once.
    DiskChange check();

private:
    std::string path_;
    std::optional<FileIdentity> seen_;
};

} // namespace vtt
