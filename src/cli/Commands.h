#pragma once

#include "cli/Options.h"

namespace vtt::cli {

// Converts every input, each succeeding or failing on its own; returns the
// exit status (0 all converted, 1 any failed, 130 interrupted).
int runConvert(const ConvertOptions& options);

// Prints what each file holds; returns 0, or 1 when any file failed.
int runInfo(const InfoOptions& options);

// The document a fresh window holds after File > Open of `path`, or why not.
Result<ImageDocument> openAsWindowWould(const std::string& path, ImageFormat format);

// How vtt words a failure of the core, without the file name.
std::string problemOf(const Error& error);

} // namespace vtt::cli
