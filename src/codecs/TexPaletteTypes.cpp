#include "codecs/TexPaletteTypes.h"

#include "codecs/ByteIo.h"
#include "codecs/MipChain.h"
#include "codecs/TexFormat.h"

#include <cstring>
#include <string>

namespace vtt::tex {

WriteResult encodePaletteTex(std::span<const std::uint8_t> indices, int width, int height,
                             const std::array<std::uint8_t, PaletteBytes>& palette, const TexHeader& header)
{
    const bool sixteen = is(header.Type, Type::Palette16);
    if (!sixteen && !is(header.Type, Type::Palette256) && !is(header.Type, Type::Palette256Alt))
        return unwritable("TEX type " + std::to_string(header.Type) + " is not a palette type");
    if (width < 0 || height < 0 || width > 32767 || height > 32767)
        return unwritable("a TEX file cannot hold a " + std::to_string(width) + " x " + std::to_string(height)
                          + " image");
    const mip::LevelSize full{std::size_t(width), std::size_t(height)};
    const std::size_t n = full.pixels();
    if (indices.size() < n)
        return unwritable("the image is " + std::to_string(width) + " x " + std::to_string(height) + " ("
                          + std::to_string(n) + " pixels) but only " + std::to_string(indices.size())
                          + " pixels are held");
    // An index past the 16 stored entries would show whatever colour the
    // reader's earlier palette held there.
    if (sixteen) {
        for (std::size_t i = 0; i < n; ++i)
            if (indices[i] >= 16)
                return unwritable("pixel " + std::to_string(i % full.width) + ", " + std::to_string(i / full.width)
                                  + " uses palette entry " + std::to_string(indices[i])
                                  + ", but TEX type 15 holds only 16 entries");
    }

    const int levels = mip::levelCount(header.MipCount);
    const std::size_t paletteSize = sixteen ? Palette16Size : Palette256Size;
    const std::size_t total = HeaderSize + paletteSize + mip::chainPixels(full.width, full.height, levels);
    PixelArray file;
    VTT_CHECK(reserveOutput(file, total, full.width, full.height));
    ByteWriter out(file);
    out.s16(static_cast<std::int16_t>(width));
    out.s16(static_cast<std::int16_t>(height));
    out.s16(header.Type);
    out.s16(header.MipCount);
    out.s16(header.Unknown);
    out.s32(header.Bits);
    std::uint8_t* pal = out.grow(paletteSize);
    if (sixteen) {
        std::memcpy(pal, palette.data(), Palette16Size); // red, green, blue, alpha as held
    } else {
        for (std::size_t e = 0; e < PaletteEntries; ++e) { // blue, green, red, alpha
            pal[4 * e + 0] = palette[4 * e + 2];
            pal[4 * e + 1] = palette[4 * e + 1];
            pal[4 * e + 2] = palette[4 * e + 0];
            pal[4 * e + 3] = palette[4 * e + 3];
        }
    }
    if (n > 0)
        std::memcpy(out.grow(n), indices.data(), n);
    // Each further level from the one before it, in place in the reserved
    // output; a block keeps one of its own entries, so type 15 stays below 16.
    std::size_t at = file.size() - n;
    mip::LevelSize size = full;
    for (int k = 1; k < levels; ++k) {
        const mip::LevelSize next = mip::halved(size);
        out.grow(next.pixels());
        mip::halveIndexed(std::span<const std::uint8_t>(file.data() + at, size.pixels()), size, palette,
                          std::span<std::uint8_t>(file.data() + at + size.pixels(), next.pixels()));
        at += size.pixels();
        size = next;
    }
    return file;
}

} // namespace vtt::tex
