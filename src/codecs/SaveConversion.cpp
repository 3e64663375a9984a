#include "codecs/SaveConversion.h"

#include "codecs/ColourMode.h"
#include "codecs/TexFormat.h"
#include "codecs/TgaWriter.h"

namespace vtt {

namespace {

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

SaveChanges unchanged(const ImageDocument& doc)
{
    return SaveChanges{doc.BitDepth(), doc.Facts.Tex, doc.Facts.Tga, mip::MipFilter::BoxStored};
}

} // namespace

SaveChanges texSaveChanges(const ImageDocument& doc, const TexPanelValues& panel)
{
    SaveChanges changes = unchanged(doc);
    changes.Tex = TexHeader{fittingTexType(doc), panel.mipCount, panel.unknown, panel.bits};
    changes.MipFilter = panel.mipFilter;
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
