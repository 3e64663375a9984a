#pragma once

#include "codecs/PaletteFiles.h"
#include "document/Result.h"

#include <string>

namespace vtt {

// Reads the palette file at `path`; errors name the file as their subject.
[[nodiscard]] Result<PaletteColours> loadPaletteFile(const std::string& path);

// Writes `colours` to `path` in the format its extension names (the .pal
// text for any other), replacing any file there atomically; errors name the
// file as their subject.
[[nodiscard]] Result<void> savePaletteFile(const std::string& path, const PaletteColours& colours);

} // namespace vtt
