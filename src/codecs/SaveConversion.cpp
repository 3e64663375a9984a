#include "codecs/SaveConversion.h"

#include "codecs/TexFormat.h"
#include "codecs/PngWriter.h"
#include "codecs/TexWriter.h"
#include "codecs/TgaWriter.h"

namespace vtt {

namespace {

std::int16_t texTypeOf(const ImageDocument& doc)
{
    if (doc.FileKind == DocumentKind::Tga || doc.FileKind == DocumentKind::Png) {
        if (doc.BitDepth == PaletteDepth)
            return static_cast<std::int16_t>(tex::Type::Palette256);
        if (doc.BitDepth == 24)
            return static_cast<std::int16_t>(tex::Type::Rgb);
        if (doc.BitDepth == 32)
            return static_cast<std::int16_t>(tex::Type::Rgba);
    }
    return doc.Tex.Type;
}

std::uint8_t tgaDepthOf(const ImageDocument& doc)
{
    if (doc.FileKind != DocumentKind::Tex)
        return doc.BitDepth;
    const std::int16_t type = doc.Tex.Type;
    if (tex::is(type, tex::Type::Palette256) || tex::is(type, tex::Type::Palette256Alt))
        return PaletteDepth;
    if (tex::is(type, tex::Type::Rgb))
        return 24;
    if (tex::is(type, tex::Type::Rgba))
        return 32;
    return doc.BitDepth;
}

} // namespace

SaveChanges saveChangesFor(const ImageDocument& doc, SaveFormat format, const TexPanelValues& panel)
{
    SaveChanges changes{doc.BitDepth, doc.Tex, doc.Tga};
    if (format == SaveFormat::Tex) {
        changes.Tex = TexHeader{texTypeOf(doc), panel.mipCount, panel.unknown, panel.bits};
    } else {
        changes.BitDepth = tgaDepthOf(doc);
        if (format == SaveFormat::Tga && doc.FileKind != DocumentKind::Tga)
            changes.Tga = tgaHeaderWritten(changes.BitDepth);
    }
    return changes;
}

void applySaveChanges(ImageDocument& doc, const SaveChanges& changes)
{
    doc.BitDepth = changes.BitDepth;
    doc.Tex = changes.Tex;
    doc.Tga = changes.Tga;
}

Result<EncodedFile, WriteError> encodeForSave(const ImageDocument& doc, SaveFormat format,
                                              const TexPanelValues& panel)
{
    const SaveChanges changes = saveChangesFor(doc, format, panel);
    WriteResult written = format == SaveFormat::Tex ? writeTex(doc, changes.Tex)
        : format == SaveFormat::Tga                 ? writeTga(doc, changes.BitDepth)
                                                    : writePng(doc, changes.BitDepth);
    if (!written.ok())
        return written.error();
    return EncodedFile{std::move(written.value()), changes};
}

} // namespace vtt
