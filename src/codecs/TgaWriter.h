#pragma once

#include "codecs/WriteResult.h"
#include "document/ImageDocument.h"

namespace vtt {

// Encodes the document's pixels as a whole uncompressed Targa of `depth`
// bits (the depth a save converts to; the one-argument form takes the
// document's). The header is always a valid one for the depth, whatever was
// kept from the file it came from: no ID field, origin 0, 8 bits colour-
// mapped with a 256-entry 24-bit map, 24 and 32 bits true-colour, rows top
// row first with the descriptor saying so (and 8 alpha bits for 32 bits).
//
// Refused, with nothing produced: a depth other than 8, 24 and 32, a
// negative size, and a pixel array holding fewer than ImageWidth x
// ImageHeight pixels.
WriteResult writeTga(const ImageDocument& doc, std::uint8_t depth);
WriteResult writeTga(const ImageDocument& doc);

// The header fields writeTga writes for `depth`.
TgaHeader tgaHeaderWritten(std::uint8_t depth);

} // namespace vtt
