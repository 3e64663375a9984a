#include "files/PaletteFileCommands.h"

#include "files/FileAccess.h"

namespace vtt {

namespace {

// The longest text palette, 256 lines with long colour names and comments,
// stays far below this; anything larger is not worth reading.
constexpr std::uint64_t LargestPaletteFile = 1 << 20;

} // namespace

Result<PaletteColours> loadPaletteFile(const std::string& path)
{
    FileBytes file = readWholeFile(path, LargestPaletteFile);
    if (!file.has_value())
        return Error{file.error().kind, file.error().detail, path};
    auto read = readPaletteFile(Bytes(file.value().data(), file.value().size()));
    if (!read)
        return Error{read.error().kind, read.error().detail, path};
    return read;
}

Result<void> savePaletteFile(const std::string& path, const PaletteColours& colours)
{
    std::string name = path.substr(path.rfind('/') + 1);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.resize(dot);
    const auto bytes = writePaletteFile(colours, paletteFormatForPath(path), name);
    if (auto written = writeFileAtomically(path, bytes); !written)
        return Error{written.error().kind, written.error().detail, path};
    return {};
}

} // namespace vtt
