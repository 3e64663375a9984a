#pragma once

#include "codecs/WriteResult.h"
#include "document/ImageDocument.h"

namespace vtt {

// Encodes the document as a whole uncompressed Targa from its depth and
// pixels (convert it first when it was opened as TEX). The header is always
// a valid one for the depth, whatever was kept from the file it came from:
// no ID field, origin 0, 8 bits colour-mapped with a 256-entry 24-bit map,
// 24 and 32 bits true-colour. Of the kept descriptor only the origin bits
// survive, so rows go out in the document's order and keep their meaning.
//
// Refused, with nothing produced: a depth other than 8, 24 and 32, a
// negative size, and a pixel array holding fewer than ImageWidth x
// ImageHeight pixels.
WriteResult writeTga(const ImageDocument& doc);

} // namespace vtt
