#include "codecs/SaveConversion.h"

#include "codecs/TexFormat.h"
#include "codecs/TexWriter.h"
#include "codecs/TgaWriter.h"

namespace vtt {

SaveFields saveFieldsOf(const ImageDocument& doc)
{
    return SaveFields{doc.BitDepth,       doc.TexType,         doc.MipCount,     doc.TexUnknown,
                      doc.TexBits,        doc.TgaIdLength,     doc.TgaColorMapType, doc.TgaImageType,
                      doc.TgaMapSpecA,    doc.TgaMapSpecB,     doc.TgaMapSpecC,  doc.TgaDescriptor};
}

void restoreSaveFields(ImageDocument& doc, const SaveFields& f)
{
    doc.BitDepth = f.BitDepth;
    doc.TexType = f.TexType;
    doc.MipCount = f.MipCount;
    doc.TexUnknown = f.TexUnknown;
    doc.TexBits = f.TexBits;
    doc.TgaIdLength = f.TgaIdLength;
    doc.TgaColorMapType = f.TgaColorMapType;
    doc.TgaImageType = f.TgaImageType;
    doc.TgaMapSpecA = f.TgaMapSpecA;
    doc.TgaMapSpecB = f.TgaMapSpecB;
    doc.TgaMapSpecC = f.TgaMapSpecC;
    doc.TgaDescriptor = f.TgaDescriptor;
}

namespace {

void convertToTex(ImageDocument& doc, const TexPanelValues& panel)
{
    if (doc.FileKind == DocumentKind::Tga) {
        if (doc.BitDepth == PaletteDepth)
            doc.TexType = static_cast<std::int16_t>(tex::Type::Palette256);
        else if (doc.BitDepth == 24)
            doc.TexType = static_cast<std::int16_t>(tex::Type::Rgb);
        else if (doc.BitDepth == 32)
            doc.TexType = static_cast<std::int16_t>(tex::Type::Rgba);
    }
    doc.MipCount = panel.mipCount;
    doc.TexUnknown = panel.unknown;
    doc.TexBits = panel.bits;
}

void convertToTga(ImageDocument& doc)
{
    if (doc.FileKind != DocumentKind::Tex)
        return;
    const std::int16_t type = doc.TexType;
    if (tex::is(type, tex::Type::Palette256) || tex::is(type, tex::Type::Palette256Alt))
        doc.BitDepth = PaletteDepth;
    else if (tex::is(type, tex::Type::Rgb))
        doc.BitDepth = 24;
    else if (tex::is(type, tex::Type::Rgba))
        doc.BitDepth = 32;

    const bool mapped = doc.BitDepth == PaletteDepth;
    doc.TgaIdLength = 0;
    doc.TgaColorMapType = mapped ? 1 : 0;
    doc.TgaImageType = mapped ? 1 : 2;
    // Header bytes 3..7 as the document splits them: first entry 0, 256
    // entries (bytes 0 and 1 around the split), 24 bits an entry.
    doc.TgaMapSpecA = 0;
    doc.TgaMapSpecB = 0;
    doc.TgaMapSpecC = mapped ? static_cast<std::int16_t>(1 | (24 << 8)) : 0;
    doc.TgaDescriptor = 0;
}

} // namespace

void convertForSave(ImageDocument& doc, SaveFormat format, const TexPanelValues& panel)
{
    if (format == SaveFormat::Tex)
        convertToTex(doc, panel);
    else
        convertToTga(doc);
}

WriteResult encodeForSave(ImageDocument& doc, SaveFormat format, const TexPanelValues& panel)
{
    const SaveFields before = saveFieldsOf(doc);
    convertForSave(doc, format, panel);
    WriteResult result = format == SaveFormat::Tex ? writeTex(doc) : writeTga(doc);
    if (!result.ok())
        restoreSaveFields(doc, before);
    return result;
}

} // namespace vtt
