#pragma once

#include "document/ImageDocument.h"

#include <cstdint>

namespace vtt {

// What kind of picture a document is, as Image > Mode shows it and as a
// save as TEX picks its type by. A palette image is one of 16 colours when
// its TEX type field says 15 (a type-15 file, or a change to 16 colours);
// a direct-colour one is RGB at 24 bits or when opened from a TEX type-17
// file (which holds no alpha, though it opens at 32 bits).
enum class ColourMode { Indexed256, Indexed16, Rgb, Rgba };

ColourMode modeOf(const ImageDocument& doc);

// Whether a TEX save can write `type`: 1, 14, 15, 17 and 18.
bool writableTexType(int type);

// The mode a TEX type holds: 1 and 14 Indexed256, 15 Indexed16, 17 Rgb,
// 18 Rgba. Indexed256 for any type writableTexType refuses.
ColourMode modeForTexType(int type);

// The TEX type a save writes for the document: Indexed256 gives 1, or 14
// when the type field already says 14 (a type-14 file, or a choice of 14,
// kept while the image stays 256-colour); Indexed16 gives 15; Rgb 17; Rgba
// 18. A document without pixels of a known depth, or opened as TEX with a
// type that cannot be written, keeps its type field for the writer to
// refuse.
std::int16_t fittingTexType(const ImageDocument& doc);

// The TEX type a document of `mode` writes; `current` is its type so far,
// which an indexed-256 document keeps when it is 14.
std::int16_t texTypeOfMode(ColourMode mode, std::int16_t current);

} // namespace vtt
