#pragma once

// Documents built from explicit pixels, for the tests; only through the
// document's factories, so every one is consistent.

#include "document/ImageDocument.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vtt::testing {

// A width x height document of `depth` bits holding `pixels` (one byte a
// pixel for depth 8, else four), or left unset when `pixels` is empty.
inline ImageDocument documentOf(int width, int height, int depth, const std::vector<std::uint8_t>& pixels = {},
                                std::optional<ImageFormat> kind = std::nullopt)
{
    auto made = ImageDocument::create(width, height, depth);
    if (!made)
        qFatal("the test document cannot be made: %s", made.error().detail.c_str());
    ImageDocument doc = std::move(*made);
    if (!pixels.empty()) {
        if (pixels.size() != doc.pixels().size())
            qFatal("the test document needs %zu bytes, not %zu", doc.pixels().size(), pixels.size());
        std::copy(pixels.begin(), pixels.end(), doc.pixels().begin());
    }
    doc.Facts.Kind = kind;
    return doc;
}

// Overwrites the store with `pixels`, which must be exactly its size.
inline void setPixels(ImageDocument& doc, const std::vector<std::uint8_t>& pixels)
{
    if (pixels.size() != doc.pixels().size())
        qFatal("the test document needs %zu bytes, not %zu", doc.pixels().size(), pixels.size());
    std::copy(pixels.begin(), pixels.end(), doc.pixels().begin());
}

// A view's bytes, to compare with QCOMPARE.
inline std::vector<std::uint8_t> bytesOf(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

} // namespace vtt::testing
