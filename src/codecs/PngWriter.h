#pragma once

#include "codecs/WriteResult.h"
#include "document/ImageDocument.h"

namespace vtt {

// How hard the written files are compressed (zlib's scale 0..9). Below 6
// files grow by 5 to 10 %; above, they take far longer for a percent or two.
constexpr int PngCompressionLevel = 6;

// Encodes the document's pixels as a whole PNG of `depth` bits (the depth a
// save converts to): 8 bits as a palette image with all 256 entries in PLTE
// and no tRNS (as much as a Targa carries), 24 as RGB, 32 as RGBA; 8 bits
// per sample, not interlaced, compressed at PngCompressionLevel.
//
// Refused, with nothing produced: a depth other than 8, 24 and 32, a
// negative or empty size, and a pixel array holding fewer than ImageWidth x
// ImageHeight pixels.
WriteResult writePng(const ImageDocument& doc, std::uint8_t depth);

} // namespace vtt
