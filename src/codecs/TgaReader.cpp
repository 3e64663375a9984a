#include "codecs/TgaReader.h"

#include "codecs/Cancel.h"
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

tga::Header parseHeader(std::span<const std::uint8_t, tga::HeaderSize> b)
{
    namespace at = tga::offset;
    tga::Header h;
    h.idLength = u8At<at::IdLength>(b);
    h.colorMapType = u8At<at::ColorMapType>(b);
    h.imageType = u8At<at::ImageType>(b);
    h.firstEntryIndex = u16At<at::FirstEntryIndex>(b);
    h.colorMapLength = u16At<at::ColorMapLength>(b);
    h.colorMapEntrySize = u8At<at::ColorMapEntrySize>(b);
    h.xOrigin = u16At<at::XOrigin>(b);
    h.yOrigin = u16At<at::YOrigin>(b);
    h.imageWidth = u16At<at::ImageWidth>(b);
    h.imageHeight = u16At<at::ImageHeight>(b);
    h.pixelDepth = u8At<at::PixelDepth>(b);
    h.imageDescriptor = u8At<at::ImageDescriptor>(b);
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

// Targa 2.0 files end in this footer signature, its terminating zero included.
constexpr char FooterSignature[] = "TRUEVISION-XFILE.";
constexpr std::size_t FooterSignatureSize = sizeof FooterSignature; // 18

// `end` holds the file's last bytes (or all of it), `fileSize` the whole.
bool hasFooter(Bytes end, std::uint64_t fileSize)
{
    return fileSize >= tga::HeaderSize + FooterSignatureSize && end.size() >= FooterSignatureSize
        && std::equal(FooterSignature, FooterSignature + FooterSignatureSize, end.end() - FooterSignatureSize);
}

// Earlier versions of this tool wrote the top row first under a descriptor
// of 0 (which declares bottom-up rows), always with this header start and
// never with a footer. Such files keep loading as they always have.
bool isEarlierToolOutput(Bytes file, bool footer, const tga::Header& h)
{
    return std::equal(std::begin(LegacyHeaderStart), std::end(LegacyHeaderStart), file.begin())
        && h.imageDescriptor == 0 && !footer;
}

// How the stored rows and columns map to the document's, which holds the
// top row first, left to right, as other programs show the image.
struct Orientation {
    bool bottomUp = false;
    bool rightToLeft = false;
};

Orientation orientationOf(Bytes file, bool footer, const tga::Header& h)
{
    if (isEarlierToolOutput(file, footer, h))
        return {};
    return {(h.imageDescriptor & tga::descriptor::TopToBottom) == 0,
            (h.imageDescriptor & tga::descriptor::RightToLeft) != 0};
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

// Where each stored row lands in the document. Files store their bottom row
// first unless the descriptor says otherwise; the document always holds the
// top row first.
struct RowMap {
    std::uint8_t* base = nullptr;
    std::size_t rowBytes = 0;
    std::size_t rows = 0;
    bool bottomUp = false;
    std::uint8_t* row(std::size_t stored) const { return base + (bottomUp ? rows - 1 - stored : stored) * rowBytes; }
};

template <class Px>
std::string decodeRaw(ByteReader& in, const RowMap& map, std::size_t width)
{
    const std::size_t rowIn = width * Px::In;
    const auto src = in.take(map.rows * rowIn);
    if (!src)
        return "its pixel data is shorter than the image";
    // Bands of rows, with a look for a request to stop between them.
    const std::size_t band = std::max<std::size_t>(1, (16u << 20) / (width * Px::Out));
    for (std::size_t r = 0; r < map.rows; r += band) {
        if (cancelRequested())
            return CancelledText;
        const std::size_t rows = std::min(band, map.rows - r);
        if (!map.bottomUp) {
            Px::convert(src->data() + r * rowIn, map.base + r * width * Px::Out, width * rows);
            continue;
        }
        for (std::size_t k = r; k < r + rows; ++k)
            Px::convert(src->data() + k * rowIn, map.row(k), width);
    }
    return {};
}

// Decodes packets straight into the document's rows; runs may cross rows. A
// packet reaching past the image's end is cut there, and only the pixels used
// must be present. Returns an empty string, or why the data is short.
template <class Px>
std::string decodeRunLength(ByteReader& in, const RowMap& map, std::size_t width)
{
    const std::size_t pixels = width * map.rows;
    std::size_t done = 0, row = 0, column = 0;
    while (done < pixels) {
        const auto head = in.u8();
        if (!head)
            return "its run-length data ends after " + to_string(done) + " of " + to_string(pixels) + " pixels";
        const std::size_t count = std::min<std::size_t>((*head & tga::packet::CountMask) + 1u, pixels - done);
        const bool run = *head & tga::packet::RunFlag;
        const auto stored = in.take(run ? Px::In : count * Px::In);
        if (!stored)
            return "its run-length data ends inside a packet after " + to_string(done) + " of " + to_string(pixels)
                + " pixels";
        std::uint8_t value[Px::Out];
        if (run)
            Px::put(stored->data(), value);
        const std::uint8_t* src = stored->data();
        for (std::size_t left = count; left > 0;) {
            const std::size_t piece = std::min(left, width - column);
            std::uint8_t* dst = map.row(row) + column * Px::Out;
            if (!run) {
                Px::convert(src, dst, piece);
                src += piece * Px::In;
            } else if constexpr (Px::Out == 1) {
                std::memset(dst, value[0], piece);
            } else {
                kernels::active().fill4(dst, value, piece);
            }
            left -= piece;
            column += piece;
            if (column == width) {
                column = 0;
                ++row;
            }
        }
        done += count;
    }
    return {};
}

template <class Px>
std::string decodeWith(ByteReader& in, bool rle, const RowMap& map, std::size_t width)
{
    if (!rle)
        return decodeRaw<Px>(in, map, width);
    // Rows in stored order are one run of pixels: the vector kernel decodes
    // them straight through.
    if constexpr (requires { Px::Shuffle; })
        if (!map.bottomUp)
            return runlength::decode(in, map.base, width * map.rows, Px::Shuffle);
    return decodeRunLength<Px>(in, map, width);
}

std::string decode(Format format, ByteReader& in, bool rle, const RowMap& map, std::size_t width)
{
    if (width == 0 || map.rows == 0) // an empty image has no array to write to, not even for a copy of nothing
        return {};
    switch (format) {
    case Format::Index8: return decodeWith<Index8>(in, rle, map, width);
    case Format::Bgr24: return decodeWith<Bgr24>(in, rle, map, width);
    case Format::Bgra32: return decodeWith<Bgra32>(in, rle, map, width);
    case Format::Bgr15: return decodeWith<Bgr555<false>>(in, rle, map, width);
    case Format::Bgra16: return decodeWith<Bgr555<true>>(in, rle, map, width);
    case Format::GreyAlpha16: return decodeWith<GreyAlpha16>(in, rle, map, width);
    }
    return {};
}

// Rows stored right to left are turned round once decoded.
void reverseRows(std::uint8_t* base, std::size_t width, std::size_t rows, std::size_t pixelSize)
{
    const auto reverse = kernels::active().reverse; // the same row reversal as Mirror
    for (std::size_t r = 0; r < rows; ++r)
        reverse(base + r * width * pixelSize, width, static_cast<int>(pixelSize));
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

Result<void> planLayout(Bytes file, const tga::Header& h, Layout& layout)
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
        return {};
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
    return {};
}

template <class Px>
void readEntries(Bytes map, std::size_t first, std::size_t count, std::uint8_t* palette)
{
    if (map.size() < count * Px::In || first + count > PaletteEntries)
        return;
    convertEach<Px>(map.data(), palette + 4 * first, count);
}

// Entries the map does not define are opaque black.
void readColourMap(const tga::Header& h, Format format, Bytes map, ImageDocument& doc)
{
    for (std::size_t c = 0; c < PaletteEntries; ++c) {
        doc.Palette()[4 * c + 0] = 0;
        doc.Palette()[4 * c + 1] = 0;
        doc.Palette()[4 * c + 2] = 0;
        doc.Palette()[4 * c + 3] = 255;
    }
    const std::size_t first = h.firstEntryIndex, count = h.colorMapLength;
    std::uint8_t* palette = doc.Palette().data();
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
        doc.Palette()[4 * c + 0] = grey;
        doc.Palette()[4 * c + 1] = grey;
        doc.Palette()[4 * c + 2] = grey;
        doc.Palette()[4 * c + 3] = 255;
    }
}

// Every length is checked against the file's size before anything is read
// or allocated, so a short file claiming a huge image costs only its header.
Result<void> judgeClaim(Bytes head, std::uint64_t fileSize, tga::Header& h, Layout& layout)
{
    if (head.size() < tga::HeaderSize)
        return malformed("the file is " + bytesText(fileSize) + " long, shorter than the "
                         + to_string(tga::HeaderSize) + "-byte Targa header");
    h = parseHeader(head.first<tga::HeaderSize>());
    VTT_CHECK(planLayout(head, h, layout));
    // The document holds its dimensions as signed 16-bit numbers.
    if (h.imageWidth > 32767 || h.imageHeight > 32767)
        return malformed("its size " + to_string(h.imageWidth) + " x " + to_string(h.imageHeight)
                         + " is larger than the 32767 x 32767 a texture can hold");
    const std::uint64_t idEnd = tga::HeaderSize + h.idLength;
    if (fileSize < idEnd)
        return malformed("its " + bytesText(h.idLength) + " ID field needs a file of " + bytesText(idEnd)
                         + ", but the file has only " + bytesText(fileSize));
    const std::uint64_t mapEnd = idEnd + layout.mapBytes;
    if (fileSize < mapEnd)
        return malformed("its colour map of " + to_string(h.colorMapLength) + " entries needs a file of "
                         + bytesText(mapEnd) + ", but the file has only " + bytesText(fileSize));

    const std::uint64_t remaining = fileSize - mapEnd;
    const std::uint64_t pixels = std::uint64_t(h.imageWidth) * h.imageHeight;
    if (layout.rle) {
        // A packet of 1 + bpp bytes yields at most 128 pixels, which bounds
        // what the remaining bytes can expand to.
        const std::uint64_t packets = (remaining + layout.pixelBytes) / (1 + layout.pixelBytes);
        if (pixels > packets * tga::packet::MaxPixels)
            return malformed("its run-length data (" + bytesText(remaining) + ") cannot hold the "
                             + to_string(pixels) + " pixels of a " + to_string(h.imageWidth) + " x "
                             + to_string(h.imageHeight) + " image");
    } else if (remaining < pixels * layout.pixelBytes) {
        return malformed("a " + to_string(h.imageWidth) + " x " + to_string(h.imageHeight) + " image of "
                         + to_string(h.pixelDepth) + "-bit pixels needs "
                         + bytesText(mapEnd + pixels * layout.pixelBytes) + ", but the file has only "
                         + bytesText(fileSize));
    }
    return {};
}

// What readTga gives, without its pixels.
ImageOutline headerOutline(const tga::Header& h, const Layout& layout)
{
    ImageOutline outline;
    outline.width = h.imageWidth;
    outline.height = h.imageHeight;
    outline.depth = layout.bitDepth;
    outline.Facts.Kind = ImageFormat::Tga;
    outline.Facts.Tga = TgaHeader{h.idLength,       h.colorMapType,      h.imageType,      h.firstEntryIndex,
                                  h.colorMapLength, h.colorMapEntrySize, h.imageDescriptor};
    return outline;
}

} // namespace

