#include "codecs/TgaReader.h"

#include "codecs/PixelPacking.h"
#include "codecs/RunLength.h"
#include "codecs/TgaFormat.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
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

// Files written by earlier versions of this tool start with these bytes and
// a depth of 24 or 32: they declare a 256-entry map but contain none, and
// have always loaded as true colour.
constexpr std::uint8_t LegacyHeaderStart[8] = {0, 1, 1, 0, 0, 0, 1, 24};

bool isLegacyTrueColour(Bytes file, const tga::Header& h)
{
    return std::equal(std::begin(LegacyHeaderStart), std::end(LegacyHeaderStart), file.begin())
        && (h.pixelDepth == 24 || h.pixelDepth == 32);
}

// Stored pixel and colour-map entry formats. Each says how many bytes one
// value takes in the file (In) and in the document (Out: one palette index,
// or red, green, blue, alpha), how one value converts and how a span does.
// The decoders are templates over them: no per-pixel dispatch.
template <class Px>
void convertEach(const std::uint8_t* src, std::uint8_t* dst, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i, src += Px::In, dst += Px::Out)
        Px::put(src, dst);
}

struct Index8 {
    static constexpr std::size_t In = 1, Out = 1;
    static void put(const std::uint8_t* s, std::uint8_t* d) { d[0] = s[0]; }
    static void convert(const std::uint8_t* s, std::uint8_t* d, std::size_t n) { std::memcpy(d, s, n); }
};

struct Bgr24 {
    static constexpr std::size_t In = 3, Out = 4;
    static void put(const std::uint8_t* s, std::uint8_t* d)
    {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = 255;
    }
    static void convert(const std::uint8_t* s, std::uint8_t* d, std::size_t n) { packing::fromThreeBytes<true>(s, d, n); }
    static constexpr const kernels::PixelShuffle& Shuffle = kernels::BgrToRgba;
};

struct Bgra32 {
    static constexpr std::size_t In = 4, Out = 4;
    static void put(const std::uint8_t* s, std::uint8_t* d)
    {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = s[3];
    }
    // BGRA and RGBA differ only in where red and blue sit: the same word
    // swap as writing, close to a plain copy.
    static void convert(const std::uint8_t* s, std::uint8_t* d, std::size_t n) { packing::toBgra(s, d, n); }
    static constexpr const kernels::PixelShuffle& Shuffle = kernels::SwapRedBlue;
};

// 5 bits to 8 by repeating the top bits, so 0 stays 0 and 31 becomes 255.
constexpr std::uint8_t scale5(unsigned v) { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); }

// 15- and 16-bit values, little-endian, blue in the low bits. Where the
// descriptor declares an attribute bit, a set bit marks a transparent pixel,
// as the reference decodes of 16-bit files expect; otherwise it is ignored.
template <bool AttributeIsAlpha>
struct Bgr555 {
    static constexpr std::size_t In = 2, Out = 4;
    static void put(const std::uint8_t* s, std::uint8_t* d)
    {
        const unsigned v = static_cast<unsigned>(s[0]) | (static_cast<unsigned>(s[1]) << 8);
        d[0] = scale5((v >> 10) & 31);
        d[1] = scale5((v >> 5) & 31);
        d[2] = scale5(v & 31);
        d[3] = AttributeIsAlpha && (v & tga::AttributeBit) ? 0 : 255;
    }
    static void convert(const std::uint8_t* s, std::uint8_t* d, std::size_t n) { convertEach<Bgr555>(s, d, n); }
};

struct GreyAlpha16 {
    static constexpr std::size_t In = 2, Out = 4;
    static void put(const std::uint8_t* s, std::uint8_t* d)
    {
        d[0] = s[0];
        d[1] = s[0];
        d[2] = s[0];
        d[3] = s[1];
    }
    static void convert(const std::uint8_t* s, std::uint8_t* d, std::size_t n) { convertEach<GreyAlpha16>(s, d, n); }
};

