#pragma once

#include "codecs/WriteResult.h"
#include "document/ImageDocument.h"

#include <cstdint>

namespace vtt {

enum class SaveFormat { Tex, Tga };

// The header panel's boxes as numbers, read on every TEX save.
struct TexPanelValues {
    std::int16_t mipCount = 0;
    std::int16_t unknown = 0;
    std::int32_t bits = 0;
};

// The document fields a save may rewrite. Kept aside before a save so that a
// save that fails can leave the document exactly as it was.
struct SaveFields {
    std::uint8_t BitDepth = 0;
    std::int16_t TexType = 0;
    std::int16_t MipCount = 0;
    std::int16_t TexUnknown = 0;
    std::int32_t TexBits = 0;
    std::uint8_t TgaIdLength = 0;
    std::uint8_t TgaColorMapType = 0;
    std::uint8_t TgaImageType = 0;
    std::uint8_t TgaMapSpecA = 0;
    std::int16_t TgaMapSpecB = 0;
    std::int16_t TgaMapSpecC = 0;
    std::uint8_t TgaDescriptor = 0;
};

SaveFields saveFieldsOf(const ImageDocument& doc);
void restoreSaveFields(ImageDocument& doc, const SaveFields& fields);

// Rewrites in place what saving as `format` changes; FileKind never changes,
// so a second save converts again from the same starting point.
//
// TEX: the mip count, unknown and bits fields take the panel's values; a
// document opened as TGA also gets its type from its depth (8 -> 1, 24 ->
// 17, 32 -> 18; any other depth keeps the type, which the writer then
// refuses).
//
// TGA, for a document opened as TEX: the depth follows the type (1 and 14 ->
// 8, 17 -> 24, 18 -> 32, any other type keeps the depth) and the TGA header
// fields become those of the uncompressed Targa that is written: colour-
// mapped with a 256-entry 24-bit map for 8 bits, true-colour otherwise,
// descriptor 0. A document opened as TGA keeps the fields of its file.
void convertForSave(ImageDocument& doc, SaveFormat format, const TexPanelValues& panel);

// Converts and encodes. On failure the document is left as it was.
WriteResult encodeForSave(ImageDocument& doc, SaveFormat format, const TexPanelValues& panel);

} // namespace vtt
