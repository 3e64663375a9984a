#include "files/PaletteFileCommands.h"

#include "files/FileAccess.h"
#include "files/FileCommands.h"

namespace vtt {

namespace {

// The longest text palette, 256 lines with long colour names and comments,
// stays far below this; anything larger is not worth reading.
constexpr std::uint64_t LargestPaletteFile = 1 << 20;

} // namespace

Result<PaletteColours, std::string> loadPaletteFile(const std::string& path)
{
    FileBytes file = readWholeFile(path, LargestPaletteFile);
    if (!file.ok())
        return cannotOpen(path, file.error());
    auto read = readPaletteFile(Bytes(file.value().data(), file.value().size()));
    if (!read.ok())
        return cannotOpen(path, read.error());
    return read.value();
}

std::optional<std::string> savePaletteFile(const std::string& path, const PaletteColours& colours)
{
    std::string name = path.substr(path.rfind('/') + 1);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.resize(dot);
    const auto bytes = writePaletteFile(colours, paletteFormatForPath(path), name);
    if (auto problem = writeFileAtomically(path, bytes))
        return cannotSave(path, *problem);
    return std::nullopt;
}

} // namespace vtt
