#pragma once

#include "codecs/ByteIo.h"
#include "document/Result.h"
#include "document/ImageDocument.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vtt {

// The colours a palette file defines: entries 0 .. count-1, red, green and
// blue of entry k at rgb[3k .. 3k+2]. Palette files carry no alpha that
// this tool takes over; the document's alpha bytes are never touched.
struct PaletteColours {
    int count = 0; // 1 .. PaletteEntries
    std::array<std::uint8_t, 3 * PaletteEntries> rgb{};
    bool operator==(const PaletteColours&) const = default;
};

// The three kinds of palette file modders' editors exchange: the "JASC-PAL"
// text palette (.pal), the .gpl text palette, and the binary colour table
// (.act) of 768 bytes, or 772 with a colour count and a transparent index.
enum class PaletteFileFormat { PalText, GplText, ColourTable };

// Reads any of the three, recognised by their content rather than their
// name: a text header line decides, and a headerless file of 768 or 772
// bytes is a colour table (raw 768-byte .pal files from games included).
// The problem (Malformed) is said without the file name.
Result<PaletteColours> readPaletteFile(Bytes bytes);

// The file's bytes; `name` becomes the .gpl palette's Name line.
std::vector<std::uint8_t> writePaletteFile(const PaletteColours& colours, PaletteFileFormat format,
                                           std::string_view name);

// By extension, any letter case: .gpl and .act, anything else the .pal text.
PaletteFileFormat paletteFormatForPath(const std::string& path);

// All 256 entries of a document palette.
PaletteColours paletteColoursOf(const std::array<std::uint8_t, PaletteBytes>& palette);

// Entries beyond `colours.count` and every alpha byte stay as they were.
void applyPaletteColours(const PaletteColours& colours, std::array<std::uint8_t, PaletteBytes>& palette);

} // namespace vtt