Result<ImageOutline> peekTga(Bytes head, std::uint64_t fileSize)
{
    tga::Header h;
    Layout layout;
    VTT_CHECK(judgeClaim(head, fileSize, h, layout));
    return headerOutline(h, layout);
}

std::uint64_t tgaExtent(Bytes head)
{
    tga::Header h;
    Layout layout;
    if (!judgeClaim(head, std::uint64_t(1) << 50, h, layout).has_value()) // any size the file may have
        return 0;
    const std::uint64_t pixels = std::uint64_t(h.imageWidth) * h.imageHeight;
    // A run-length packet holds at least one pixel: at worst one head byte
    // and one value a pixel.
    const std::uint64_t perPixel = layout.pixelBytes + (layout.rle ? 1 : 0);
    return tga::HeaderSize + h.idLength + layout.mapBytes + pixels * perPixel;
}

Result<void> judgeTgaClaim(Bytes head, std::uint64_t fileSize)
{
    tga::Header h;
    Layout layout;
    return judgeClaim(head, fileSize, h, layout);
}

ReadResult readTga(Bytes file, Bytes fileEnd, std::uint64_t fileSize)
{
    tga::Header h;
    Layout layout;
    VTT_CHECK(judgeClaim(file.first(std::min(file.size(), tga::HeaderSize)), file.size(), h, layout));
    ByteReader in(file);
    const auto map = in.skip(tga::HeaderSize + h.idLength) ? in.take(layout.mapBytes) : std::nullopt;
    if (!map)
        return malformed("its colour map is shorter than its header says"); // judged above; never reached
    const std::size_t pixels = std::size_t(h.imageWidth) * h.imageHeight;

    VTT_TRY(doc, ImageDocument::create(h.imageWidth, h.imageHeight, layout.bitDepth));
    doc.Facts.Kind = ImageFormat::Tga;
    doc.Facts.Tga = TgaHeader{h.idLength,       h.colorMapType,      h.imageType,      h.firstEntryIndex,
                              h.colorMapLength, h.colorMapEntrySize, h.imageDescriptor};

    if (layout.kind == Kind::ColourMapped)
        readColourMap(h, layout.mapEntries, *map, doc);
    else if (layout.kind == Kind::Grey && layout.bitDepth == PaletteDepth)
        fillGreyRamp(doc);

    const std::size_t pixelSize = static_cast<std::size_t>(doc.pixelSize());
    std::uint8_t* target = doc.pixels().data();
    const bool footer = fileEnd.empty() ? hasFooter(file, file.size()) : hasFooter(fileEnd, fileSize);
    const Orientation orientation = orientationOf(file, footer, h);
    const RowMap rows{target, pixelSize * h.imageWidth, h.imageHeight, orientation.bottomUp};
    const std::string shortData = decode(layout.pixels, in, layout.rle, rows, h.imageWidth);
    if (!shortData.empty())
        return malformed(shortData);
    if (orientation.rightToLeft && pixels > 0)
        reverseRows(target, h.imageWidth, h.imageHeight, pixelSize);
    return doc;
}

ReadResult readTga(Bytes file) { return readTga(file, {}, file.size()); }

} // namespace vtt
