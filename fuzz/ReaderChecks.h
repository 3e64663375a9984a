#pragma once

// What every successfully read document must satisfy, shared by the fuzz
// targets and the regression test that replays their findings. Each check
// returns an empty string when all is well, else what is wrong.

#include "codecs/PngReader.h"
#include "codecs/SaveConversion.h"
#include "codecs/TexReader.h"
#include "codecs/TgaReader.h"
#include "operations/ChannelSwitch.h"
#include "operations/FlipMirror.h"

#include <algorithm>
#include <string>

namespace vtt::checks {

// A read document holds every pixel it claims in the array its depth selects.
inline std::string documentProblem(const ImageDocument& doc)
{
    if (doc.ImageWidth < 0 || doc.ImageHeight < 0)
        return "negative dimensions accepted";
    if (doc.PixelCount != static_cast<std::int32_t>(doc.ImageWidth) * doc.ImageHeight)
        return "PixelCount differs from width x height";
    if (usablePixels(doc) != static_cast<std::size_t>(doc.PixelCount))
        return "pixel array shorter than PixelCount";
    return {};
}

// Flip, mirror and a red-blue exchange, each done twice, give the pixels back.
inline std::string operationsProblem(ImageDocument doc)
{
    const auto indices = doc.PixelIndices;
    const auto bytes = doc.PixelBytes;
    flipImage(doc);
    mirrorImage(doc);
    flipImage(doc);
    mirrorImage(doc);
    if (doc.PixelIndices != indices || doc.PixelBytes != bytes)
        return "flip and mirror twice changed the image";
    ChannelMapping swap;
    swap[Channel::Red] = Channel::Blue;
    swap[Channel::Blue] = Channel::Red;
    if (switchChannels(doc, swap)) {
        switchChannels(doc, swap);
        if (doc.PixelBytes != bytes)
            return "exchanging red and blue twice changed the image";
    }
    return {};
}

// Same colours (red, green, blue) for every pixel; alpha too when asked.
inline bool samePixels(const ImageDocument& a, const ImageDocument& b, bool withAlpha)
{
    if (a.ImageWidth != b.ImageWidth || a.ImageHeight != b.ImageHeight || a.isPaletted() != b.isPaletted())
        return false;
    const std::size_t n = usablePixels(a);
    if (usablePixels(b) != n)
        return false;
    if (a.isPaletted()) {
        if (!std::equal(a.PixelIndices.begin(), a.PixelIndices.begin() + n, b.PixelIndices.begin()))
            return false;
        for (std::size_t e = 0; e < PaletteEntries; ++e)
            for (std::size_t c = 0; c < (withAlpha ? 4u : 3u); ++c)
                if (a.Palette[4 * e + c] != b.Palette[4 * e + c])
                    return false;
        return true;
    }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t c = 0; c < (withAlpha ? 4u : 3u); ++c)
            if (a.PixelBytes[4 * i + c] != b.PixelBytes[4 * i + c])
                return false;
    return true;
}

// Saves a copy of the document in each format as the Save command does; a
// file the writer produces must read back as the same picture. Alpha is
// compared only where both formats carry it the same way.
inline std::string roundTripProblem(const ImageDocument& doc)
{
    for (SaveFormat format : {SaveFormat::Tex, SaveFormat::Tga, SaveFormat::Png}) {
        ImageDocument copy = doc;
        const auto written = encodeForSave(copy, format, TexPanelValues{copy.Tex.MipCount, 0, 0});
        if (!written.ok())
            continue;
        const Bytes file(written.value().bytes.data(), written.value().bytes.size());
        const ImageDocument empty;
        const ReadResult back = format == SaveFormat::Tex ? readTex(file, empty)
            : format == SaveFormat::Tga                   ? readTga(file, empty)
                                                          : readPng(file, empty);
        const char* name = format == SaveFormat::Tex ? "TEX" : format == SaveFormat::Tga ? "TGA" : "PNG";
        if (!back.ok())
            return std::string("a written ") + name + " file does not read back: " + back.error().detail;
        if (std::string p = documentProblem(back.value()); !p.empty())
            return std::string("a written ") + name + " file reads back wrongly: " + p;
        // Every reader fills an alpha the file lacks with 255, so alpha
        // survives all but one way: a palette's alpha has no place in the
        // 24-bit colour map a Targa is written with, nor in a PNG's PLTE.
        const bool withAlpha = !(copy.isPaletted() && format != SaveFormat::Tex);
        if (!samePixels(copy, back.value(), withAlpha))
            return std::string("a written ") + name + " file reads back as a different picture";
    }
    return {};
}

