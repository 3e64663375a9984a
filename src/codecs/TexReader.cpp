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

ReadError shortFile(const tex::Header& h, std::uint64_t needed, std::uint64_t fileSize)
{
    return malformed("a " + std::to_string(h.width) + " x " + std::to_string(h.height) + " texture of type "
                     + std::to_string(h.type) + " needs " + sizeText(needed) + ", but the file has only "
                     + sizeText(fileSize));
}

} // namespace

std::optional<ReadError> judgeTexClaim(Bytes head, std::uint64_t fileSize)
{
    if (head.size() < tex::HeaderSize)
        return malformed("the file is " + sizeText(fileSize) + " long, shorter than the "
                         + std::to_string(tex::HeaderSize) + "-byte TEX header");
    const tex::Header h = parseHeader(head.first<tex::HeaderSize>());
    if (h.width < 0 || h.height < 0)
        return malformed("its header gives a negative size (" + std::to_string(h.width) + " x "
                         + std::to_string(h.height) + ")");
    if (!tex::isReadable(h.type))
        return ReadError{ReadFailure::UnsupportedTexType, "type " + std::to_string(h.type)};
    // Checked before anything is allocated or read, so that a short file
    // claiming a huge image is refused at the cost of its header.
    const std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height);
    const std::uint64_t needed = tex::HeaderSize + bodySize(h.type, pixels);
    if (fileSize < needed)
        return shortFile(h, needed, fileSize);
    return std::nullopt;
}

namespace {

// The document readTex gives, without its pixels.
ImageDocument headerDocument(const tex::Header& h, const ImageDocument& previous)
{
    ImageDocument doc = carriedFieldsOf(previous);
    doc.FileKind = DocumentKind::Tex;
    doc.ImageWidth = h.width;
    doc.ImageHeight = h.height;
    doc.Tex = TexHeader{h.type, h.mipCount, h.unknown, h.bits};
    doc.PixelCount = static_cast<std::int32_t>(std::int32_t(h.width) * h.height);
    // Type 15 has no depth of its own and is shown as the palette image it is.
    doc.BitDepth = tex::is(h.type, tex::Type::Rgb) || tex::is(h.type, tex::Type::Rgba) ? 32 : PaletteDepth;
    return doc;
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

ReadResult peekTex(Bytes head, std::uint64_t fileSize)
{
    if (auto refused = judgeTexClaim(head, fileSize))
        return *refused;
    return headerDocument(parseHeader(head.first<tex::HeaderSize>()), ImageDocument{});
}

ReadResult readTex(Bytes file, const ImageDocument& previous)
{
    if (auto refused = judgeTexClaim(file.first(std::min(file.size(), tex::HeaderSize)), file.size()))
        return *refused;
    ByteReader in(file);
    const tex::Header h = parseHeader(*in.takeFixed<tex::HeaderSize>());
    const std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height);
    // Every read below is checked again by the reader itself.
    const auto shortFile = [&] {
        return vtt::shortFile(h, tex::HeaderSize + bodySize(h.type, pixels), file.size());
    };

    ImageDocument doc = headerDocument(h, previous);
    const std::size_t n = static_cast<std::size_t>(pixels);

    ReadError error;
    if (tex::is(h.type, tex::Type::Rgb) || tex::is(h.type, tex::Type::Rgba)) {
        // Both direct-colour types become four bytes a pixel. Type 17 holds
        // no alpha, so its pixels are opaque.
        const bool rgba = tex::is(h.type, tex::Type::Rgba);
        const auto src = in.take((rgba ? 4 : 3) * n);
        if (!src)
            return shortFile();
        if (!allocatePixels(doc.PixelBytes, 4 * pixels, h.width, h.height, error))
            return error;
        // Bands of whole pixels of either size.
        if (!copyInBands(src->data(), doc.PixelBytes.data(), src->size(), rgba ? 4 : 3))
            return malformed(CancelledText);
        return doc;
    }

    // Palette types. Type 15 has no depth of its own and is shown as the
    // palette image it is; its entries 16..255 keep the previous colours.
    const bool sixteen = tex::is(h.type, tex::Type::Palette16);
    const auto pal = in.take(sixteen ? tex::Palette16Size : tex::Palette256Size);
    const auto indices = in.take(n);
    if (!pal || !indices)
        return shortFile();
    if (sixteen) {
        std::copy(pal->begin(), pal->end(), doc.Palette.begin());
    } else {
        for (std::size_t e = 0; e < PaletteEntries; ++e) { // stored blue, green, red, alpha
            doc.Palette[4 * e + 0] = (*pal)[4 * e + 2];
            doc.Palette[4 * e + 1] = (*pal)[4 * e + 1];
            doc.Palette[4 * e + 2] = (*pal)[4 * e + 0];
            doc.Palette[4 * e + 3] = (*pal)[4 * e + 3];
        }
    }
    if (!allocatePixels(doc.PixelIndices, pixels, h.width, h.height, error))
        return error;
    if (!copyInBands(indices->data(), doc.PixelIndices.data(), indices->size(), 1))
        return malformed(CancelledText);
    return doc;
}

} // namespace vtt
