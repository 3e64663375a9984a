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

// What the tool has always said when asked to write type 16, which has no
// layout; shown as it stands.
const char* historicalMessage(std::int16_t type)
{
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

// Level 0 is appended as it stands. With the box filter every further
// level is reduced from the one before it, in place in the output, so no
// level is held twice; the linear-light levels are made apart and copied
// in. The output is reserved for the whole file beforehand, so growing it
// never moves it.
// Gives up with an error when asked to stop between bands and levels, or
// when memory cannot hold the linear-light levels.
Result<void> appendLevels(PixelArray& file, const ImageDocument& doc, mip::LevelSize size, int levels,
                          int channels, mip::MipFilter filter)
{
    const std::size_t n = size.pixels();
    const std::uint8_t* from = channels == 1 ? doc.PixelIndices().data() : doc.PixelBytes().data();
    constexpr std::size_t Band = 4 * 1024 * 1024; // pixels
    for (std::size_t done = 0; done < n; done += Band) {
        if (cancelRequested())
            return unwritable(CancelledText);
        const std::size_t count = std::min(Band, n - done);
        std::uint8_t* to = ByteWriter(file).grow(count * static_cast<std::size_t>(channels));
        if (channels == 3)
            packing::toRgb(from + 4 * done, to, count);
        else // a plain copy, not element by element
            std::memcpy(to, from + done * static_cast<std::size_t>(channels), count * static_cast<std::size_t>(channels));
    }
    if (filter == mip::MipFilter::LinearLight && levels > 1) {
        if (cancelRequested())
            return unwritable(CancelledText);
        auto made = channels == 1 ? mip::linearLightIndexedLevels(doc.PixelIndices(), size, levels, doc.Palette())
                                  : mip::linearLightLevels(doc.PixelBytes(), size, levels);
        if (!made)
            return std::move(made).error();
        const std::size_t pixels = made->size() / (channels == 1 ? 1 : 4);
        std::uint8_t* to = ByteWriter(file).grow(pixels * static_cast<std::size_t>(channels));
        if (channels == 3)
            packing::toRgb(made->data(), to, pixels);
        else
            std::memcpy(to, made->data(), made->size());
        return {};
    }
    const std::size_t pixelSize = static_cast<std::size_t>(channels);
    std::size_t at = file.size() - n * pixelSize;
    for (int k = 1; k < levels; ++k) {
        if (cancelRequested())
            return unwritable(CancelledText);
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
    return {};
}

// Type 15 holds 16 entries: an index past them would show whatever colour
// the reader's earlier palette held there.
Result<void> checkSixteen(const ImageDocument& doc)
{
    const auto indices = doc.PixelIndices();
    const std::size_t width = static_cast<std::size_t>(doc.ImageWidth());
    for (std::size_t i = 0; i < indices.size(); ++i)
        if (indices[i] >= 16)
            return unwritable("pixel " + std::to_string(i % width) + ", " + std::to_string(i / width)
                              + " uses palette entry " + std::to_string(indices[i])
                              + ", but TEX type 15 holds only 16 entries");
    return {};
}

} // namespace

WriteResult writeTex(const ImageDocument& doc, mip::MipFilter filter) { return writeTex(doc, doc.Facts.Tex, filter); }

WriteResult writeTex(const ImageDocument& doc, const TexHeader& header, mip::MipFilter filter)
{
    const std::int16_t type = header.Type;
    if (const char* message = historicalMessage(type))
        return unexpected(ErrorKind::TexTypeMessage, message);

    // 1 and 14 share one layout; 15 stores 16 entries, red first.
    const bool sixteen = tex::is(type, tex::Type::Palette16);
    const bool indexed = tex::is(type, tex::Type::Palette256) || tex::is(type, tex::Type::Palette256Alt) || sixteen;
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
    if (sixteen)
        VTT_CHECK(checkSixteen(doc));

    const mip::LevelSize full{static_cast<std::size_t>(doc.ImageWidth()), static_cast<std::size_t>(doc.ImageHeight())};

    const int levels = mip::levelCount(header.MipCount);
    const int channels = indexed ? 1 : rgb ? 3 : 4;
    const std::size_t bodyBytes =
        mip::chainPixels(full.width, full.height, levels) * static_cast<std::size_t>(channels);
    const std::size_t paletteBytes = sixteen ? tex::Palette16Size : indexed ? tex::Palette256Size : 0;
    const std::size_t total = tex::HeaderSize + paletteBytes + bodyBytes;

    PixelArray file;
    VTT_CHECK(reserveOutput(file, total, full.width, full.height));
    ByteWriter out(file);
    writeHeader(out, doc, header);
    if (sixteen) {
        std::memcpy(out.grow(tex::Palette16Size), doc.Palette().data(), tex::Palette16Size); // as held
    } else if (indexed) {
        std::uint8_t* pal = out.grow(tex::Palette256Size);
        for (std::size_t e = 0; e < PaletteEntries; ++e) {
            pal[4 * e + 0] = doc.Palette()[4 * e + 2];
            pal[4 * e + 1] = doc.Palette()[4 * e + 1];
            pal[4 * e + 2] = doc.Palette()[4 * e + 0];
            pal[4 * e + 3] = doc.Palette()[4 * e + 3];
        }
    }
    VTT_CHECK(appendLevels(file, doc, full, levels, channels, filter));
    return file;
}

} // namespace vtt
