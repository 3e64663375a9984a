#pragma once

#include "codecs/MipFilters.h"
#include "codecs/WriteResult.h"
#include "document/ImageDocument.h"

namespace vtt {

// Encodes the document's pixels as a whole TEX file under `header` (the
// fields a save converts to; the shorter form takes the document's). Every
// type is written with max(1, MipCount) levels, the further ones made with
// `filter`; the header keeps MipCount as it is. Types 1 and 14 share one
// layout (256 entries stored blue first); 15 stores 16 entries red first,
// and every index must lie below 16 (else refused, naming the first pixel
// that does not).
//
// Refused, with nothing produced: type 16 (with its historical message),
// every other type, a depth that does not fit the type.
WriteResult writeTex(const ImageDocument& doc, const TexHeader& header,
                     mip::MipFilter filter = mip::MipFilter::BoxStored);
WriteResult writeTex(const ImageDocument& doc, mip::MipFilter filter = mip::MipFilter::BoxStored);

} // namespace vtt
