#pragma once

#include "codecs/WriteResult.h"
#include "document/ImageDocument.h"

namespace vtt {

// Encodes the document's pixels as a whole TEX file under `header` (the
// fields a save converts to; the one-argument form takes the document's).
// Types 1, 17 and 18 are written with max(1, MipCount) levels; the header
// keeps MipCount as it is.
//
// Refused, with nothing produced: types 14, 15 and 16 (with their historical
// message), every other type, a negative size, a depth that does not fit the
// type, and a pixel array holding fewer than ImageWidth x ImageHeight pixels.
WriteResult writeTex(const ImageDocument& doc, const TexHeader& header);
WriteResult writeTex(const ImageDocument& doc);

} // namespace vtt
