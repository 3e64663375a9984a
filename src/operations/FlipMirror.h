#pragma once

#include "document/ImageDocument.h"

namespace vtt {

// Turn the image upside down / left to right, on PixelIndices for palette
// images and on whole RGBA pixels otherwise. Nothing else changes.
// Both work in place.
void flipImage(ImageDocument& doc);
void mirrorImage(ImageDocument& doc);

} // namespace vtt
