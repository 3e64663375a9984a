// Any byte string read as a palette file: the reader must refuse it with a
// reason or give 1 to 256 colours that each writer writes and the reader
// reads back unchanged, never reading outside the input.

#include "FuzzMain.h"

#include "codecs/PaletteFiles.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vtt;
    const auto read = readPaletteFile(Bytes(data, size));
    if (!read.has_value()) {
        fuzzCheck(read.error().detail.empty() ? "a refusal without a reason" : "");
        return 0;
    }
    const PaletteColours& colours = read.value();
    fuzzCheck(colours.count >= 1 && colours.count <= PaletteEntries ? "" : "a colour count out of range");
    for (const auto format : {PaletteFileFormat::PalText, PaletteFileFormat::GplText, PaletteFileFormat::ColourTable}) {
        const auto bytes = writePaletteFile(colours, format, "fuzz");
        const auto again = readPaletteFile(Bytes(bytes.data(), bytes.size()));
        fuzzCheck(again.has_value() ? "" : "a written palette is refused: " + again.error().detail);
        const std::size_t used = 3 * static_cast<std::size_t>(colours.count);
        const bool same = format == PaletteFileFormat::ColourTable
            ? again.value().count == PaletteEntries
                && std::equal(colours.rgb.begin(), colours.rgb.begin() + static_cast<std::ptrdiff_t>(used),
                              again.value().rgb.begin())
            : again.value() == colours;
        fuzzCheck(same ? "" : "a written palette reads back different");
    }
    return 0;
}
