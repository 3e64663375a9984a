#include "codecs/TgaReader.h"

#include "codecs/TgaFormat.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vtt {

namespace {

using std::to_string;

std::string bytesText(std::uint64_t n) { return to_string(n) + (n == 1 ? " byte" : " bytes"); }

tga::Header readHeader(ByteReader& in)
{
    tga::Header h;
    h.idLength = in.u8();
    h.colorMapType = in.u8();
    h.imageType = in.u8();
    h.firstEntryIndex = in.u16();
    h.colorMapLength = in.u16();
    h.colorMapEntrySize = in.u8();
    h.xOrigin = in.u16();
    h.yOrigin = in.u16();
    h.imageWidth = in.u16();
    h.imageHeight = in.u16();
    h.pixelDepth = in.u8();
    h.imageDescriptor = in.u8();
    return h;
}

// Files written by earlier versions of this tool declare a 256-entry map for
// true-colour pixels but contain none; they have always loaded as true colour.
bool isLegacyTrueColour(const tga::Header& h)
{
    return tga::is(h.imageType, tga::ImageType::ColorMapped) && (h.pixelDepth == 24 || h.pixelDepth == 32);
}

constexpr std::uint8_t scale5(unsigned v) { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); }

// A 15- or 16-bit value, blue in the low bits. The attribute bit, where the
// descriptor declares one, marks a transparent pixel when set, as the
// reference decodes of 16-bit files expect.
void put16(std::uint8_t* out, std::uint16_t v, bool attributeIsAlpha)
{
    out[0] = scale5((v >> 10) & 31);
    out[1] = scale5((v >> 5) & 31);
    out[2] = scale5(v & 31);
    out[3] = attributeIsAlpha && (v & tga::AttributeBit) ? 0 : 255;
}

// One colour-map entry or true-colour pixel, stored blue first, into RGBA.
void putColour(std::uint8_t* out, const std::uint8_t* in, std::size_t bytes, bool attributeIsAlpha)
{
    if (bytes == 2) {
        put16(out, static_cast<std::uint16_t>(in[0] | (in[1] << 8)), attributeIsAlpha);
        return;
    }
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    out[3] = bytes == 4 ? in[3] : 255;
}

// Expands run-length packets into `count` stored pixels of `bpp` bytes. A
// run longer than the pixels still missing is cut at the image's end.
bool expandRunLength(ByteReader& in, std::size_t count, std::size_t bpp, std::vector<std::uint8_t>& out,
                     std::string& error)
{
    out.resize(count * bpp);
    std::uint8_t* dst = out.data();
    std::size_t done = 0;
    while (done < count) {
        if (!in.has(1)) {
            error = "its run-length data ends after " + to_string(done) + " of " + to_string(count) + " pixels";
            return false;
        }
        const std::uint8_t head = in.u8();
        const std::size_t n = std::min<std::size_t>((head & tga::packet::CountMask) + 1u, count - done);
        const std::size_t stored = head & tga::packet::RunFlag ? bpp : ((head & tga::packet::CountMask) + 1u) * bpp;
        if (!in.has(stored)) {
            error = "its run-length data ends inside a packet after " + to_string(done) + " of " + to_string(count)
                + " pixels";
            return false;
        }
        const std::uint8_t* src = in.take(stored).data();
        if (head & tga::packet::RunFlag) {
            if (bpp == 1) {
                std::memset(dst, src[0], n);
            } else {
                for (std::size_t i = 0; i < n; ++i)
                    std::memcpy(dst + i * bpp, src, bpp);
            }
        } else {
            std::memcpy(dst, src, n * bpp);
        }
        dst += n * bpp;
        done += n;
    }
    return true;
}

} // namespace