enum class Format { Index8, Bgr24, Bgra32, Bgr15, Bgra16, GreyAlpha16 };

template <class Px>
std::string decodeWith(ByteReader& in, bool rle, std::uint8_t* out, std::size_t pixels)
{
    if (rle)
        return runlength::decode<Px>(in, out, pixels);
    // The caller has checked that every uncompressed pixel is present.
    Px::convert(in.take(pixels * Px::In).data(), out, pixels);
    return {};
}

std::string decode(Format format, ByteReader& in, bool rle, std::uint8_t* out, std::size_t pixels)
{
    if (pixels == 0) // an empty image has no array to write to, not even for a copy of nothing
        return {};
    switch (format) {
    case Format::Index8: return decodeWith<Index8>(in, rle, out, pixels);
    case Format::Bgr24: return decodeWith<Bgr24>(in, rle, out, pixels);
    case Format::Bgra32: return decodeWith<Bgra32>(in, rle, out, pixels);
    case Format::Bgr15: return decodeWith<Bgr555<false>>(in, rle, out, pixels);
    case Format::Bgra16: return decodeWith<Bgr555<true>>(in, rle, out, pixels);
    case Format::GreyAlpha16: return decodeWith<GreyAlpha16>(in, rle, out, pixels);
    }
    return {};
}

enum class Kind { ColourMapped, TrueColour, Grey };

// What the header declares, once it is known to be readable.
struct Layout {
    Kind kind = Kind::TrueColour;
    bool rle = false;
    Format pixels = Format::Bgr24;
    std::size_t pixelBytes = 0; // stored bytes per pixel
    Format mapEntries = Format::Bgr24;
    std::size_t mapBytes = 0; // colour map in the file, read or skipped
    std::uint8_t bitDepth = 0; // of the document
};

Format sixteenBit(const tga::Header& h)
{
    return (h.imageDescriptor & tga::descriptor::AlphaBitsMask) != 0 ? Format::Bgra16 : Format::Bgr15;
}

Format trueColourFormat(const tga::Header& h)
{
    switch (h.pixelDepth) {
    case 15: return Format::Bgr15;
    case 16: return sixteenBit(h);
    case 24: return Format::Bgr24;
    default: return Format::Bgra32;
    }
}

