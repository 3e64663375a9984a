#pragma once

#include "codecs/MipFilters.h"
#include "codecs/WriteResult.h"
#include "document/ImageDocument.h"

#include <cstdint>
#include <vector>

namespace vtt {

// The header panel's boxes as numbers, read on every TEX save, and the
// filter of the further mip levels (the Options window's, or `vtt
// --mip-filter`).
struct TexPanelValues {
    std::int16_t mipCount = 0;
    std::int16_t unknown = 0;
    std::int32_t bits = 0;
    mip::MipFilter mipFilter = mip::MipFilter::BoxStored;
};

// What a save changes in the document once its file is written. The kind
// never changes, so a second save converts again from the same starting
// point.
//
// TEX: the mip count, unknown and bits fields take the panel's values, and
// the type is the one that fits the document's mode (fittingTexType: 1, or
// 14 kept or chosen, for 256 colours; 15 for 16; 17 for RGB; 18 for RGBA;
// a document of no known depth keeps its type, which the writer refuses).
// This is the one place a save as TEX picks its type.
//
// A document opened as PNG converts as one opened as TGA.
//
// TGA, for a document opened as TEX: the depth follows the type (1 and 14 ->
// 8, 17 -> 24, 18 -> 32, any other type keeps the depth) and the TGA header
// fields become those of the Targa that is written. A document opened as TGA
// keeps the fields of its file; one opened as PNG gets those written.
//
// PNG: the depth follows the type as for TGA; no header field changes.
struct SaveChanges {
    std::uint8_t BitDepth = 0;
    TexHeader Tex;
    TgaHeader Tga;
    mip::MipFilter MipFilter = mip::MipFilter::BoxStored; // what the TEX writer makes further levels with
};

SaveChanges texSaveChanges(const ImageDocument& doc, const TexPanelValues& panel);
SaveChanges tgaSaveChanges(const ImageDocument& doc, const TexPanelValues& panel);
SaveChanges pngSaveChanges(const ImageDocument& doc, const TexPanelValues& panel);
// Never fails for changes made by the functions above from the same
// document: they keep a palette image at 8 bits.
[[nodiscard]] Result<void> applySaveChanges(ImageDocument& doc, const SaveChanges& changes);

struct EncodedFile {
    PixelArray bytes;
    SaveChanges changes;
};

} // namespace vtt
