#pragma once

#include "codecs/ByteIo.h"
#include "codecs/ClaimJudge.h"
#include "codecs/ReadResult.h"
#include "codecs/SaveConversion.h"
#include "codecs/WriteResult.h"
#include "document/ImageDocument.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vtt {

// Everything the tool knows of one image format, in one place: adding a
// format means one entry here plus its codec files.
struct FormatEntry {
    ImageFormat format;
    const char* name;          // "TEX", "TGA", "PNG": short and upper case
    const char* title;         // "TEX", "Targa", "PNG": as `vtt info` names it
    const char* extension;     // ".tex": names ending so (any case) are read as this format
    const char* filterCaption; // the file dialog's filter for it
    // Whether the file carries the TEX fields the header panel shows and a
    // save as this format reads from it (mip count, unknown, bits).
    bool texFields;
    ClaimJudge judge;          // the header judged against the file's size before the body is read
    ReadResult (*read)(Bytes file);
    // What a save as this format changes in the document, and the file it writes.
    SaveChanges (*saveChanges)(const ImageDocument& doc, const TexPanelValues& panel);
    WriteResult (*write)(const ImageDocument& doc, const SaveChanges& changes);
    // The hex dump's lines for the file's header fields.
    void (*describeHeader)(Bytes file, std::vector<std::string>& lines);
    // Image Information's "Format" and "Mip levels" lines for a file of this format.
    std::string (*describeFormat)(const ImageDocument& doc);
    std::string (*describeMips)(const ImageDocument& doc, Bytes file);
    // How many mip levels of the file can be shown, level 0 included.
    int (*shownLevels)(Bytes file);
};

// TEX, Targa, PNG: the file dialog's filters in this order.
std::span<const FormatEntry> imageFormats();

// The file dialog's entry for every image format, after the formats' own
// (whose numbers stay 1, 2, 3). It names no one format.
inline constexpr const char* AllImagesFilterCaption = "All Images (*.tex *.tga *.png)";
inline constexpr int AllImagesFilter = 4;
const FormatEntry& formatEntry(ImageFormat format);

// The format a file's name suggests, for files named rather than chosen
// with a dialog filter: a format's extension in any letter case, anything
// else Targa.
ImageFormat formatForPath(std::string_view path);

// The format a name's extension names (any letter case), if any.
std::optional<ImageFormat> formatOfExtension(std::string_view path);

// The format of the file dialog's filter `index` (one-based); outside the
// formats' own filters (All Images included), Targa.
ImageFormat formatForFilter(int index);
// The filter (one-based) of `format`.
int filterForFormat(ImageFormat format);

// Where and as what a save writes. A name whose extension names a format is
// written in that format, whatever the filter; otherwise the filter's format
// decides (for All Images, `unnamed`) and its extension is added.
struct SaveTarget {
    std::string path;
    ImageFormat format;
};
SaveTarget saveTarget(std::string path, int filterIndex, ImageFormat unnamed);

// The formats to try, in order, for a file chosen with filter `filterIndex`
// (0 for a file named without a dialog): the filter's own format, then the
// one the file's first bytes (a PNG signature) or its extension names. With
// no format's filter, Targa comes last, as the tool has always read files it
// does not recognise. `head`: the file's first bytes, up to 8.
std::vector<ImageFormat> openFormats(std::string_view path, int filterIndex, Bytes head);

// The format whose extension, without its dot, is `name` in lower case
// ("tex", "tga", "png").
std::optional<ImageFormat> formatNamed(std::string_view name);

} // namespace vtt
