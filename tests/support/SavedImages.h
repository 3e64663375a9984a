#pragma once

// Small documents and Targa files for the saving tests.

#include "document/ImageDocument.h"
#include "support/TexFiles.h"

#include <QString>
#include <QTest>

#include <cstdint>
#include <vector>

namespace vtt::testing {

// Varied but reproducible bytes, so swapped channels or shifted rows show.
inline std::uint8_t patternByte(std::size_t i) { return static_cast<std::uint8_t>((i * 73 + 19) ^ (i >> 3)); }

inline ImageDocument directDocument(int width, int height, std::uint8_t depth, ImageFormat kind)
{
    ImageDocument doc = ImageDocument::create(width, height, depth).value();
    doc.Facts.Kind = kind;
    const auto bytes = doc.PixelBytes();
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = patternByte(i);
    if (depth == 24)
        for (std::size_t i = 3; i < bytes.size(); i += 4)
            bytes[i] = 255;
    return doc;
}

inline ImageDocument indexedDocument(int width, int height, ImageFormat kind)
{
    ImageDocument doc = ImageDocument::create(width, height, PaletteDepth).value();
    doc.Facts.Kind = kind;
    for (std::size_t i = 0; i < doc.Palette().size(); ++i)
        doc.Palette()[i] = patternByte(i + 1000);
    const auto indices = doc.PixelIndices();
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = patternByte(i + 7);
    return doc;
}

// An uncompressed Targa as the tool writes it: no ID field, origin 0,
// 8 bits with a 256-entry 24-bit map, or 24/32-bit true colour.
inline std::vector<std::uint8_t> tgaFile(int width, int height, std::uint8_t depth, std::uint8_t descriptor)
{
    const bool mapped = depth == 8;
    std::vector<std::uint8_t> out = {0, std::uint8_t(mapped ? 1 : 0), std::uint8_t(mapped ? 1 : 2), 0, 0,
                                     0, std::uint8_t(mapped ? 1 : 0), std::uint8_t(mapped ? 24 : 0)};
    putLe(out, 0, 4);
    putLe(out, static_cast<std::uint16_t>(width), 2);
    putLe(out, static_cast<std::uint16_t>(height), 2);
    out.push_back(depth);
    out.push_back(descriptor);
    const std::size_t body = (mapped ? 768 : 0) + static_cast<std::size_t>(width * height) * (mapped ? 1 : depth / 8);
    for (std::size_t i = 0; i < body; ++i)
        out.push_back(patternByte(i + 300));
    return out;
}

// Data columns "type" and "message": the TEX type that cannot be written
// and the historical text shown for it, exactly as it stands.
inline void addHistoricalTypeMessages()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("message");
    QTest::newRow("16") << 16 << QString::fromUtf8("Och här");
}

} // namespace vtt::testing
