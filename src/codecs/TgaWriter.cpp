#include "codecs/TgaWriter.h"

#include "codecs/ByteIo.h"
#include "codecs/Cancel.h"
#include "codecs/PixelPacking.h"
#include "codecs/TgaFormat.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>

namespace vtt {

namespace {

constexpr std::size_t MapEntrySize = 3; // blue, green, red

void writeHeader(ByteWriter& out, const TgaHeader& t, const ImageDocument& doc, std::uint8_t depth)
{
    out.u8(t.IdLength);
    out.u8(t.ColorMapType);
    out.u8(t.ImageType);
    out.s16(static_cast<std::int16_t>(t.FirstEntryIndex));
    out.s16(static_cast<std::int16_t>(t.ColorMapLength));
    out.u8(t.ColorMapEntrySize);
    out.s16(0); // x origin
    out.s16(0); // y origin
    out.s16(doc.ImageWidth());
    out.s16(doc.ImageHeight());
    out.u8(depth);
    out.u8(t.Descriptor);
}

} // namespace

TgaHeader tgaHeaderWritten(std::uint8_t depth)
{
    const bool mapped = depth == PaletteDepth;
    TgaHeader t;
    t.ColorMapType = mapped ? static_cast<std::uint8_t>(tga::ColorMapType::Present) : 0;
    t.ImageType = static_cast<std::uint8_t>(mapped ? tga::ImageType::ColorMapped : tga::ImageType::TrueColor);
    t.ColorMapLength = mapped ? PaletteEntries : 0;
    t.ColorMapEntrySize = mapped ? 24 : 0;
    // Rows go out top row first, and the descriptor says so, so that every
    // other program shows the image the right way up.
    t.Descriptor = static_cast<std::uint8_t>(tga::descriptor::TopToBottom | (depth == 32 ? 8 : 0));
    return t;
}

WriteResult writeTga(const ImageDocument& doc) { return writeTga(doc, doc.BitDepth()); }

WriteResult writeTga(const ImageDocument& doc, std::uint8_t depth)
{
    VTT_CHECK(refuseDepth(doc, depth, "Targa"));
    const std::size_t width = static_cast<std::size_t>(doc.ImageWidth());
    const std::size_t height = static_cast<std::size_t>(doc.ImageHeight());
    const std::size_t n = width * height;

    const std::size_t pixelSize = depth / 8;
    const std::size_t mapBytes = depth == PaletteDepth ? PaletteEntries * MapEntrySize : 0;
    const std::size_t total = tga::HeaderSize + mapBytes + n * pixelSize;
    PixelArray file;
    VTT_CHECK(reserveOutput(file, total, width, height));
    ByteWriter out(file);
    writeHeader(out, tgaHeaderWritten(depth), doc, depth);

    if (depth == PaletteDepth) {
        std::uint8_t* map = out.grow(mapBytes);
        for (std::size_t e = 0; e < PaletteEntries; ++e, map += 3) {
            map[0] = doc.Palette()[4 * e + 2];
            map[1] = doc.Palette()[4 * e + 1];
            map[2] = doc.Palette()[4 * e + 0];
        }
        if (n > 0) // a plain copy, not element by element; an empty array may have no data at all
            std::memcpy(out.grow(n), doc.PixelIndices().data(), n);
        return file;
    }

    std::uint8_t* dst = out.grow(n * pixelSize);
    // Bands of pixels, with a look for a request to stop between them.
    constexpr std::size_t Band = 4 * 1024 * 1024;
    for (std::size_t at = 0; at < n; at += Band) {
        if (cancelRequested())
            return unwritable(CancelledText);
        const std::size_t count = std::min(Band, n - at);
        if (depth == 24)
            packing::toBgr(doc.PixelBytes().data() + 4 * at, dst + 3 * at, count);
        else
            packing::toBgra(doc.PixelBytes().data() + 4 * at, dst + 4 * at, count);
    }
    return file;
}

} // namespace vtt
