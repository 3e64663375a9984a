#pragma once

#include "codecs/ByteIo.h"
#include "codecs/ClaimJudge.h"
#include "codecs/ReadResult.h"

namespace vtt {

// Decodes a whole PNG file: palette images become 8-bit palette documents
// (the file's entries, alpha from tRNS, the rest opaque black), grey of up to
// 8 bits an 8-bit document over a grey ramp (the tRNS grey, if any,
// transparent), everything else 32-bit RGBA with 16-bit samples rounded to 8
// bits. Gamma, colour profiles and text are ignored. The file name is left
// for the caller to set.
ReadResult readPng(Bytes file);

// From the signature and IHDR alone: a size past 32767, or more pixels than
// the whole file could inflate to, is refused before the body is read.
Result<void> judgePngClaim(Bytes head, std::uint64_t fileSize);
inline constexpr ClaimJudge PngClaimJudge{8 + 8 + 13, judgePngClaim};

} // namespace vtt