ReadResult readTga(Bytes file, const ImageDocument& previous)
{
    ByteReader in(file);
    if (!in.has(tga::HeaderSize))
        return malformed("the file is " + bytesText(file.size()) + " long, shorter than the "
                         + to_string(tga::HeaderSize) + "-byte Targa header");
    const tga::Header h = readHeader(in);
    const bool legacy = isLegacyTrueColour(h);
    const bool mapped = tga::isColorMapped(h.imageType) && !legacy;
    const bool grey = tga::isGrey(h.imageType);
    const bool rle = tga::isRunLength(h.imageType);

    if (h.colorMapType > 1)
        return malformed("its colour-map type " + to_string(h.colorMapType) + " is not supported");
    if (!tga::isReadable(h.imageType))
        return malformed("its image type " + to_string(h.imageType)
                         + " is not supported (only 1, 2, 3, 9, 10 and 11 are)");
    if (mapped && h.pixelDepth != 8)
        return malformed("its colour-mapped pixels have " + to_string(h.pixelDepth)
                         + " bits; only 8-bit indices are supported");
    const std::uint8_t d = h.pixelDepth;
    const bool depthOk = mapped ? d == 8 : grey ? (d == 8 || d == 16) : (d == 15 || d == 16 || d == 24 || d == 32);
    if (!depthOk)
        return malformed("a pixel depth of " + to_string(d) + " bits is not supported for image type "
                         + to_string(h.imageType));
    if (h.imageWidth > 32767 || h.imageHeight > 32767)
        return malformed("its size " + to_string(h.imageWidth) + " x " + to_string(h.imageHeight)
                         + " is larger than the 32767 x 32767 a texture can hold");
    if (mapped && h.colorMapType != 1)
        return malformed("it is colour-mapped but has no colour map");

    std::size_t mapBytes = 0;
    if (h.colorMapType == 1 && !legacy) {
        const std::uint8_t e = h.colorMapEntrySize;
        if (mapped && e != 15 && e != 16 && e != 24 && e != 32)
            return malformed("colour-map entries of " + to_string(e) + " bits are not supported");
        if (mapped && h.firstEntryIndex + h.colorMapLength > PaletteEntries)
            return malformed("its colour map covers entries " + to_string(h.firstEntryIndex) + " to "
                             + to_string(h.firstEntryIndex + h.colorMapLength - 1) + ", beyond the 256 a palette holds");
        mapBytes = static_cast<std::size_t>(h.colorMapLength) * tga::bytesPerEntry(e);
    }
    if (!in.has(h.idLength + mapBytes))
        return malformed("its ID field and colour map need " + bytesText(tga::HeaderSize + h.idLength + mapBytes)
                         + ", but the file has only " + bytesText(file.size()));
    in.skip(h.idLength);
    const Bytes map = in.take(mapBytes);

    const std::size_t pixels = static_cast<std::size_t>(h.imageWidth) * h.imageHeight;
    const std::size_t bpp = tga::bytesPerEntry(d);
    Bytes stored;
    std::vector<std::uint8_t> expanded;
    if (rle) {
        // Each packet is at least 1 + bpp bytes and yields at most 128
        // pixels: refuse an impossible claim before allocating for it.
        const std::size_t packets = (in.remaining() + bpp) / (1 + bpp);
        if (pixels > packets * tga::packet::MaxPixels)
            return malformed("its run-length data (" + bytesText(in.remaining()) + ") cannot hold the "
                             + to_string(pixels) + " pixels of a " + to_string(h.imageWidth) + " x "
                             + to_string(h.imageHeight) + " image");
        std::string error;
        if (!expandRunLength(in, pixels, bpp, expanded, error))
            return malformed(error);
        stored = Bytes(expanded.data(), expanded.size());
    } else {
        if (!in.has(pixels * bpp))
            return malformed("a " + to_string(h.imageWidth) + " x " + to_string(h.imageHeight) + " image of "
                             + to_string(d) + "-bit pixels needs " + bytesText(in.position() + pixels * bpp)
                             + ", but the file has only " + bytesText(file.size()));
        stored = in.take(pixels * bpp);
    }

    ImageDocument doc = carriedFieldsOf(previous);
    doc.FileKind = DocumentKind::Tga;
    doc.ImageWidth = static_cast<std::int16_t>(h.imageWidth);
    doc.ImageHeight = static_cast<std::int16_t>(h.imageHeight);
    doc.PixelCount = static_cast<std::int32_t>(pixels);
    doc.TgaIdLength = file[tga::offset::IdLength];
    doc.TgaColorMapType = file[tga::offset::ColorMapType];
    doc.TgaImageType = file[tga::offset::ImageType];
    doc.TgaMapSpecA = file[tga::offset::MapSpecA];
    doc.TgaMapSpecB = static_cast<std::int16_t>(file[tga::offset::MapSpecB] | (file[tga::offset::MapSpecB + 1] << 8));
    doc.TgaMapSpecC = static_cast<std::int16_t>(file[tga::offset::MapSpecC] | (file[tga::offset::MapSpecC + 1] << 8));
    doc.TgaDescriptor = h.imageDescriptor;
    const bool attributeIsAlpha = (h.imageDescriptor & tga::descriptor::AlphaBitsMask) != 0;

    if (mapped || (grey && d == 8)) {
        doc.BitDepth = PaletteDepth;
        doc.PixelIndices.assign(stored.begin(), stored.end());
        for (int c = 0; c < PaletteEntries; ++c) {
            const std::uint8_t v = grey ? static_cast<std::uint8_t>(c) : 0;
            doc.Palette[4 * c + 0] = v;
            doc.Palette[4 * c + 1] = v;
            doc.Palette[4 * c + 2] = v;
            doc.Palette[4 * c + 3] = 255;
        }
        if (mapped) {
            const std::size_t entryBytes = tga::bytesPerEntry(h.colorMapEntrySize);
            for (std::size_t i = 0; i < h.colorMapLength; ++i)
                putColour(&doc.Palette[4 * (h.firstEntryIndex + i)], map.data() + i * entryBytes, entryBytes,
                          attributeIsAlpha);
        }
        return doc;
    }

    doc.BitDepth = d == 24 ? 24 : 32;
    doc.PixelBytes.resize(4 * pixels);
    std::uint8_t* out = doc.PixelBytes.data();
    const std::uint8_t* src = stored.data();
    if (grey) {
        for (std::size_t i = 0; i < pixels; ++i, src += 2, out += 4) {
            out[0] = out[1] = out[2] = src[0];
            out[3] = src[1];
        }
    } else if (bpp == 4) {
        for (std::size_t i = 0; i < pixels; ++i, src += 4, out += 4) {
            out[0] = src[2];
            out[1] = src[1];
            out[2] = src[0];
            out[3] = src[3];
        }
    } else if (bpp == 3) {
        for (std::size_t i = 0; i < pixels; ++i, src += 3, out += 4) {
            out[0] = src[2];
            out[1] = src[1];
            out[2] = src[0];
            out[3] = 255;
        }
    } else {
        const bool alpha = d == 16 && attributeIsAlpha;
        for (std::size_t i = 0; i < pixels; ++i, src += 2, out += 4)
            put16(out, static_cast<std::uint16_t>(src[0] | (src[1] << 8)), alpha);
    }
    return doc;
}

} // namespace vtt
