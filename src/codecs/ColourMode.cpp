#include "codecs/ColourMode.h"

#include "codecs/TexFormat.h"

namespace vtt {

ColourMode modeOf(const ImageDocument& doc)
{
    const std::int16_t type = doc.Facts.Tex.Type;
    if (doc.isPaletted())
        return tex::is(type, tex::Type::Palette16) ? ColourMode::Indexed16 : ColourMode::Indexed256;
    if (doc.BitDepth() == 24 || (doc.Facts.Kind == ImageFormat::Tex && tex::is(type, tex::Type::Rgb)))
        return ColourMode::Rgb;
    return ColourMode::Rgba;
}

bool writableTexType(int type)
{
    return type == int(tex::Type::Palette256) || type == int(tex::Type::Palette256Alt)
        || type == int(tex::Type::Palette16) || type == int(tex::Type::Rgb) || type == int(tex::Type::Rgba);
}

ColourMode modeForTexType(int type)
{
    switch (type) {
    case int(tex::Type::Palette16): return ColourMode::Indexed16;
    case int(tex::Type::Rgb): return ColourMode::Rgb;
    case int(tex::Type::Rgba): return ColourMode::Rgba;
    default: return ColourMode::Indexed256;
    }
}

std::int16_t fittingTexType(const ImageDocument& doc)
{
    const std::int16_t type = doc.Facts.Tex.Type;
    // A type no file could have given stays, for the writer to refuse.
    if ((!doc.isPaletted() && doc.BitDepth() != 24 && doc.BitDepth() != 32)
        || (doc.Facts.Kind == ImageFormat::Tex && !writableTexType(type)))
        return type;
    return texTypeOfMode(modeOf(doc), type);
}

std::int16_t texTypeOfMode(ColourMode mode, std::int16_t current)
{
    switch (mode) {
    case ColourMode::Indexed256:
        return tex::is(current, tex::Type::Palette256Alt) ? current : std::int16_t(tex::Type::Palette256);
    case ColourMode::Indexed16: return std::int16_t(tex::Type::Palette16);
    case ColourMode::Rgb: return std::int16_t(tex::Type::Rgb);
    case ColourMode::Rgba: break;
    }
    return std::int16_t(tex::Type::Rgba);
}

} // namespace vtt
