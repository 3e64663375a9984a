#pragma once

#include "codecs/ByteIo.h"
#include "codecs/ClaimJudge.h"
#include "codecs/TexFormat.h"
#include "codecs/ReadResult.h"

namespace vtt {

// Decodes a whole TEX file. `previous` supplies what a TEX load keeps (the
// TGA header fields, and the palette entries a type does not define); the
// file name is left for the caller to set. Only the full-size level is read.
ReadResult readTex(Bytes file, const ImageDocument& previous);

// The refusal readTex would give from the header and the file's size alone.
std::optional<ReadError> judgeTexClaim(Bytes head, std::uint64_t fileSize);
// The document readTex gives, without its pixels, from the header and the
// file's size alone.
ReadResult peekTex(Bytes head, std::uint64_t fileSize);
inline constexpr ClaimJudge TexClaimJudge{tex::HeaderSize, judgeTexClaim, peekTex};

} // namespace vtt
