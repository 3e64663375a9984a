#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace vtt {

// `name` as it may be shown on a terminal or in a window: a file name is
// any bytes, and control bytes in it could move the cursor, recolour or
// rewrite what is shown. Control characters (C0, DEL, and C1 written as
// UTF-8) and bytes that are not UTF-8 become `\xHH`, one per byte; all
// else, backslashes included, stays, so showing a shown name again changes
// nothing.
std::string printableName(std::string_view name);

// The same written straight to `to`, without allocating: for reports made
// while memory is short.
void writePrintable(std::string_view name, std::FILE* to) noexcept;

// The length of the valid UTF-8 sequence starting at `at`, or 0.
std::size_t utf8Length(std::string_view text, std::size_t at);

} // namespace vtt
