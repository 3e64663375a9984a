#include "codecs/TexReader.h"

#include "codecs/PixelPacking.h"
#include "codecs/TexFormat.h"

#include <string>

namespace vtt {

namespace {

std::string sizeText(std::uint64_t bytes) { return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes"); }

tex::Header readHeader(ByteReader& in)
{
    tex::Header h;
    h.width = in.s16();
    h.height = in.s16();
    h.type = in.s16();
    h.mipCount = in.s16();
    h.unknown = in.s16();
    h.bits = in.s32();
    return h;
}

// Size of palette plus first level of a readable type.
std::uint64_t bodySize(std::int16_t type, std::uint64_t pixels)
{
    if (tex::is(type, tex::Type::Palette256) || tex::is(type, tex::Type::Palette256Alt))
        return tex::Palette256Size + pixels;
    if (tex::is(type, tex::Type::Palette16))
        return tex::Palette16Size + pixels;
    if (tex::is(type, tex::Type::Rgb))
        return 3 * pixels;
    if (tex::is(type, tex::Type::Rgba))
        return 4 * pixels;
    return 0;
}

void readIndices(ByteReader& in, ImageDocument& doc)
{
    const Bytes src = in.take(static_cast<std::size_t>(doc.PixelCount));
    doc.PixelIndices.assign(src.begin(), src.end());
}

} // namespace

ReadResult readTex(Bytes file, const ImageDocument& previous)
{
    ByteReader in(file);
    if (!in.has(tex::HeaderSize))
        return malformed("the file is " + sizeText(file.size()) + " long, shorter than the "
                         + std::to_string(tex::HeaderSize) + "-byte TEX header");

    const tex::Header h = readHeader(in);
    if (h.width < 0 || h.height < 0)
        return malformed("its header gives a negative size (" + std::to_string(h.width) + " x "
                         + std::to_string(h.height) + ")");

    const std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height);
    if (!tex::isReadable(h.type))
        return ReadError{ReadFailure::UnsupportedTexType, "type " + std::to_string(h.type)};
    const std::uint64_t body = bodySize(h.type, pixels);

    // Checked before anything is allocated: a short file claiming a huge
    // image is refused at the cost of reading its header only.
    const std::uint64_t needed = tex::HeaderSize + body;
    if (file.size() < needed)
        return malformed("a " + std::to_string(h.width) + " x " + std::to_string(h.height) + " texture of type "
                         + std::to_string(h.type) + " needs " + sizeText(needed) + ", but the file has only "
                         + sizeText(file.size()));

    ImageDocument doc = carriedFieldsOf(previous);
    doc.FileKind = DocumentKind::Tex;
    doc.ImageWidth = h.width;
    doc.ImageHeight = h.height;
    doc.TexType = h.type;
    doc.MipCount = h.mipCount;
    doc.TexUnknown = h.unknown;
    doc.TexBits = h.bits;
    doc.PixelCount = static_cast<std::int32_t>(pixels);
    const std::size_t n = static_cast<std::size_t>(pixels);

    if (tex::is(h.type, tex::Type::Palette256) || tex::is(h.type, tex::Type::Palette256Alt)) {
        doc.BitDepth = PaletteDepth;
        const Bytes pal = in.take(tex::Palette256Size);
        for (std::size_t e = 0; e < PaletteEntries; ++e) {
            doc.Palette[4 * e + 0] = pal[4 * e + 2];
            doc.Palette[4 * e + 1] = pal[4 * e + 1];
            doc.Palette[4 * e + 2] = pal[4 * e + 0];
            doc.Palette[4 * e + 3] = pal[4 * e + 3];
        }
        readIndices(in, doc);
    } else if (tex::is(h.type, tex::Type::Palette16)) {
        // Entries 16..255 keep the previous document's colours; the type
        // has no depth of its own, so it is shown as the palette image it is.
        doc.BitDepth = PaletteDepth;
        const Bytes pal = in.take(tex::Palette16Size);
        std::copy(pal.begin(), pal.end(), doc.Palette.begin());
        readIndices(in, doc);
    } else {
        // Both direct-colour types become four bytes a pixel. Type 17 holds
        // no alpha, so its pixels are opaque.
        doc.BitDepth = 32;
        doc.PixelBytes.resize(4 * n);
        std::uint8_t* out = doc.PixelBytes.data();
        if (tex::is(h.type, tex::Type::Rgba)) {
            const Bytes src = in.take(4 * n);
            std::copy(src.begin(), src.end(), out);
        } else {
            packing::fromThreeBytes<false>(in.take(3 * n).data(), out, n);
        }
    }
    return doc;
}

} // namespace vtt
