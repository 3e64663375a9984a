#pragma once

#include "document/ImageDocument.h"
#include "document/ImageOutline.h"
#include "document/Result.h"

#include <string>

namespace vtt {

// The newly decoded document, or why there is none: Malformed (truncated,
// inconsistent or unsupported content), UnsupportedTexType (the open
// command shows its own historical message for it) or OutOfMemory.
using ReadResult = Result<ImageDocument>;

inline Unexpected<Error> malformed(std::string detail) { return unexpected(ErrorKind::Malformed, std::move(detail)); }

} // namespace vtt
