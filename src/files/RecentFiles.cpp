#include "files/RecentFiles.h"

#include <algorithm>
#include <filesystem>

namespace vtt {

std::vector<std::string> RecentFiles::files() const
{
    std::vector<std::string> files;
    for (std::string& name : store_.load())
        if (!name.empty() && std::find(files.begin(), files.end(), name) == files.end() && files.size() < Longest)
            files.push_back(std::move(name));
    return files;
}

void RecentFiles::add(const std::string& path)
{
    // Absolute, so that a name given relative to the start folder still
    // finds its file next time.
    std::error_code failed;
    std::string absolute = std::filesystem::absolute(path, failed).lexically_normal().string();
    if (failed)
        absolute = path;
    std::vector<std::string> list = files();
    std::erase(list, absolute);
    list.insert(list.begin(), absolute);
    if (list.size() > Longest)
        list.resize(Longest);
    store_.store(list);
}

void RecentFiles::remove(const std::string& path)
{
    std::vector<std::string> list = files();
    std::erase(list, path);
    store_.store(list);
}

} // namespace vtt
