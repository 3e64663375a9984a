#pragma once

#include "document/ImageDocument.h"

#include <cstddef>
#include <cstdint>

namespace vtt {

// Draws the part of the document that falls inside a width x height canvas
// of 0xAARRGGBB words (rows `stride` words apart), pixel 0 at the top left.
// Pixels outside the canvas are not visited, so a large image costs only
// what is visible. Alpha never changes what is shown.
void renderDocument(const ImageDocument& doc, std::uint32_t* canvas, int width, int height, std::ptrdiff_t stride);

} // namespace vtt
