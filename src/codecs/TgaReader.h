#pragma once

#include "codecs/ByteIo.h"
#include "codecs/ClaimJudge.h"
#include "codecs/TgaFormat.h"
#include "codecs/ReadResult.h"

namespace vtt {

// Decodes a whole Targa file; the file name is left for the caller to set.
ReadResult readTga(Bytes file);

// The refusal readTga would give before decoding, from the header and the
// file's size alone.
Result<void> judgeTgaClaim(Bytes head, std::uint64_t fileSize);
inline constexpr ClaimJudge TgaClaimJudge{tga::HeaderSize, judgeTgaClaim};

} // namespace vtt