// A previous document with every carried field set, so a reader that keeps
// the wrong thing shows up.
inline ImageDocument previousDocument()
{
    ImageDocument doc;
    doc.BitDepth = 24;
    for (std::size_t i = 0; i < doc.Palette.size(); ++i)
        doc.Palette[i] = static_cast<std::uint8_t>(i * 7);
    doc.Tex.Type = 18;
    doc.Tex.MipCount = 3;
    doc.Tex.Unknown = -1;
    doc.Tex.Bits = 77;
    doc.Tga.ImageType = 2;
    doc.Tga.Descriptor = 8;
    doc.FileKind = DocumentKind::Tex;
    return doc;
}

// What `vtt info` shows from the header alone must be what a read gives.
inline bool sameHeader(const ReadResult& peeked, const ImageDocument& doc)
{
    if (!peeked.ok())
        return false;
    const ImageDocument& p = peeked.value();
    return p.ImageWidth == doc.ImageWidth && p.ImageHeight == doc.ImageHeight && p.BitDepth == doc.BitDepth
        && p.FileKind == doc.FileKind && (doc.FileKind != DocumentKind::Tex || p.Tex == doc.Tex)
        && (doc.FileKind != DocumentKind::Tga || p.Tga == doc.Tga)
        && (doc.FileKind != DocumentKind::Png || p.Png == doc.Png);
}

// Everything above for one input read as PNG; empty when sound.
inline std::string pngReaderProblem(Bytes input, bool withRoundTrip)
{
    static const ImageDocument previous = previousDocument();
    ReadResult result = readPng(input, previous);
    if (!result.ok())
        return result.error().detail.empty() ? "refusal without a reason" : std::string();
    const ImageDocument& doc = result.value();
    if (doc.FileKind != DocumentKind::Png || doc.Tex != previous.Tex || doc.Tga != previous.Tga)
        return "a PNG load did not keep the TEX and Targa headers, or named another format";
    if (!sameHeader(peekPng(memorySource(input)), doc))
        return "the PNG header alone says otherwise than the read";
    const ReadResult streamed = readPng(memorySource(input), previous);
    if (!streamed.ok() || streamed.value().PixelBytes != doc.PixelBytes
        || streamed.value().PixelIndices != doc.PixelIndices || streamed.value().Palette != doc.Palette)
        return "a PNG read as it is streamed gives another picture";
    if (std::string p = documentProblem(doc); !p.empty())
        return p;
    if (std::string p = operationsProblem(doc); !p.empty())
        return p;
    return withRoundTrip ? roundTripProblem(doc) : std::string();
}

// Everything above for one input read as `asTex` says; empty when sound.
inline std::string readerProblem(Bytes input, bool asTex, bool withRoundTrip)
{
    static const ImageDocument previous = previousDocument();
    ReadResult result = asTex ? readTex(input, previous) : readTga(input, previous);
    if (!result.ok())
        return result.error().detail.empty() ? "refusal without a reason" : std::string();
    const ImageDocument& doc = result.value();
    if (doc.FileKind != (asTex ? DocumentKind::Tex : DocumentKind::Tga))
        return "the document does not name the format it was read from";
    const Bytes head = input.first(std::min<std::size_t>(input.size(), asTex ? tex::HeaderSize : tga::HeaderSize));
    if (!sameHeader(asTex ? peekTex(head, input.size()) : peekTga(head, input.size()), doc))
        return "the header alone says otherwise than the read";
    // Read only as far as the header says the image needs, with the end
    // apart: the same picture.
    const std::size_t needed = asTex ? input.size() : tgaExtent(head);
    if (needed < input.size()) {
        const Bytes end = input.last(std::min<std::size_t>(input.size(), 26));
        const ReadResult part = readTga(input.first(needed), previous, end, input.size());
        if (!part.ok() || part.value().PixelBytes != doc.PixelBytes || part.value().PixelIndices != doc.PixelIndices)
            return "a Targa read only as far as its image goes gives another picture";
    }
    if (asTex && (doc.Tga.ImageType != previous.Tga.ImageType || doc.Tga.Descriptor != previous.Tga.Descriptor))
        return "a TEX load changed the kept Targa header";
    if (!asTex && (doc.Tex.Type != previous.Tex.Type || doc.Tex.MipCount != previous.Tex.MipCount
                   || doc.Tex.Unknown != previous.Tex.Unknown || doc.Tex.Bits != previous.Tex.Bits))
        return "a Targa load changed the kept TEX header";
    if (std::string p = documentProblem(doc); !p.empty())
        return p;
    if (std::string p = operationsProblem(doc); !p.empty())
        return p;
    return withRoundTrip ? roundTripProblem(doc) : std::string();
}

} // namespace vtt::checks
