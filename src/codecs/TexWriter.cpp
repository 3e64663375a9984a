#include "codecs/TexWriter.h"

#include "codecs/ByteIo.h"
#include "codecs/Cancel.h"
#include "codecs/MipChain.h"
#include "codecs/PixelPacking.h"
#include "codecs/TexFormat.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>

namespace vtt {

namespace {

// What the tool has always said when asked to write a type it has no layout
// for; shown as it stands.
const char* historicalMessage(std::int16_t type)
{
    if (tex::is(type, tex::Type::Palette256Alt))
        return "Hehe det kan det aldrig bli med den nuvarande koden för att det går inte att välja typ 14";
    if (tex::is(type, tex::Type::Palette16))
        return "Samma sak här";
    if (tex::is(type, tex::Type::Unreadable16))
        return "Och här";
    return nullptr;
}

void writeHeader(ByteWriter& out, const ImageDocument& doc, const TexHeader& header)
{
    out.s16(doc.ImageWidth());
    out.s16(doc.ImageHeight());
    out.s16(header.Type);
    out.s16(header.MipCount);
    out.s16(header.Unknown);
    out.s32(header.Bits);
}

// Level 0 is appended as it stands; every further level is reduced from the
// one before it, in place in the output, so no level is held twice. The
// output is reserved for the whole file beforehand, so growing it never
// moves it.
// Gives up, returning false, when asked to stop between bands and levels.
bool appendLevels(PixelArray& file, const ImageDocument& doc, mip::LevelSize size, int levels,
                  int channels)
{
    const std::size_t n = size.pixels();
    const std::uint8_t* from = channels == 1 ? doc.PixelIndices().data() : doc.PixelBytes().data();
    constexpr std::size_t Band = 4 * 1024 * 1024; // pixels
    for (std::size_t done = 0; done < n; done += Band) {
        if (cancelRequested())
            return false;
        const std::size_t count = std::min(Band, n - done);
        std::uint8_t* to = ByteWriter(file).grow(count * static_cast<std::size_t>(channels));
        if (channels == 3)
            packing::toRgb(from + 4 * done, to, count);
        else // a plain copy, not element by element
            std::memcpy(to, from + done * static_cast<std::size_t>(channels), count * static_cast<std::size_t>(channels));
    }
    const std::size_t pixelSize = static_cast<std::size_t>(channels);
    std::size_t at = file.size() - n * pixelSize;
    for (int k = 1; k < levels; ++k) {
        if (cancelRequested())
            return false;
        const mip::LevelSize next = mip::halved(size);
        const std::size_t bytes = size.pixels() * pixelSize;
        ByteWriter(file).grow(next.pixels() * pixelSize);
        const std::span<const std::uint8_t> from(file.data() + at, bytes);
        const std::span<std::uint8_t> to(file.data() + at + bytes, next.pixels() * pixelSize);
        if (channels == 1)
            mip::halveIndexed(from, size, doc.Palette(), to);
        else
            mip::halveDirect(from, size, channels, to);
        at += bytes;
        size = next;
    }
    return true;
}

} // namespace

WriteResult writeTex(const ImageDocument& doc) { return writeTex(doc, doc.Facts.Tex); }

WriteResult writeTex(const ImageDocument& doc, const TexHeader& header)
{
    const std::int16_t type = header.Type;
    if (const char* message = historicalMessage(type))
        return unexpected(ErrorKind::TexTypeMessage, message);

    const bool indexed = tex::is(type, tex::Type::Palette256);
    const bool rgb = tex::is(type, tex::Type::Rgb);
    const bool rgba = tex::is(type, tex::Type::Rgba);
    if (!indexed && !rgb && !rgba) {
        if (!doc.Facts.Kind)
            return unwritable("no image has been opened, so there is nothing to save");
        return unwritable("TEX type " + std::to_string(type) + " has no layout that can be written");
    }
    // The body follows the type, so the pixels must live where the type
    // expects them; anything else would write a stale array.
    if (indexed != doc.isPaletted() || (!indexed && doc.BitDepth() != 24 && doc.BitDepth() != 32))
        return unwritable("the image's depth of " + std::to_string(doc.BitDepth()) + " bits does not fit TEX type "
                          + std::to_string(type));

    const mip::LevelSize full{static_cast<std::size_t>(doc.ImageWidth()), static_cast<std::size_t>(doc.ImageHeight())};

    const int levels = mip::levelCount(header.MipCount);
    const int channels = indexed ? 1 : rgb ? 3 : 4;
    const std::size_t bodyBytes =
        mip::chainPixels(full.width, full.height, levels) * static_cast<std::size_t>(channels);
    const std::size_t total = tex::HeaderSize + (indexed ? tex::Palette256Size : 0) + bodyBytes;

    PixelArray file;
    VTT_CHECK(reserveOutput(file, total, full.width, full.height));
    ByteWriter out(file);
    writeHeader(out, doc, header);
    if (indexed) {
        std::uint8_t* pal = out.grow(tex::Palette256Size);
        for (std::size_t e = 0; e < PaletteEntries; ++e) {
            pal[4 * e + 0] = doc.Palette()[4 * e + 2];
            pal[4 * e + 1] = doc.Palette()[4 * e + 1];
            pal[4 * e + 2] = doc.Palette()[4 * e + 0];
            pal[4 * e + 3] = doc.Palette()[4 * e + 3];
        }
    }
    if (!appendLevels(file, doc, full, levels, channels))
        return unwritable(CancelledText);
    return file;
}

} // namespace vtt
