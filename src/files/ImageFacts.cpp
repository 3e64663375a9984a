#include "files/ImageFacts.h"

#include "codecs/MipChain.h"
#include "codecs/MipLevels.h"
#include "files/Formats.h"
#include "files/HexDump.h"
#include "files/PrintableName.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdio>
#include <cstring>

namespace vtt {

namespace {

// Distinct 32-bit values, by a radix sort of a copy (four passes of 8 bits):
// linear in the pixels, where a hash set would be several times slower.
std::size_t distinctWords(std::vector<std::uint32_t> v)
{
    std::vector<std::uint32_t> tmp(v.size());
    for (int shift = 0; shift < 32; shift += 8) {
        std::array<std::size_t, 257> start{};
        for (std::uint32_t x : v)
            ++start[((x >> shift) & 0xFF) + 1];
        for (int i = 0; i < 256; ++i)
            start[i + 1] += start[i];
        for (std::uint32_t x : v)
            tmp[start[(x >> shift) & 0xFF]++] = x;
        v.swap(tmp);
    }
    return static_cast<std::size_t>(std::unique(v.begin(), v.end()) - v.begin());
}

std::string sizeText(std::size_t bytes)
{
    std::string text = std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    if (bytes >= 1024) {
        char scaled[32];
        const double kib = bytes / 1024.0;
        std::snprintf(scaled, sizeof scaled, kib >= 1024 ? " (%.1f MiB)" : " (%.1f KiB)", kib >= 1024 ? kib / 1024 : kib);
        text += scaled;
    }
    return text;
}

} // namespace

std::string describeTexFormat(const ImageDocument& doc)
{
    const std::string name = texTypeName(doc.Facts.Tex.Type);
    return "TEX, type " + std::to_string(doc.Facts.Tex.Type) + (name.empty() ? "" : " (" + name + ")");
}

std::string describeTgaFormat(const ImageDocument& doc)
{
    const std::string name = tgaTypeName(doc.Facts.Tga.ImageType);
    return "Targa, image type " + std::to_string(doc.Facts.Tga.ImageType) + (name.empty() ? "" : " (" + name + ")");
}

std::string describePngFormat(const ImageDocument& doc)
{
    static const char* const colourTypes[] = {"grey", "", "RGB", "palette", "grey + alpha", "", "RGBA"};
    // A file this tool wrote holds 8-bit samples, palette, RGB or RGBA by
    // depth, not interlaced.
    const bool read = doc.Facts.Kind == ImageFormat::Png;
    const PngHeader& png = doc.Facts.Png;
    const unsigned type = read ? png.ColorType : doc.isPaletted() ? 3 : doc.BitDepth() == 24 ? 2 : 6;
    const unsigned bits = read ? png.BitDepth : 8;
    const std::string name = type < 7 ? colourTypes[type] : "";
    return "PNG, colour type " + std::to_string(type) + (name.empty() ? "" : " (" + name + ")") + ", "
        + std::to_string(bits) + " bits per sample" + (read && png.Interlace ? ", interlaced" : "");
}

std::string describeTexMips(const ImageDocument& doc, Bytes file)
{
    const auto levels = texMipLevels(file);
    const int header = mip::levelCount(doc.Facts.Tex.MipCount);
    const int whole = wholeMipLevels(levels);
    return std::to_string(whole) + " stored" + (whole == header ? "" : " of " + std::to_string(header) + " announced");
}

FactLines describeImage(const ImageDocument& doc, const FileSnapshot* file)
{
    FactLines lines;
    if (!doc.Facts.Kind) {
        lines.push_back({"File", "no image is open"});
        return lines;
    }
    lines.push_back({"File name", printableName(doc.Facts.FileName)});
    // The format of the file as last read or written: a save may convert.
    const FormatEntry& format = formatEntry(file ? file->format : *doc.Facts.Kind);
    lines.push_back({"Format", format.describeFormat(doc)});
    lines.push_back({"Size", std::to_string(doc.ImageWidth()) + " x " + std::to_string(doc.ImageHeight()) + " pixels"});
    lines.push_back({"Depth", std::to_string(doc.BitDepth()) + (doc.isPaletted() ? " bits (palette)" : " bits")});
    lines.push_back({"Mip levels", file ? format.describeMips(doc, Bytes(file->bytes.data(), file->bytes.size())) : "1"});
    if (file)
        lines.push_back({"File size", sizeText(file->fileSize())});

    // Colours and alpha as stored: a palette image through its entries.
    const std::size_t n = doc.area();
    int alphaMin = 255, alphaMax = 0;
    std::vector<std::uint32_t> colours;
    if (doc.isPaletted()) {
        std::bitset<PaletteEntries> used;
        for (std::size_t i = 0; i < n; ++i)
            used.set(doc.PixelIndices()[i]);
        for (int c = 0; c < PaletteEntries; ++c) {
            if (!used.test(c))
                continue;
            std::uint32_t v;
            std::memcpy(&v, doc.Palette().data() + 4 * c, 4);
            colours.push_back(v);
            alphaMin = std::min<int>(alphaMin, doc.Palette()[4 * c + 3]);
            alphaMax = std::max<int>(alphaMax, doc.Palette()[4 * c + 3]);
        }
        lines.push_back({"Palette entries used", std::to_string(used.count()) + " of 256"});
    } else {
        colours.resize(n);
        if (n > 0)
            std::memcpy(colours.data(), doc.PixelBytes().data(), 4 * n);
        for (std::size_t i = 0; i < n; ++i) {
            const int a = doc.PixelBytes()[4 * i + 3];
            alphaMin = std::min(alphaMin, a);
            alphaMax = std::max(alphaMax, a);
        }
        lines.push_back({"Palette entries used", "none (direct colour)"});
    }
    if (colours.empty())
        lines.push_back({"Alpha", "no pixels"});
    else if (alphaMin == 255)
        lines.push_back({"Alpha", "not in use (all 255)"});
    else
        lines.push_back({"Alpha", "in use, from " + std::to_string(alphaMin) + " to " + std::to_string(alphaMax)});
    lines.push_back({"Distinct colours", std::to_string(distinctWords(std::move(colours)))});
    return lines;
}

} // namespace vtt
