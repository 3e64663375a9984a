#include "files/FolderNeighbours.h"

#include "files/FileAccess.h"
#include "files/Formats.h"

#include <algorithm>
#include <cctype>

namespace vtt {

bool comesBefore(const std::string& a, const std::string& b)
{
    const auto lowered = [](unsigned char c) { return std::tolower(c); };
    const bool less = std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [&](unsigned char x, unsigned char y) { return lowered(x) < lowered(y); });
    const bool greater = std::lexicographical_compare(
        b.begin(), b.end(), a.begin(), a.end(),
        [&](unsigned char x, unsigned char y) { return lowered(x) < lowered(y); });
    return less || (!greater && a < b);
}

Result<std::optional<std::string>> neighbourFile(const std::string& path, int step)
{
    auto folder = OpenFolder::open(folderOf(path));
    if (!folder)
        return unexpected(ErrorKind::System, folder.error().detail, folderOf(path));
    auto listed = folder.value()->regularFiles();
    if (!listed)
        return unexpected(ErrorKind::System, listed.error().detail, folderOf(path));
    std::vector<std::string> images;
    for (std::string& name : listed.value())
        if (formatOfExtension(name))
            images.push_back(std::move(name));
    std::sort(images.begin(), images.end(), comesBefore);

    const std::string own = nameOf(path);
    std::optional<std::string> found;
    if (step > 0) {
        const auto next = std::upper_bound(images.begin(), images.end(), own, comesBefore);
        if (next != images.end())
            found = folder.value()->pathOf(*next);
    } else {
        const auto at = std::lower_bound(images.begin(), images.end(), own, comesBefore);
        if (at != images.begin())
            found = folder.value()->pathOf(*std::prev(at));
    }
    return found;
}

} // namespace vtt
