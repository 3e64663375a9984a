#include "codecs/TexReader.h"

#include "codecs/Cancel.h"
#include "codecs/PixelPacking.h"
#include "codecs/TexFormat.h"

#include <algorithm>
#include <string>

namespace vtt {

namespace {

std::string sizeText(std::uint64_t bytes) { return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes"); }

tex::Header parseHeader(std::span<const std::uint8_t, tex::HeaderSize> b)
{
    tex::Header h;
    h.width = s16At<tex::offset::Width>(b);
    h.height = s16At<tex::offset::Height>(b);
    h.type = s16At<tex::offset::Type>(b);
    h.mipCount = s16At<tex::offset::MipCount>(b);
    h.unknown = s16At<tex::offset::Unknown>(b);
    h.bits = s32At<tex::offset::Bits>(b);
    return h;
}

// Bytes of palette plus first level of a readable type.
std::uint64_t bodySize(std::int16_t type, std::uint64_t pixels)
{
    if (tex::is(type, tex::Type::Palette256) || tex::is(type, tex::Type::Palette256Alt))
        return tex::Palette256Size + pixels;
    if (tex::is(type, tex::Type::Palette16))
        return tex::Palette16Size + pixels;
    if (tex::is(type, tex::Type::Rgb))
        return 3 * pixels;
    return 4 * pixels;
}

Unexpected<Error> shortFile(const tex::Header& h, std::uint64_t needed, std::uint64_t fileSize)
{
    return malformed("a " + std::to_string(h.width) + " x " + std::to_string(h.height) + " texture of type "
                     + std::to_string(h.type) + " needs " + sizeText(needed) + ", but the file has only "
                     + sizeText(fileSize));
}

} // namespace

Result<void> judgeTexClaim(Bytes head, std::uint64_t fileSize)
{
    if (head.size() < tex::HeaderSize)
        return malformed("the file is " + sizeText(fileSize) + " long, shorter than the "
                         + std::to_string(tex::HeaderSize) + "-byte TEX header");
    const tex::Header h = parseHeader(head.first<tex::HeaderSize>());
    if (h.width < 0 || h.height < 0)
        return malformed("its header gives a negative size (" + std::to_string(h.width) + " x "
                         + std::to_string(h.height) + ")");
    if (!tex::isReadable(h.type))
        return unexpected(ErrorKind::UnsupportedTexType, "type " + std::to_string(h.type));
    // Checked before anything is allocated or read, so that a short file
    // claiming a huge image is refused at the cost of its header.
    const std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height);
    const std::uint64_t needed = tex::HeaderSize + bodySize(h.type, pixels);
    if (fileSize < needed)
        return shortFile(h, needed, fileSize);
    return {};
}

namespace {

// What readTex gives, without its pixels.
ImageOutline headerOutline(const tex::Header& h)
{
    ImageOutline outline;
    outline.width = h.width;
    outline.height = h.height;
    // Type 15 has no depth of its own and is shown as the palette image it is.
    outline.depth = tex::is(h.type, tex::Type::Rgb) || tex::is(h.type, tex::Type::Rgba) ? 32 : PaletteDepth;
    outline.Facts.Kind = ImageFormat::Tex;
    outline.Facts.Tex = TexHeader{h.type, h.mipCount, h.unknown, h.bits};
    return outline;
}

// Copies in bands, looking for a request to stop between them: a copy of
// gigabytes is seconds of work.
bool copyInBands(const std::uint8_t* src, std::uint8_t* dst, std::size_t bytes, int step)
{
    constexpr std::size_t Band = 24 * 1024 * 1024; // whole 3- and 4-byte pixels
    for (std::size_t done = 0; done < bytes; done += Band) {
        if (cancelRequested())
            return false;
        const std::size_t n = std::min(Band, bytes - done);
        if (step != 3)
            std::copy(src + done, src + done + n, dst + done);
        else
            packing::fromThreeBytes<false>(src + done, dst + done / 3 * 4, n / 3);
    }
    return true;
}

} // namespace

Result<ImageOutline> peekTex(Bytes head, std::uint64_t fileSize)
{
    VTT_CHECK(judgeTexClaim(head, fileSize));
    return headerOutline(parseHeader(head.first<tex::HeaderSize>()));
}

ReadResult readTex(Bytes file)
{
    VTT_CHECK(judgeTexClaim(file.first(std::min(file.size(), tex::HeaderSize)), file.size()));
    ByteReader in(file);
    const tex::Header h = parseHeader(*in.takeFixed<tex::HeaderSize>());
    const std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height);
    // Every read below is checked again by the reader itself.
    const auto shortFile = [&] {
        return vtt::shortFile(h, tex::HeaderSize + bodySize(h.type, pixels), file.size());
    };
    const std::size_t n = static_cast<std::size_t>(pixels);
    const auto withFacts = [&](ImageDocument doc) {
        doc.Facts.Kind = ImageFormat::Tex;
        doc.Facts.Tex = TexHeader{h.type, h.mipCount, h.unknown, h.bits};
        return doc;
    };

    if (tex::is(h.type, tex::Type::Rgb) || tex::is(h.type, tex::Type::Rgba)) {
        // Both direct-colour types become four bytes a pixel. Type 17 holds
        // no alpha, so its pixels are opaque.
        const bool rgba = tex::is(h.type, tex::Type::Rgba);
        const auto src = in.take((rgba ? 4 : 3) * n);
        if (!src)
            return shortFile();
        VTT_TRY(doc, ImageDocument::create(h.width, h.height, 32));
        // Bands of whole pixels of either size.
        if (!copyInBands(src->data(), doc.PixelBytes().data(), src->size(), rgba ? 4 : 3))
            return malformed(CancelledText);
        return withFacts(std::move(doc));
    }

    // Palette types. Type 15 has no depth of its own and is shown as the
    // palette image it is.
    const bool sixteen = tex::is(h.type, tex::Type::Palette16);
    const auto pal = in.take(sixteen ? tex::Palette16Size : tex::Palette256Size);
    const auto indices = in.take(n);
    if (!pal || !indices)
        return shortFile();
    VTT_TRY(doc, ImageDocument::create(h.width, h.height, PaletteDepth));
    PaletteArray& palette = doc.Palette();
    if (sixteen) {
        std::copy(pal->begin(), pal->end(), palette.begin());
    } else {
        for (std::size_t e = 0; e < PaletteEntries; ++e) { // stored blue, green, red, alpha
            palette[4 * e + 0] = (*pal)[4 * e + 2];
            palette[4 * e + 1] = (*pal)[4 * e + 1];
            palette[4 * e + 2] = (*pal)[4 * e + 0];
            palette[4 * e + 3] = (*pal)[4 * e + 3];
        }
    }
    if (!copyInBands(indices->data(), doc.PixelIndices().data(), indices->size(), 1))
        return malformed(CancelledText);
    return withFacts(std::move(doc));
}

} // namespace vtt
