#include "codecs/PngReader.h"

#include "codecs/Cancel.h"
#include "codecs/PngFormat.h"

#include <spng.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace vtt {

namespace {

using std::to_string;

std::string bytesText(std::uint64_t n) { return to_string(n) + (n == 1 ? " byte" : " bytes"); }

std::uint32_t u32Big(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::string chunkName(const std::uint8_t* type)
{
    std::string name;
    for (int i = 0; i < 4; ++i)
        name += (type[i] >= 0x20 && type[i] < 0x7F) ? static_cast<char>(type[i]) : '?';
    return name;
}

// Reads a source at any offset through a window of its bytes, so that
// walking many small chunks costs one read per window, not one per chunk.
class SourceCursor {
public:
    explicit SourceCursor(const PngSource& source) : source_(source) {}

    [[nodiscard]] Result<void> read(std::uint64_t at, std::uint8_t* out, std::size_t count)
    {
        if (count > Window)
            return source_.read(at, out, count);
        if (at < start_ || at + count > start_ + filled_) {
            if (window_.empty())
                window_.resize(Window);
            start_ = at;
            filled_ = static_cast<std::size_t>(std::min<std::uint64_t>(Window, source_.size - at));
            if (auto read = source_.read(at, window_.data(), filled_); !read) {
                filled_ = 0;
                return read;
            }
        }
        std::memcpy(out, window_.data() + (at - start_), count);
        return {};
    }

private:
    static constexpr std::size_t Window = 64 * 1024;
    const PngSource& source_;
    std::vector<std::uint8_t> window_;
    std::uint64_t start_ = 0;
    std::size_t filled_ = 0;
};

bool isLetter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

} // namespace

// Follows every chunk's length to IEND, reading only the chunk heads (and
// the IHDR data), so that a file cut short anywhere, or a chunk that cannot
// be, is refused at that chunk before anything is inflated, and nothing is
// sized by a claim the bytes do not back.
Result<void> walkPng(const PngSource& source, PngLayout& walk)
{
    const std::uint64_t size = source.size;
    SourceCursor in(source);
    std::uint8_t signature[png::SignatureSize];
    if (size < png::SignatureSize)
        return malformed("the file is " + bytesText(size) + " long, shorter than the "
                         + to_string(png::SignatureSize) + "-byte PNG signature");
    if (auto read = in.read(0, signature, sizeof signature); !read)
        return malformed(read.error().detail);
    if (!std::equal(std::begin(signature), std::end(signature), png::Signature))
        return malformed("it does not start with the PNG signature");
    bool idatSeen = false, idatEnded = false;
    std::uint64_t at = png::SignatureSize;
    for (std::uint64_t chunks = 0;; ++chunks) {
        if (chunks % 1024 == 1023 && cancelRequested())
            return malformed(CancelledText);
        std::uint8_t head[8];
        if (size - at < 8)
            return malformed("the file is cut short: it ends after " + bytesText(size)
                             + " without the IEND chunk that closes a PNG file");
        if (auto read = in.read(at, head, 8); !read)
            return malformed(read.error().detail);
        const std::uint32_t length = u32Big(head);
        const std::string name = chunkName(head + 4);
        if (length > png::MaxChunkLength)
            return malformed("its " + name + " chunk claims " + bytesText(length) + ", more than a PNG chunk may hold");
        if (size - at < std::uint64_t(length) + png::ChunkOverhead)
            return malformed("the file is cut short: its " + name + " chunk needs "
                             + bytesText(length + png::ChunkOverhead) + " from byte " + to_string(at)
                             + ", but the file has only " + bytesText(size));
        if (at == png::SignatureSize) {
            if (name != "IHDR" || length != png::HeaderDataSize)
                return malformed("its first chunk is " + name + " of " + bytesText(length)
                                 + ", not the 13-byte IHDR header");
            std::uint8_t d[png::HeaderDataSize];
            if (auto read = in.read(at + 8, d, sizeof d); !read)
                return malformed(read.error().detail);
            walk.header = png::Header{u32Big(d),        u32Big(d + 4), d[8], static_cast<png::ColourType>(d[9]),
                                      d[10],            d[11],         d[12]};
        }
        if (!std::all_of(head + 4, head + 8, isLetter))
            return malformed("its chunk at byte " + to_string(at) + " has the type " + name
                             + ", which is not four letters: the file is damaged");
        if (name == "IDAT") {
            if (idatEnded)
                return malformed("the IDAT chunks are not consecutive: other chunks stand between them at byte "
                                 + to_string(walk.idatEnd));
            idatSeen = true;
            walk.idatBytes += length;
        } else if (idatSeen && !idatEnded) {
            idatEnded = true;
            walk.idatEnd = at;
        }
        at += length + png::ChunkOverhead;
        if (name == "IEND") {
            walk.end = at;
            return {};
        }
    }
}

namespace {

struct ContextFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, ContextFree>;

Unexpected<Error> libraryError(int error)
{
    switch (error) {
    case SPNG_EMEM: return unexpected(ErrorKind::OutOfMemory, "there is not enough memory to open it");
    case SPNG_ECHUNK_CRC: return malformed("a chunk's CRC does not match its data: the file is damaged");
    case SPNG_EIDAT_TOO_SHORT:
    case SPNG_EOF: return malformed("its compressed pixel data ends before the image does: the file is cut short");
    case SPNG_EIDAT_STREAM:
    case SPNG_EZLIB: return malformed("its compressed pixel data cannot be inflated: the file is damaged");
    default: break;
    }
    return malformed(std::string("it is not a valid PNG file (") + spng_strerror(error) + ")");
}

std::uint8_t round16(std::uint16_t v) { return static_cast<std::uint8_t>((std::uint32_t(v) * 255 + 32767) / 65535); }

// Spreads packed 1-, 2- or 4-bit indices out to one byte each.
void unpackIndices(const std::uint8_t* packed, std::uint8_t* out, std::size_t width, std::size_t height, int bits)
{
    const std::size_t stride = (width * bits + 7) / 8;
    const int perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* row = packed + y * stride;
        for (std::size_t x = 0; x < width; ++x) {
            const int shift = 8 - bits * (1 + static_cast<int>(x % perByte));
            *out++ = static_cast<std::uint8_t>((row[x / perByte] >> shift) & mask);
        }
    }
}

// Decodes `fmt` into `target`, which must be exactly the decoded size.
Result<void> decodeInto(spng_ctx* ctx, std::span<std::uint8_t> target, int fmt, int flags)
{
    std::size_t size = 0;
    if (int error = spng_decoded_image_size(ctx, fmt, &size))
        return libraryError(error);
    if (size != target.size())
        return malformed("its decoded pixels take " + bytesText(size) + " where " + bytesText(target.size())
                         + " were expected"); // never: the header decides both
    if (int failed = spng_decode_image(ctx, target.data(), target.size(), fmt, flags))
        return libraryError(failed);
    return {};
}

void setEntry(ImageDocument& doc, int c, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a)
{
    PaletteArray& palette = doc.Palette();
    palette[4 * c + 0] = r;
    palette[4 * c + 1] = g;
    palette[4 * c + 2] = b;
    palette[4 * c + 3] = a;
}

// Decodes row by row into one reused row of `fmt` (pixelBytes each) and
// hands each to store(row, y, firstColumn, step) with the columns it filled:
// every column, or those of the interlace pass. Needs no image-sized buffer
// besides the document's own.
template <class Store>
Result<void> decodeRows(spng_ctx* ctx, const png::Header& h, int fmt, int flags, std::size_t pixelBytes,
                                    Store store)
{
    static constexpr std::uint32_t passStart[7] = {0, 4, 0, 2, 0, 1, 0};
    static constexpr std::uint32_t passStep[7] = {8, 8, 4, 4, 2, 2, 1};
    if (int error = spng_decode_image(ctx, nullptr, 0, fmt, flags | SPNG_DECODE_PROGRESSIVE))
        return libraryError(error);
    std::vector<std::uint8_t> row(std::size_t(h.width) * pixelBytes);
    while (true) {
        spng_row_info info{};
        int error = spng_get_row_info(ctx, &info);
        if (!error)
            error = spng_decode_row(ctx, row.data(), row.size());
        if (error && error != SPNG_EOI)
            return libraryError(error);
        const int pass = h.interlace ? info.pass : 6;
        store(row.data(), info.row_num, passStart[pass], passStep[pass]);
        if (error == SPNG_EOI)
            return {};
    }
}

// The library places packed indices of interlaced images wrongly (and their
// RGB output too); its RGBA output is right, so these decode to RGBA through
// a stand-in palette whose red is the index itself.
Result<void> readInterlacedIndices(spng_ctx* ctx, const png::Header& h, ImageDocument& doc)
{
    spng_plte ramp{};
    ramp.n_entries = 1u << h.bitDepth;
    for (std::uint32_t i = 0; i < ramp.n_entries; ++i)
        ramp.entries[i].red = static_cast<std::uint8_t>(i);
    if (int error = spng_set_plte(ctx, &ramp))
        return libraryError(error);
    std::uint8_t* indices = doc.PixelIndices().data();
    return decodeRows(ctx, h, SPNG_FMT_RGBA8, 0, 4, [&](const std::uint8_t* row, std::uint32_t y, std::uint32_t x0,
                                                         std::uint32_t step) {
        for (std::uint32_t x = x0; x < h.width; x += step)
            indices[std::size_t(y) * h.width + x] = row[4 * x];
    });
}

Result<void> readPaletteImage(spng_ctx* ctx, const png::Header& h, ImageDocument& doc)
{
    spng_plte plte{};
    if (int error = spng_get_plte(ctx, &plte))
        return libraryError(error);
    spng_trns trns{};
    const bool hasTrns = spng_get_trns(ctx, &trns) == 0;
    for (int c = 0; c < PaletteEntries; ++c) {
        if (c < static_cast<int>(plte.n_entries)) {
            const spng_plte_entry& e = plte.entries[c];
            const bool alpha = hasTrns && c < static_cast<int>(trns.n_type3_entries);
            setEntry(doc, c, e.red, e.green, e.blue, alpha ? trns.type3_alpha[c] : 255);
        } else {
            setEntry(doc, c, 0, 0, 0, 255);
        }
    }
    if (h.bitDepth == 8)
        return decodeInto(ctx, doc.PixelIndices(), SPNG_FMT_PNG, 0);
    if (h.interlace)
        return readInterlacedIndices(ctx, h, doc);
    std::size_t size = 0;
    if (int error = spng_decoded_image_size(ctx, SPNG_FMT_PNG, &size))
        return libraryError(error);
    PixelArray packed;
    if (!resizePixels(packed, size))
        return unexpected(ErrorKind::OutOfMemory, notEnoughMemoryText("open", h.width, h.height, size));
    VTT_CHECK(decodeInto(ctx, packed, SPNG_FMT_PNG, 0));
    unpackIndices(packed.data(), doc.PixelIndices().data(), h.width, h.height, h.bitDepth);
    return {};
}

Result<void> readGreyImage(spng_ctx* ctx, const png::Header& h, ImageDocument& doc)
{
    for (int c = 0; c < PaletteEntries; ++c)
        setEntry(doc, c, std::uint8_t(c), std::uint8_t(c), std::uint8_t(c), 255);
    // The one transparent grey keeps its transparency on its ramp entry.
    spng_trns trns{};
    if (spng_get_trns(ctx, &trns) == 0 && trns.gray <= (1u << h.bitDepth) - 1)
        doc.Palette()[4 * (trns.gray * (255 / ((1u << h.bitDepth) - 1))) + 3] = 0;
    // Samples of fewer than 8 bits come out scaled to the full 0..255 range.
    return decodeInto(ctx, doc.PixelIndices(), SPNG_FMT_G8, 0);
}

// 16-bit samples, rounded to the nearest 8-bit level.
Result<void> readWideImage(spng_ctx* ctx, const png::Header& h, ImageDocument& doc)
{
    std::uint8_t* pixels = doc.PixelBytes().data();
    return decodeRows(ctx, h, SPNG_FMT_RGBA16, SPNG_DECODE_TRNS, 8,
                      [&](const std::uint8_t* row, std::uint32_t y, std::uint32_t x0, std::uint32_t step) {
                          std::uint8_t* out = pixels + std::size_t(y) * h.width * 4;
                          for (std::uint32_t x = x0; x < h.width; x += step)
                              for (int c = 0; c < 4; ++c) {
                                  std::uint16_t v;
                                  std::memcpy(&v, row + 8 * x + 2 * c, 2);
                                  out[4 * x + c] = round16(v);
                              }
                      });
}

// What a read gives, without its pixels: size, header fields and the depth
// the colour type is read at.
ImageOutline headerOutline(const png::Header& h)
{
    ImageOutline outline;
    outline.width = static_cast<int>(h.width);
    outline.height = static_cast<int>(h.height);
    const bool indexed = h.colourType == png::ColourType::Palette
        || (h.colourType == png::ColourType::Grey && h.bitDepth <= 8);
    outline.depth = indexed ? PaletteDepth : 32;
    outline.Facts.Kind = ImageFormat::Png;
    outline.Facts.Png = PngHeader{static_cast<std::uint8_t>(h.colourType), h.bitDepth, h.interlace};
    return outline;
}

} // namespace

