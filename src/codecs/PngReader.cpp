#include "codecs/PngReader.h"

#include "codecs/PngFormat.h"

#include <spng.h>

#include <algorithm>
#include <cstring>
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

// What walking the chunks finds before the library sees the file: the
// header and how much compressed pixel data there is.
struct ChunkWalk {
    png::Header header;
    std::uint64_t idatBytes = 0;
};

// Follows every chunk's length to IEND, so that a file cut short anywhere is
// refused with where it ends, and nothing is sized by a claim the bytes do
// not back.
Result<void> walkChunks(Bytes file, ChunkWalk& walk)
{
    ByteReader in(file);
    const auto signature = in.take(png::SignatureSize);
    if (!signature)
        return malformed("the file is " + bytesText(file.size()) + " long, shorter than the "
                         + to_string(png::SignatureSize) + "-byte PNG signature");
    if (!std::equal(signature->begin(), signature->end(), png::Signature))
        return malformed("it does not start with the PNG signature");
    bool first = true;
    while (true) {
        const auto head = in.take(8);
        if (!head)
            return malformed("the file is cut short: it ends after " + bytesText(file.size())
                             + " without the IEND chunk that closes a PNG file");
        const std::uint32_t length = u32Big(head->data());
        const std::string name = chunkName(head->data() + 4);
        if (length > png::MaxChunkLength)
            return malformed("its " + name + " chunk claims " + bytesText(length) + ", more than a PNG chunk may hold");
        const auto data = in.take(length);
        if (!data || !in.skip(4))
            return malformed("the file is cut short: its " + name + " chunk needs "
                             + bytesText(length + png::ChunkOverhead) + " from byte " + to_string(in.position() - 8)
                             + ", but the file has only " + bytesText(file.size()));
        if (first) {
            if (name != "IHDR" || length != png::HeaderDataSize)
                return malformed("its first chunk is " + name + " of " + bytesText(length)
                                 + ", not the 13-byte IHDR header");
            const std::uint8_t* d = data->data();
            walk.header = png::Header{u32Big(d),        u32Big(d + 4), d[8], static_cast<png::ColourType>(d[9]),
                                      d[10],            d[11],         d[12]};
            first = false;
        }
        if (name == "IDAT")
            walk.idatBytes += length;
        if (name == "IEND")
            return {};
    }
}

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

ReadResult readPng(Bytes file)
{
    ChunkWalk walk;
    VTT_CHECK(walkChunks(file, walk));
    const png::Header& h = walk.header;

    // Every chunk's CRC is checked, IDAT's included, so the stream's own
    // Adler-32 would only catch a fault of the inflater itself; skipping it
    // saves a pass over every decoded byte.
    Context ctx(spng_ctx_new(SPNG_CTX_IGNORE_ADLER32));
    if (!ctx)
        return unexpected(ErrorKind::OutOfMemory, "there is not enough memory to open it");
    spng_set_crc_action(ctx.get(), SPNG_CRC_ERROR, SPNG_CRC_ERROR);
    // No chunk may make the library hold more than its bytes could inflate to.
    const std::size_t limit = std::min<std::uint64_t>(file.size() * png::MaxInflateRatio, std::uint64_t(1) << 30);
    spng_set_chunk_limits(ctx.get(), limit, limit);
    if (int error = spng_set_png_buffer(ctx.get(), file.data(), file.size()))
        return libraryError(error);
    spng_ihdr ihdr{};
    if (int error = spng_get_ihdr(ctx.get(), &ihdr))
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
        decoded = readPaletteImage(ctx.get(), h, doc);
    } else if (paletted) {
        decoded = readGreyImage(ctx.get(), h, doc);
    } else if (h.bitDepth == 16) {
        decoded = readWideImage(ctx.get(), h, doc);
    } else {
        // 8-bit RGBA is stored as the document holds it: no conversion.
        const bool stored = h.colourType == png::ColourType::Rgba;
        decoded = decodeInto(ctx.get(), doc.PixelBytes(), stored ? SPNG_FMT_PNG : SPNG_FMT_RGBA8,
                             stored ? 0 : SPNG_DECODE_TRNS);
    }
    VTT_CHECK(std::move(decoded));
    // Reading the chunks after the image checks their CRCs up to IEND.
    spng_time time{};
    if (int error = spng_get_time(ctx.get(), &time); error && error != SPNG_ECHUNKAVAIL)
        return libraryError(error);
    return doc;
}

} // namespace vtt
