#pragma once

#include "codecs/ByteIo.h"
#include "codecs/ReadResult.h"

#include <cstdint>

namespace vtt {

// Judges, from a file's first bytes and its size alone, whether the file can
// hold what its header claims, so that a file that cannot is refused before
// its body is read. `head` holds the first min(headerBytes, fileSize) bytes.
// A format without a judge leaves `judge` empty; its reader still checks.
// `peek` gives the document the reader would, without its pixels, from the
// same bytes.
struct ClaimJudge {
    std::size_t headerBytes = 0;
    Result<void> (*judge)(Bytes head, std::uint64_t fileSize) = nullptr;
    Result<ImageOutline> (*peek)(Bytes head, std::uint64_t fileSize) = nullptr;
};

} // namespace vtt
