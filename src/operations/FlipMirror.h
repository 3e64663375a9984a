#pragma once

#include "document/ImageDocument.h"

namespace vtt {

// Turn the image upside down / left to right, on PixelIndices for palette
// images and on whole RGBA pixels otherwise. Nothing else changes.
//
// Both work in place. A document whose selected array cannot hold the whole
// ImageWidth x ImageHeight image (which loading never produces) is left as it
// is rather than half rearranged.
void flipImage(ImageDocument& doc);
void mirrorImage(ImageDocument& doc);

} // namespace vtt
