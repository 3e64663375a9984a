#include "files/Formats.h"

#include "codecs/MipLevels.h"
#include "codecs/PngReader.h"
#include "codecs/PngWriter.h"
#include "codecs/TexReader.h"
#include "codecs/TexWriter.h"
#include "codecs/TgaReader.h"
#include "codecs/TgaWriter.h"
#include "files/HexDump.h"
#include "files/ImageFacts.h"

#include <algorithm>
#include <cctype>

namespace vtt {

namespace {

WriteResult writeTexFile(const ImageDocument& doc, const SaveChanges& changes)
{
    return writeTex(doc, changes.Tex, changes.MipFilter);
}
WriteResult writeTgaFile(const ImageDocument& doc, const SaveChanges& changes)
{
    return writeTga(doc, changes.BitDepth);
}
WriteResult writePngFile(const ImageDocument& doc, const SaveChanges& changes)
{
    return writePng(doc, changes.BitDepth);
}

std::string oneMipLevel(const ImageDocument&, Bytes) { return "1"; }
int oneLevel(Bytes) { return 1; }
int wholeTexLevels(Bytes file) { return std::max(1, wholeMipLevels(texMipLevels(file))); }

constexpr FormatEntry Formats[] = {
    {ImageFormat::Tex, "TEX", "TEX", ".tex", "Tex Files (*.tex)", true, TexClaimJudge, readTex, texSaveChanges,
     writeTexFile, describeTexHeader, describeTexFormat, describeTexMips, wholeTexLevels},
    {ImageFormat::Tga, "TGA", "Targa", ".tga", "Tga Files (*.tga)", false, TgaClaimJudge, readTga, tgaSaveChanges,
     writeTgaFile, describeTgaHeader, describeTgaFormat, oneMipLevel, oneLevel},
    {ImageFormat::Png, "PNG", "PNG", ".png", "Png Files (*.png)", false, PngClaimJudge, readPng, pngSaveChanges,
     writePngFile, describePngHeader, describePngFormat, oneMipLevel, oneLevel},
};

// Read as Targa when nothing else claims the file, as the tool always has.
constexpr ImageFormat Fallback = ImageFormat::Tga;

bool endsInLowered(std::string_view name, std::string_view extension)
{
    if (name.size() < extension.size())
        return false;
    const std::string_view end = name.substr(name.size() - extension.size());
    for (std::size_t i = 0; i < extension.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(end[i])) != extension[i])
            return false;
    return true;
}

} // namespace

std::span<const FormatEntry> imageFormats() { return Formats; }

const FormatEntry& formatEntry(ImageFormat format)
{
    for (const FormatEntry& entry : Formats)
        if (entry.format == format)
            return entry;
    return Formats[0]; // never: every format has its entry
}

ImageFormat formatForPath(std::string_view path)
{
    const std::string_view name = path.substr(path.rfind('/') + 1);
    for (const FormatEntry& entry : Formats)
        if (entry.format != Fallback && endsInLowered(name, entry.extension))
            return entry.format;
    return Fallback;
}

ImageFormat formatForFilter(int index)
{
    if (index >= 1 && index <= static_cast<int>(std::size(Formats)))
        return Formats[index - 1].format;
    return Fallback;
}

std::optional<ImageFormat> formatNamed(std::string_view name)
{
    for (const FormatEntry& entry : Formats)
        if (name == entry.extension + 1)
            return entry.format;
    return std::nullopt;
}

} // namespace vtt
