#pragma once

#include "codecs/PaletteFiles.h"
#include "codecs/Result.h"

#include <optional>
#include <string>

namespace vtt {

// Reads the palette file at `path`; the problem is a whole sentence that
// names the file.
Result<PaletteColours, std::string> loadPaletteFile(const std::string& path);

// Writes `colours` to `path` in the format its extension names (the .pal
// text for any other), replacing any file there atomically. Returns the
// problem as a whole sentence naming the file, if any.
std::optional<std::string> savePaletteFile(const std::string& path, const PaletteColours& colours);

} // namespace vtt