Result<void> judgePngClaim(Bytes head, std::uint64_t fileSize)
{
    // Too short or malformed headers are left to the reader, which names
    // where the file ends.
    constexpr std::size_t ihdrAt = png::SignatureSize + 8;
    if (head.size() < ihdrAt + png::HeaderDataSize || !std::equal(head.begin(), head.begin() + png::SignatureSize, png::Signature)
        || chunkName(head.data() + png::SignatureSize + 4) != "IHDR")
        return {};
    const std::uint8_t* d = head.data() + ihdrAt;
    const std::uint32_t width = u32Big(d), height = u32Big(d + 4);
    if (width > 32767 || height > 32767)
        return malformed("its size " + to_string(width) + " x " + to_string(height)
                         + " is larger than the 32767 x 32767 a texture can hold");
    const auto type = static_cast<png::ColourType>(d[9]);
    const std::uint64_t rowBytes = (std::uint64_t(width) * png::samplesPerPixel(type) * d[8] + 7) / 8;
    if ((rowBytes + 1) * height > fileSize * png::MaxInflateRatio + png::MaxInflateRatio)
        return malformed("its " + bytesText(fileSize) + " cannot hold the " + to_string(width) + " x "
                         + to_string(height) + " image it claims");
    return {};
}

namespace {

// The library reads a file given as a stream as it inflates, a few
// kilobytes at a time: the file is never held whole, and a request to stop
// is seen between two reads.
struct Stream {
    const PngSource* source = nullptr;
    std::uint64_t at = 0;
    std::optional<Error> problem;
    bool cancelled = false;
};

int readStream(spng_ctx*, void* user, void* dest, std::size_t length)
{
    Stream& s = *static_cast<Stream*>(user);
    if (cancelRequested()) {
        s.cancelled = true;
        return SPNG_IO_ERROR;
    }
    if (length > s.source->size - s.at)
        return SPNG_IO_EOF;
    if (auto read = s.source->read(s.at, static_cast<std::uint8_t*>(dest), length); !read) {
        s.problem = std::move(read).error();
        return SPNG_IO_ERROR;
    }
    s.at += length;
    return 0;
}

// Decodes the walked file from whatever `ctx` was given to read.
ReadResult decodePng(spng_ctx* ctx, const PngLayout& walk, std::uint64_t fileSize)
{
    const png::Header& h = walk.header;
    spng_set_crc_action(ctx, SPNG_CRC_ERROR, SPNG_CRC_ERROR);
    // No chunk may make the library hold more than its bytes could inflate to.
    const std::size_t limit = std::min<std::uint64_t>(fileSize * png::MaxInflateRatio, std::uint64_t(1) << 30);
    spng_set_chunk_limits(ctx, limit, limit);
    spng_ihdr ihdr{};
    if (int error = spng_get_ihdr(ctx, &ihdr))
        return libraryError(error);
    if (h.width > 32767 || h.height > 32767)
        return malformed("its size " + to_string(h.width) + " x " + to_string(h.height)
                         + " is larger than the 32767 x 32767 a texture can hold");

    // Each row holds a filter byte and its packed samples; deflate cannot
    // have squeezed them into fewer bytes than this.
    const std::uint64_t rowBytes = (std::uint64_t(h.width) * png::samplesPerPixel(h.colourType) * h.bitDepth + 7) / 8;
    const std::uint64_t rawBytes = (rowBytes + 1) * h.height;
    if (rawBytes > walk.idatBytes * png::MaxInflateRatio + png::MaxInflateRatio)
        return malformed("its " + bytesText(walk.idatBytes) + " of compressed pixel data cannot hold the "
                         + to_string(h.width) + " x " + to_string(h.height) + " image it claims");

    const bool paletted = h.colourType == png::ColourType::Palette
        || (h.colourType == png::ColourType::Grey && h.bitDepth <= 8);
    VTT_TRY(doc, ImageDocument::create(static_cast<int>(h.width), static_cast<int>(h.height),
                                       paletted ? PaletteDepth : 32));
    doc.Facts.Kind = ImageFormat::Png;
    doc.Facts.Png = PngHeader{static_cast<std::uint8_t>(h.colourType), h.bitDepth, h.interlace};

    Result<void> decoded;
    if (h.colourType == png::ColourType::Palette) {
        decoded = readPaletteImage(ctx, h, doc);
    } else if (paletted) {
        decoded = readGreyImage(ctx, h, doc);
    } else if (h.bitDepth == 16) {
        decoded = readWideImage(ctx, h, doc);
    } else {
        // 8-bit RGBA is stored as the document holds it: no conversion.
        const bool stored = h.colourType == png::ColourType::Rgba;
        decoded = decodeInto(ctx, doc.PixelBytes(), stored ? SPNG_FMT_PNG : SPNG_FMT_RGBA8,
                             stored ? 0 : SPNG_DECODE_TRNS);
    }
    VTT_CHECK(std::move(decoded));
    // Reading the chunks after the image checks their CRCs up to IEND.
    spng_time time{};
    if (int error = spng_get_time(ctx, &time); error && error != SPNG_ECHUNKAVAIL)
        return libraryError(error);
    return doc;
}

// Every chunk's CRC is checked, IDAT's included, so the stream's own
// Adler-32 would only catch a fault of the inflater itself; skipping it
// saves a pass over every decoded byte.
Context newContext() { return Context(spng_ctx_new(SPNG_CTX_IGNORE_ADLER32)); }

Unexpected<Error> noContext() { return unexpected(ErrorKind::OutOfMemory, "there is not enough memory to open it"); }

} // namespace

