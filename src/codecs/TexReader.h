#pragma once

#include "codecs/ByteIo.h"
#include "codecs/ClaimJudge.h"
#include "codecs/TexFormat.h"
#include "codecs/ReadResult.h"

namespace vtt {

// Decodes a whole TEX file; only the full-size level is read. A type 15
// file defines palette entries 0..15; the others are 0 (the window then
// merges in its previous palette: mergeCarriedPalette). The file name is
// left for the caller to set.
ReadResult readTex(Bytes file);

// The refusal readTex would give from the header and the file's size alone.
Result<void> judgeTexClaim(Bytes head, std::uint64_t fileSize);
// The document readTex gives, without its pixels, from the header and the
// file's size alone.
Result<ImageOutline> peekTex(Bytes head, std::uint64_t fileSize);
inline constexpr ClaimJudge TexClaimJudge{tex::HeaderSize, judgeTexClaim, peekTex};

} // namespace vtt
