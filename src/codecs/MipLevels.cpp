#include "codecs/MipLevels.h"

#include "codecs/MipChain.h"
#include "codecs/PixelPacking.h"
#include "codecs/TexFormat.h"

#include <algorithm>
#include <string>

namespace vtt {

namespace {

// Bytes before level 0 and bytes a pixel, for the readable types.
struct Layout {
    std::size_t start = 0;
    int pixelBytes = 0;
};

std::optional<Layout> layoutOf(std::int16_t type)
{
    if (tex::is(type, tex::Type::Palette256) || tex::is(type, tex::Type::Palette256Alt))
        return Layout{tex::HeaderSize + tex::Palette256Size, 1};
    if (tex::is(type, tex::Type::Palette16))
        return Layout{tex::HeaderSize + tex::Palette16Size, 1};
    if (tex::is(type, tex::Type::Rgb))
        return Layout{tex::HeaderSize, 3};
    if (tex::is(type, tex::Type::Rgba))
        return Layout{tex::HeaderSize, 4};
    return std::nullopt;
}

} // namespace

std::vector<MipLevel> texMipLevels(Bytes file)
{
    ByteReader in(file);
    const auto h = in.takeFixed<tex::HeaderSize>();
    if (!h)
        return {};
    const std::int16_t width = s16At<tex::offset::Width>(*h), height = s16At<tex::offset::Height>(*h);
    const auto layout = layoutOf(s16At<tex::offset::Type>(*h));
    if (!layout || width < 0 || height < 0)
        return {};
    const int count = mip::levelCount(s16At<tex::offset::MipCount>(*h));
    std::vector<MipLevel> levels;
    std::size_t offset = layout->start;
    mip::LevelSize size{static_cast<std::size_t>(width), static_cast<std::size_t>(height)};
    for (int k = 0; k < count; ++k, size = mip::halved(size)) {
        const std::size_t bytes = size.pixels() * static_cast<std::size_t>(layout->pixelBytes);
        const bool whole = offset <= file.size() && bytes <= file.size() - offset;
        levels.push_back({static_cast<int>(size.width), static_cast<int>(size.height), offset, bytes, whole});
        if (!whole)
            break; // nothing after a missing byte can be placed
        offset += bytes;
    }
    return levels;
}

std::uint64_t texLevelsEnd(Bytes head)
{
    if (head.size() < tex::HeaderSize)
        return 0;
    const auto h = head.first<tex::HeaderSize>();
    const std::int16_t width = s16At<tex::offset::Width>(h), height = s16At<tex::offset::Height>(h);
    const auto layout = layoutOf(s16At<tex::offset::Type>(h));
    if (!layout || width < 0 || height < 0)
        return 0;
    const int count = mip::levelCount(s16At<tex::offset::MipCount>(h));
    return layout->start
        + std::uint64_t(mip::chainPixels(std::size_t(width), std::size_t(height), count)) * std::uint64_t(layout->pixelBytes);
}

int wholeMipLevels(const std::vector<MipLevel>& levels)
{
    return static_cast<int>(std::find_if(levels.begin(), levels.end(), [](const MipLevel& l) { return !l.whole; })
                            - levels.begin());
}

Result<ImageDocument> readTexLevel(Bytes file, const ImageDocument& level0, int k)
{
    const std::vector<MipLevel> levels = texMipLevels(file);
    if (k < 0 || k >= wholeMipLevels(levels))
        return malformed("mip level " + std::to_string(k) + " is not wholly in the file");
    const MipLevel& level = levels[static_cast<std::size_t>(k)];
    VTT_TRY(doc, ImageDocument::create(level.width, level.height, level0.BitDepth(), level0.Palette()));
    doc.Facts = level0.Facts;
    const std::size_t n = static_cast<std::size_t>(level.width) * level.height;
    const Bytes src = file.subspan(level.offset, level.size);
    if (doc.isPaletted())
        std::copy(src.begin(), src.end(), doc.PixelIndices().begin());
    else if (level.size == 4 * n)
        std::copy(src.begin(), src.end(), doc.PixelBytes().begin());
    else
        packing::fromThreeBytes<false>(src.data(), doc.PixelBytes().data(), n);
    return doc;
}

} // namespace vtt
