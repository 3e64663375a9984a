#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <span>

namespace vtt {

// Replaces the file at `path` with exactly `bytes`. They go to a temporary
// file beside it, which takes the file's place only once every byte is
// written; until then, and whenever anything fails, an existing file keeps
// its old contents. Returns why it failed, or nothing on success.
std::optional<QString> writeWholeFile(const QString& path, std::span<const std::uint8_t> bytes);

} // namespace vtt