std::optional<ReadError> planLayout(Bytes file, const tga::Header& h, Layout& layout)
{
    const unsigned d = h.pixelDepth;
    if (h.colorMapType > static_cast<std::uint8_t>(tga::ColorMapType::Present))
        return malformed("its colour-map type " + to_string(h.colorMapType) + " is not supported (only 0 and 1 are)");
    if (!tga::isReadable(h.imageType))
        return malformed("its image type " + to_string(h.imageType)
                         + " is not supported (only 1, 2, 3, 9, 10 and 11 are)");
    if (d != 8 && d != 15 && d != 16 && d != 24 && d != 32)
        return malformed("a pixel depth of " + to_string(d) + " bits is not supported (only 8, 15, 16, 24 and 32 are)");

    const bool hasMap = h.colorMapType == static_cast<std::uint8_t>(tga::ColorMapType::Present);
    layout.mapBytes = hasMap ? std::size_t(h.colorMapLength) * tga::bytesPerEntry(h.colorMapEntrySize) : 0;
    layout.pixelBytes = tga::bytesPerEntry(h.pixelDepth);
    layout.rle = tga::isRunLength(h.imageType);

    if (isLegacyTrueColour(file, h)) {
        layout.kind = Kind::TrueColour;
        layout.pixels = trueColourFormat(h);
        layout.mapBytes = 0;
        layout.bitDepth = h.pixelDepth;
        return std::nullopt;
    }

    if (tga::isColorMapped(h.imageType)) {
        layout.kind = Kind::ColourMapped;
        if (!hasMap)
            return malformed("it is colour-mapped but has no colour map");
        if (d != 8)
            return malformed("its colour-mapped pixels have " + to_string(d)
                             + " bits; only 8-bit indices are supported");
        const unsigned end = unsigned(h.firstEntryIndex) + h.colorMapLength;
        if (end > PaletteEntries)
            return malformed("its colour map covers entries " + to_string(h.firstEntryIndex) + " to "
                             + to_string(end - 1) + ", beyond the 256 a palette holds");
        if (h.colorMapLength > 0) {
            switch (h.colorMapEntrySize) {
            case 15: layout.mapEntries = Format::Bgr15; break;
            case 16: layout.mapEntries = sixteenBit(h); break;
            case 24: layout.mapEntries = Format::Bgr24; break;
            case 32: layout.mapEntries = Format::Bgra32; break;
            default:
                return malformed("its colour-map entries of " + to_string(h.colorMapEntrySize)
                                 + " bits each are not supported (only 15, 16, 24 and 32 are)");
            }
        }
        layout.pixels = Format::Index8;
        layout.bitDepth = PaletteDepth;
    } else if (tga::isGrey(h.imageType)) {
        layout.kind = Kind::Grey;
        if (d == 8) {
            layout.pixels = Format::Index8;
            layout.bitDepth = PaletteDepth;
        } else if (d == 16) {
            layout.pixels = Format::GreyAlpha16;
            layout.bitDepth = 32;
        } else {
            return malformed("greyscale pixels of " + to_string(d) + " bits are not supported (only 8 and 16 are)");
        }
    } else {
        layout.kind = Kind::TrueColour;
        if (d == 8)
            return malformed("true-colour pixels of 8 bits are not supported (only 15, 16, 24 and 32 are)");
        layout.pixels = trueColourFormat(h);
        layout.bitDepth = d == 24 ? 24 : 32;
    }
    return std::nullopt;
}

template <class Px>
void readEntries(Bytes map, std::size_t first, std::size_t count, std::uint8_t* palette)
{
    convertEach<Px>(map.data(), palette + 4 * first, count);
}

// Entries the map does not define are opaque black.
void readColourMap(const tga::Header& h, Format format, Bytes map, ImageDocument& doc)
{
    for (std::size_t c = 0; c < PaletteEntries; ++c) {
        doc.Palette[4 * c + 0] = 0;
        doc.Palette[4 * c + 1] = 0;
        doc.Palette[4 * c + 2] = 0;
        doc.Palette[4 * c + 3] = 255;
    }
    const std::size_t first = h.firstEntryIndex, count = h.colorMapLength;
    std::uint8_t* palette = doc.Palette.data();
    switch (format) {
    case Format::Bgr15: readEntries<Bgr555<false>>(map, first, count, palette); break;
    case Format::Bgra16: readEntries<Bgr555<true>>(map, first, count, palette); break;
    case Format::Bgr24: readEntries<Bgr24>(map, first, count, palette); break;
    case Format::Bgra32: readEntries<Bgra32>(map, first, count, palette); break;
    case Format::Index8:
    case Format::GreyAlpha16: break; // never a map entry format
    }
}

void fillGreyRamp(ImageDocument& doc)
{
    for (std::size_t c = 0; c < PaletteEntries; ++c) {
        const auto grey = static_cast<std::uint8_t>(c);
        doc.Palette[4 * c + 0] = grey;
        doc.Palette[4 * c + 1] = grey;
        doc.Palette[4 * c + 2] = grey;
        doc.Palette[4 * c + 3] = 255;
    }
}

} // namespace

