#pragma once

#include "codecs/ByteIo.h"
#include "codecs/ClaimJudge.h"
#include "codecs/TgaFormat.h"
#include "codecs/ReadResult.h"

namespace vtt {

// Decodes a whole Targa file; the file name is left for the caller to set.
ReadResult readTga(Bytes file);

// The same, when `file` holds only the file's first bytes, as many as
// tgaExtent says, and `fileEnd` its last bytes (for the Targa 2.0 footer)
// of a file of `fileSize` bytes.
ReadResult readTga(Bytes file, Bytes fileEnd, std::uint64_t fileSize);

// How many bytes from the start a read can use, from the header alone (0
// when the header is refused): header, ID field, colour map and the most
// the pixel data can take.
std::uint64_t tgaExtent(Bytes head);

// The document readTga gives, without its pixels, from the header and the
// file's size alone.
Result<ImageOutline> peekTga(Bytes head, std::uint64_t fileSize);

// The refusal readTga would give before decoding, from the header and the
// file's size alone.
Result<void> judgeTgaClaim(Bytes head, std::uint64_t fileSize);
inline constexpr ClaimJudge TgaClaimJudge{tga::HeaderSize, judgeTgaClaim, peekTga};

} // namespace vtt
