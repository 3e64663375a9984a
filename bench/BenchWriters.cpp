#include "BenchWriters.h"

#include "codecs/MipChain.h"
#include "codecs/SaveConversion.h"
#include "codecs/TexWriter.h"
#include "codecs/TgaWriter.h"

#include <benchmark/benchmark.h>

namespace vtt::bench {

std::vector<EncodeCase> encodeCases()
{
    return {EncodeCase::Tex1, EncodeCase::Tex17, EncodeCase::Tex18,
            EncodeCase::Tga8, EncodeCase::Tga24, EncodeCase::Tga32};
}

const char* encodeName(EncodeCase which)
{
    switch (which) {
    case EncodeCase::Tex1: return "tex1-mips";
    case EncodeCase::Tex17: return "tex17-mips";
    case EncodeCase::Tex18: return "tex18-mips";
    case EncodeCase::Tga8: return "tga8";
    case EncodeCase::Tga24: return "tga24";
    case EncodeCase::Tga32: return "tga32";
    }
    return "?";
}

FileLayout sourceLayout(EncodeCase which)
{
    switch (which) {
    case EncodeCase::Tex1:
    case EncodeCase::Tga8: return FileLayout::Tex1;
    case EncodeCase::Tex17:
    case EncodeCase::Tga24: return FileLayout::Tex17;
    default: return FileLayout::Tex18;
    }
}

static bool isTex(EncodeCase which)
{
    return which == EncodeCase::Tex1 || which == EncodeCase::Tex17 || which == EncodeCase::Tex18;
}

int fullChainLevels(int side)
{
    int levels = 1;
    while (side > 1) {
        side /= 2;
        ++levels;
    }
    return levels;
}

bool prepareForEncode(EncodeCase which, ImageDocument& doc, std::string& problem)
{
    if (isTex(which)) {
        static_cast<void>(applySaveChanges(
            doc, texSaveChanges(doc, TexPanelValues{static_cast<std::int16_t>(fullChainLevels(doc.ImageWidth())),
                                                    doc.Facts.Tex.Unknown, doc.Facts.Tex.Bits})));
    } else {
        static_cast<void>(applySaveChanges(
            doc, tgaSaveChanges(doc, TexPanelValues{doc.Facts.Tex.MipCount, doc.Facts.Tex.Unknown, doc.Facts.Tex.Bits})));
    }
    std::size_t bytes = 0;
    return encodeDocument(which, doc, bytes, problem);
}

bool encodeDocument(EncodeCase which, const ImageDocument& doc, std::size_t& bytes, std::string& problem)
{
    WriteResult result = isTex(which) ? writeTex(doc) : writeTga(doc);
    if (!result.has_value()) {
        problem = result.error().detail;
        return false;
    }
    bytes = result.value().size();
    benchmark::DoNotOptimize(result.value().data());
    return true;
}

std::size_t encodedBytes(EncodeCase which, int side)
{
    const std::size_t n = static_cast<std::size_t>(side) * side;
    const std::size_t chain = mip::chainPixels(side, side, fullChainLevels(side));
    switch (which) {
    case EncodeCase::Tex1: return 14 + 1024 + chain;
    case EncodeCase::Tex17: return 14 + 3 * chain;
    case EncodeCase::Tex18: return 14 + 4 * chain;
    case EncodeCase::Tga8: return 18 + 768 + n;
    case EncodeCase::Tga24: return 18 + 3 * n;
    case EncodeCase::Tga32: return 18 + 4 * n;
    }
    return 0;
}

} // namespace vtt::bench