ReadResult readTga(Bytes file, const ImageDocument& previous)
{
    ByteReader in(file);
    if (!in.has(tga::HeaderSize))
        return malformed("the file is " + bytesText(file.size()) + " long, shorter than the "
                         + to_string(tga::HeaderSize) + "-byte Targa header");
    const tga::Header h = readHeader(in);

    Layout layout;
    if (auto refused = planLayout(file, h, layout))
        return *refused;
    // The document holds its dimensions as signed 16-bit numbers.
    if (h.imageWidth > 32767 || h.imageHeight > 32767)
        return malformed("its size " + to_string(h.imageWidth) + " x " + to_string(h.imageHeight)
                         + " is larger than the 32767 x 32767 a texture can hold");

    // Every length is checked against the bytes present before anything is
    // allocated, so a short file claiming a huge image costs only its header.
    if (!in.has(h.idLength))
        return malformed("its " + bytesText(h.idLength) + " ID field needs a file of "
                         + bytesText(tga::HeaderSize + h.idLength) + ", but the file has only "
                         + bytesText(file.size()));
    in.skip(h.idLength);
    if (!in.has(layout.mapBytes))
        return malformed("its colour map of " + to_string(h.colorMapLength) + " entries needs a file of "
                         + bytesText(in.position() + layout.mapBytes) + ", but the file has only "
                         + bytesText(file.size()));
    const Bytes map = in.take(layout.mapBytes);

    const std::size_t pixels = std::size_t(h.imageWidth) * h.imageHeight;
    if (layout.rle) {
        // A packet of 1 + bpp bytes yields at most 128 pixels, which bounds
        // what the remaining bytes can expand to.
        const std::size_t packets = (in.remaining() + layout.pixelBytes) / (1 + layout.pixelBytes);
        if (pixels > packets * tga::packet::MaxPixels)
            return malformed("its run-length data (" + bytesText(in.remaining()) + ") cannot hold the "
                             + to_string(pixels) + " pixels of a " + to_string(h.imageWidth) + " x "
                             + to_string(h.imageHeight) + " image");
    } else if (!in.has(pixels * layout.pixelBytes)) {
        return malformed("a " + to_string(h.imageWidth) + " x " + to_string(h.imageHeight) + " image of "
                         + to_string(h.pixelDepth) + "-bit pixels needs "
                         + bytesText(in.position() + pixels * layout.pixelBytes) + ", but the file has only "
                         + bytesText(file.size()));
    }

    ImageDocument doc = carriedFieldsOf(previous);
    doc.FileKind = DocumentKind::Tga;
    doc.ImageWidth = static_cast<std::int16_t>(h.imageWidth);
    doc.ImageHeight = static_cast<std::int16_t>(h.imageHeight);
    doc.BitDepth = layout.bitDepth;
    doc.PixelCount = static_cast<std::int32_t>(pixels);
    // Kept as the bytes stand, in the tool's own split of bytes 3 to 7.
    doc.TgaIdLength = file[tga::offset::IdLength];
    doc.TgaColorMapType = file[tga::offset::ColorMapType];
    doc.TgaImageType = file[tga::offset::ImageType];
    doc.TgaMapSpecA = file[tga::offset::MapSpecA];
    doc.TgaMapSpecB = static_cast<std::int16_t>(file[tga::offset::MapSpecB] | (file[tga::offset::MapSpecB + 1] << 8));
    doc.TgaMapSpecC = static_cast<std::int16_t>(file[tga::offset::MapSpecC] | (file[tga::offset::MapSpecC + 1] << 8));
    doc.TgaDescriptor = file[tga::offset::ImageDescriptor];

    if (layout.kind == Kind::ColourMapped)
        readColourMap(h, layout.mapEntries, map, doc);
    else if (layout.kind == Kind::Grey && layout.bitDepth == PaletteDepth)
        fillGreyRamp(doc);

    PixelArray& target = doc.isPaletted() ? doc.PixelIndices : doc.PixelBytes;
    target.resize(doc.isPaletted() ? pixels : 4 * pixels);
    const std::string shortData = decode(layout.pixels, in, layout.rle, target.data(), pixels);
    if (!shortData.empty())
        return malformed(shortData);
    return doc;
}

} // namespace vtt