ReadResult readPng(Bytes file)
{
    const PngSource source = memorySource(file);
    PngLayout walk;
    VTT_CHECK(walkPng(source, walk));
    Context ctx = newContext();
    if (!ctx)
        return noContext();
    if (int error = spng_set_png_buffer(ctx.get(), file.data(), file.size()))
        return libraryError(error);
    return decodePng(ctx.get(), walk, file.size());
}

ReadResult readPng(const PngSource& source)
{
    PngLayout walk;
    VTT_CHECK(walkPng(source, walk));
    Context ctx = newContext();
    if (!ctx)
        return noContext();
    Stream stream;
    stream.source = &source;
    if (int error = spng_set_png_stream(ctx.get(), readStream, &stream))
        return libraryError(error);
    ReadResult read = decodePng(ctx.get(), walk, source.size);
    if (!read.has_value() && stream.cancelled)
        return malformed(CancelledText);
    if (!read.has_value() && stream.problem)
        return malformed(stream.problem->detail);
    return read;
}

Result<ImageOutline> peekPng(const PngSource& source)
{
    PngLayout walk;
    VTT_CHECK(walkPng(source, walk));
    // The library judges the header fields (bit depth for the colour type,
    // compression, filter, interlace, the CRC) from the signature and IHDR.
    std::uint8_t head[png::SignatureSize + png::HeaderDataSize + png::ChunkOverhead];
    if (auto read = source.read(0, head, sizeof head); !read)
        return malformed(read.error().detail);
    Context ctx = newContext();
    if (!ctx)
        return noContext();
    spng_set_crc_action(ctx.get(), SPNG_CRC_ERROR, SPNG_CRC_ERROR);
    spng_ihdr ihdr{};
    if (int error = spng_set_png_buffer(ctx.get(), head, sizeof head); error || (error = spng_get_ihdr(ctx.get(), &ihdr)))
        return libraryError(error);
    if (walk.header.width > 32767 || walk.header.height > 32767)
        return malformed("its size " + to_string(walk.header.width) + " x " + to_string(walk.header.height)
                         + " is larger than the 32767 x 32767 a texture can hold");
    return headerOutline(walk.header);
}

PngSource memorySource(Bytes file)
{
    return PngSource{file.size(), [file](std::uint64_t at, std::uint8_t* out, std::size_t count) {
                         std::memcpy(out, file.data() + at, count);
                         return Result<void>();
                     }};
}

} // namespace vtt
