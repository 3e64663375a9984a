#pragma once

#include "codecs/ByteIo.h"
#include "codecs/ClaimJudge.h"
#include "codecs/TgaFormat.h"
#include "codecs/ReadResult.h"

namespace vtt {

// Decodes a whole Targa file. `previous` supplies what a TGA load keeps (the
// TEX header fields, palette entries when the file has no map); the file name
// is left for the caller to set.
ReadResult readTga(Bytes file, const ImageDocument& previous);

// The same, when `file` holds only the file's first bytes, as many as
// tgaExtent says, and `fileEnd` its last bytes (for the Targa 2.0 footer)
// of a file of `fileSize` bytes.
ReadResult readTga(Bytes file, const ImageDocument& previous, Bytes fileEnd, std::uint64_t fileSize);

// How many bytes from the start a read can use, from the header alone (0
// when the header is refused): header, ID field, colour map and the most
// the pixel data can take.
std::uint64_t tgaExtent(Bytes head);

// The document readTga gives, without its pixels, from the header and the
// file's size alone.
ReadResult peekTga(Bytes head, std::uint64_t fileSize);

// The refusal readTga would give before decoding, from the header and the
// file's size alone.
std::optional<ReadError> judgeTgaClaim(Bytes head, std::uint64_t fileSize);
inline constexpr ClaimJudge TgaClaimJudge{tga::HeaderSize, judgeTgaClaim, peekTga};

} // namespace vtt
