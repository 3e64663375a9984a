#pragma once

// What every successfully read document must satisfy, shared by the fuzz
// targets and the regression test that replays their findings. Each check
// returns an empty string when all is well, else what is wrong.

#include "codecs/PngReader.h"
#include "codecs/TexReader.h"
#include "codecs/TgaReader.h"
#include "files/FileCommands.h"
#include "operations/ChannelSwitch.h"
#include "operations/FlipMirror.h"

#include <algorithm>
#include <string>
#include <vector>

namespace vtt::checks {

// A read document has a depth the tool works with (its factories make the
// store fit the size and depth).
inline std::string documentProblem(const ImageDocument& doc)
{
    if (doc.BitDepth() != PaletteDepth && doc.BitDepth() != 24 && doc.BitDepth() != 32)
        return "a depth of " + std::to_string(doc.BitDepth()) + " bits";
    if (doc.pixels().size() != doc.area() * static_cast<std::size_t>(doc.pixelSize()))
        return "a pixel store that does not cover width x height";
    return {};
}

// Flip, mirror and a red-blue exchange, each done twice, give the pixels back.
inline std::string operationsProblem(ImageDocument doc)
{
    const std::vector<std::uint8_t> pixels(doc.pixels().begin(), doc.pixels().end());
    const auto same = [&] { return std::equal(pixels.begin(), pixels.end(), doc.pixels().begin(), doc.pixels().end()); };
    flipImage(doc);
    mirrorImage(doc);
    flipImage(doc);
    mirrorImage(doc);
    if (!same())
        return "flip and mirror twice changed the image";
    ChannelMapping swap;
    swap[Channel::Red] = Channel::Blue;
    swap[Channel::Blue] = Channel::Red;
    if (switchChannels(doc, swap)) {
        switchChannels(doc, swap);
        if (!same())
            return "exchanging red and blue twice changed the image";
    }
    return {};
}

// Same colours (red, green, blue) for every pixel; alpha too when asked.
inline bool samePixels(const ImageDocument& a, const ImageDocument& b, bool withAlpha)
{
    if (a.ImageWidth() != b.ImageWidth() || a.ImageHeight() != b.ImageHeight() || a.isPaletted() != b.isPaletted())
        return false;
    const std::size_t n = a.area();
    if (b.area() != n)
        return false;
    if (a.isPaletted()) {
        if (!std::equal(a.PixelIndices().begin(), a.PixelIndices().begin() + n, b.PixelIndices().begin()))
            return false;
        for (std::size_t e = 0; e < PaletteEntries; ++e)
            for (std::size_t c = 0; c < (withAlpha ? 4u : 3u); ++c)
                if (a.Palette()[4 * e + c] != b.Palette()[4 * e + c])
                    return false;
        return true;
    }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t c = 0; c < (withAlpha ? 4u : 3u); ++c)
            if (a.PixelBytes()[4 * i + c] != b.PixelBytes()[4 * i + c])
                return false;
    return true;
}

// Saves a copy of the document in each format as the Save command does; a
// file the writer produces must read back as the same picture. Alpha is
// compared only where both formats carry it the same way.
inline std::string roundTripProblem(const ImageDocument& doc)
{
    for (const FormatEntry& entry : imageFormats()) {
        const ImageFormat format = entry.format;
        const ImageDocument& copy = doc;
        const auto written = encodeImage(copy, format, TexPanelValues{copy.Facts.Tex.MipCount, 0, 0});
        if (!written.has_value())
            continue;
        const Bytes file(written.value().bytes.data(), written.value().bytes.size());
        const ReadResult back = entry.read(file);
        const char* name = entry.name;
        if (!back.has_value())
            return std::string("a written ") + name + " file does not read back: " + back.error().detail;
        if (std::string p = documentProblem(back.value()); !p.empty())
            return std::string("a written ") + name + " file reads back wrongly: " + p;
        // Every reader fills an alpha the file lacks with 255, so alpha
        // survives all but one way: a palette's alpha has no place in the
        // 24-bit colour map a Targa is written with, nor in a PNG's PLTE.
        const bool withAlpha = !(copy.isPaletted() && format != ImageFormat::Tex);
        if (!samePixels(copy, back.value(), withAlpha))
            return std::string("a written ") + name + " file reads back as a different picture";
    }
    return {};
}

// What `vtt info` shows from the header alone must be what a read gives.
inline bool sameHeader(const Result<ImageOutline>& peeked, const ImageDocument& doc)
{
    if (!peeked.has_value())
        return false;
    const ImageOutline& p = peeked.value();
    const FileFacts& f = doc.Facts;
    return p.ImageWidth() == doc.ImageWidth() && p.ImageHeight() == doc.ImageHeight() && p.BitDepth() == doc.BitDepth()
        && p.Facts.Kind == f.Kind && (f.Kind != ImageFormat::Tex || p.Facts.Tex == f.Tex)
        && (f.Kind != ImageFormat::Tga || p.Facts.Tga == f.Tga) && (f.Kind != ImageFormat::Png || p.Facts.Png == f.Png);
}

// The same picture: pixels and palette.
inline bool samePicture(const ImageDocument& a, const ImageDocument& b)
{
    return a.BitDepth() == b.BitDepth() && std::ranges::equal(a.pixels(), b.pixels()) && a.Palette() == b.Palette();
}

// Everything above for one input read as PNG; empty when sound.
inline std::string pngReaderProblem(Bytes input, bool withRoundTrip)
{
    ReadResult result = readPng(input);
    if (!result.has_value())
        return result.error().detail.empty() ? "refusal without a reason" : std::string();
    const ImageDocument& doc = result.value();
    if (doc.Facts.Kind != ImageFormat::Png)
        return "a PNG load named another format";
    if (!sameHeader(peekPng(memorySource(input)), doc))
        return "the PNG header alone says otherwise than the read";
    const ReadResult streamed = readPng(memorySource(input));
    if (!streamed.has_value() || !samePicture(streamed.value(), doc))
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
    ReadResult result = asTex ? readTex(input) : readTga(input);
    if (!result.has_value())
        return result.error().detail.empty() ? "refusal without a reason" : std::string();
    const ImageDocument& doc = result.value();
    if (doc.Facts.Kind != (asTex ? ImageFormat::Tex : ImageFormat::Tga))
        return "the document does not name the format it was read from";
    const Bytes head = input.first(std::min<std::size_t>(input.size(), asTex ? tex::HeaderSize : tga::HeaderSize));
    if (!sameHeader(asTex ? peekTex(head, input.size()) : peekTga(head, input.size()), doc))
        return "the header alone says otherwise than the read";
    // Read only as far as the header says the image needs, with the end
    // apart: the same picture.
    const std::size_t needed = asTex ? input.size() : tgaExtent(head);
    if (needed < input.size()) {
        const Bytes end = input.last(std::min<std::size_t>(input.size(), 26));
        const ReadResult part = readTga(input.first(needed), end, input.size());
        if (!part.has_value() || !std::ranges::equal(part.value().pixels(), doc.pixels()))
            return "a Targa read only as far as its image goes gives another picture";
    }
    if (std::string p = documentProblem(doc); !p.empty())
        return p;
    if (std::string p = operationsProblem(doc); !p.empty())
        return p;
    return withRoundTrip ? roundTripProblem(doc) : std::string();
}

} // namespace vtt::checks
