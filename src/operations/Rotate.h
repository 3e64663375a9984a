#pragma once

#include "document/ImageDocument.h"

namespace vtt {

// A quarter turn count as the rotate dialog offers it: 90, 180 or 270
// degrees, to the right (clockwise) or to the left. The result is the same
// turn in clockwise degrees (90, 180 or 270), or 0 for any other angle.
int clockwiseDegrees(int degrees, bool left);

// Turns the image clockwise by 90, 180 or 270 degrees: palette images turn
// their indices, others their RGBA pixels. A quarter turn exchanges width
// and height; nothing else changes (palette, headers, the other array).
//
// False, with nothing changed, for any other angle and for an empty image.
// A quarter turn builds the turned image in a new block before it replaces
// the old one, so when memory cannot hold both the OutOfMemory error leaves
// the document as it was.
[[nodiscard]] Result<bool> rotateImage(ImageDocument& doc, int clockwise);

} // namespace vtt
