#include "codecs/SaveConversion.h"

#include "codecs/TexFormat.h"
#include "codecs/TgaWriter.h"

namespace vtt {

namespace {

// A document that came with a TEX header keeps its type; any other takes
// the type of its depth.
std::int16_t texTypeOf(const ImageDocument& doc)
{
    if (doc.Facts.Kind != ImageFormat::Tex) {
        if (doc.BitDepth() == PaletteDepth)
            return static_cast<std::int16_t>(tex::Type::Palette256);
        if (doc.BitDepth() == 24)
            return static_cast<std::int16_t>(tex::Type::Rgb);
        if (doc.BitDepth() == 32)
            return static_cast<std::int16_t>(tex::Type::Rgba);
    }
    return doc.Facts.Tex.Type;
}

std::uint8_t tgaDepthOf(const ImageDocument& doc)
{
    if (doc.Facts.Kind != ImageFormat::Tex)
        return doc.BitDepth();
    const std::int16_t type = doc.Facts.Tex.Type;
    if (tex::is(type, tex::Type::Palette256) || tex::is(type, tex::Type::Palette256Alt))
        return PaletteDepth;
    if (tex::is(type, tex::Type::Rgb))
        return 24;
    if (tex::is(type, tex::Type::Rgba))
        return 32;
    return doc.BitDepth();
}

SaveChanges unchanged(const ImageDocument& doc) { return SaveChanges{doc.BitDepth(), doc.Facts.Tex, doc.Facts.Tga}; }

} // namespace

SaveChanges texSaveChanges(const ImageDocument& doc, const TexPanelValues& panel)
{
    SaveChanges changes = unchanged(doc);
    changes.Tex = TexHeader{texTypeOf(doc), panel.mipCount, panel.unknown, panel.bits};
    return changes;
}

SaveChanges tgaSaveChanges(const ImageDocument& doc, const TexPanelValues&)
{
    SaveChanges changes = unchanged(doc);
    changes.BitDepth = tgaDepthOf(doc);
    if (doc.Facts.Kind != ImageFormat::Tga)
        changes.Tga = tgaHeaderWritten(changes.BitDepth);
    return changes;
}

SaveChanges pngSaveChanges(const ImageDocument& doc, const TexPanelValues&)
{
    SaveChanges changes = unchanged(doc);
    changes.BitDepth = tgaDepthOf(doc);
    return changes;
}

Result<void> applySaveChanges(ImageDocument& doc, const SaveChanges& changes)
{
    VTT_CHECK(doc.setBitDepth(changes.BitDepth));
    doc.Facts.Tex = changes.Tex;
    doc.Facts.Tga = changes.Tga;
    return {};
}

} // namespace vtt
