#pragma once

#include "document/Result.h"

#include <optional>
#include <string>

namespace vtt {

// The image beside `path` in its folder: the regular file with a known
// image extension whose name comes `step` (1: next, -1: previous) places
// from it in name order (letter case ignored, then byte order). None past
// either end. The file at `path` need no longer exist. The folder's problem
// when it cannot be listed.
[[nodiscard]] Result<std::optional<std::string>> neighbourFile(const std::string& path, int step);

// The order of names in a folder as neighbourFile walks it.
bool comesBefore(const std::string& a, const std::string& b);

} // namespace vtt
