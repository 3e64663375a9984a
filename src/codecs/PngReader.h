#pragma once

#include "codecs/ByteIo.h"
#include "codecs/ClaimJudge.h"
#include "codecs/PngFormat.h"
#include "codecs/ReadResult.h"

#include <functional>
#include <optional>
#include <string>

namespace vtt {

// Decodes a whole PNG file: palette images become 8-bit palette documents
// (the file's entries, alpha from tRNS, the rest opaque black), grey of up to
// 8 bits an 8-bit document over a grey ramp (the tRNS grey, if any,
// transparent), everything else 32-bit RGBA with 16-bit samples rounded to 8
// bits. Gamma, colour profiles and text are ignored. The file name is left
// for the caller to set.
ReadResult readPng(Bytes file);

// Where a PNG file's bytes come from when it is not held whole: `read`
// fills `out` with the `count` bytes at `offset` (always within `size`), or
// gives the error that stopped it.
struct PngSource {
    std::uint64_t size = 0;
    std::function<Result<void>(std::uint64_t offset, std::uint8_t* out, std::size_t count)> read;
};
PngSource memorySource(Bytes file);

// The same decode, reading the file chunk by chunk as it inflates: memory
// holds the image, not the file. Gives up when cancelRequested().
ReadResult readPng(const PngSource& source);

// What walking the chunk heads finds: the header, how much compressed pixel
// data there is, and where the file's PNG data ends (after IEND).
struct PngLayout {
    png::Header header;
    std::uint64_t idatBytes = 0;
    std::uint64_t idatEnd = 0; // the first chunk after the IDAT chunks
    std::uint64_t end = 0;
};
// Refuses a file cut short, a chunk that cannot be, a first chunk that is
// not IHDR and IDAT chunks with others between them, at the first such
// chunk and without reading any chunk's data but IHDR's.
Result<void> walkPng(const PngSource& source, PngLayout& layout);

// The document readPng gives, without its pixels: the chunk walk and the
// header fields are checked, no pixel data is read.
Result<ImageOutline> peekPng(const PngSource& source);

// From the signature and IHDR alone: a size past 32767, or more pixels than
// the whole file could inflate to, is refused before the body is read.
Result<void> judgePngClaim(Bytes head, std::uint64_t fileSize);
inline constexpr ClaimJudge PngClaimJudge{8 + 8 + 13, judgePngClaim};

} // namespace vtt
