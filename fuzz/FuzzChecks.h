#pragma once

// Shared by the fuzz targets: what every successfully read document must
// satisfy, and a pass of the whole-image operations over it, so that odd
// shapes a reader lets through are exercised where they are used.

#include "codecs/ReadResult.h"
#include "operations/ChannelSwitch.h"
#include "operations/FlipMirror.h"

#include <cstdio>
#include <cstdlib>

namespace vtt::fuzz {

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void check(bool ok, const char* what)
{
    if (!ok)
        fail(what);
}

// A read document holds every pixel it claims in the array its depth selects.
inline void checkDocument(const ImageDocument& doc)
{
    check(doc.ImageWidth >= 0 && doc.ImageHeight >= 0, "negative dimensions accepted");
    check(doc.PixelCount == static_cast<std::int32_t>(doc.ImageWidth) * doc.ImageHeight,
          "PixelCount differs from width x height");
    check(usablePixels(doc) == static_cast<std::size_t>(doc.PixelCount), "pixel array shorter than PixelCount");
}

// Flip, mirror and a channel exchange, each undone, must give the pixels back.
inline void exerciseOperations(ImageDocument& doc)
{
    const auto indices = doc.PixelIndices;
    const auto bytes = doc.PixelBytes;
    flipImage(doc);
    mirrorImage(doc);
    flipImage(doc);
    mirrorImage(doc);
    check(doc.PixelIndices == indices && doc.PixelBytes == bytes, "flip and mirror twice changed the image");

    ChannelMapping swap;
    swap[Channel::Red] = Channel::Blue;
    swap[Channel::Blue] = Channel::Red;
    if (switchChannels(doc, swap)) {
        switchChannels(doc, swap);
        check(doc.PixelBytes == bytes, "exchanging red and blue twice changed the image");
    }
}

// A previous document with every carried field set, so a reader that keeps
// the wrong thing shows up as a difference.
inline ImageDocument previousDocument()
{
    ImageDocument doc;
    doc.BitDepth = 24;
    for (std::size_t i = 0; i < doc.Palette.size(); ++i)
        doc.Palette[i] = static_cast<std::uint8_t>(i * 7);
    doc.TexType = 18;
    doc.MipCount = 3;
    doc.TexUnknown = -1;
    doc.TexBits = 77;
    doc.TgaImageType = 2;
    doc.TgaDescriptor = 8;
    doc.FileKind = DocumentKind::Tex;
    return doc;
}

} // namespace vtt::fuzz
