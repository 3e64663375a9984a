#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace vtt {

enum class WriteFailure {
    // A TEX type the tool knows but cannot write; `detail` is the historical
    // text shown for it, as it stands, in a plain message box.
    TexTypeMessage,
    // Anything else the document cannot be written as; `detail` says what,
    // without the file name.
    Unwritable,
};

struct WriteError {
    WriteFailure kind = WriteFailure::Unwritable;
    std::string detail;
};

// Either the complete file contents or why there are none.
class WriteResult {
public:
    WriteResult(std::vector<std::uint8_t> bytes) : value_(std::move(bytes)) {}
    WriteResult(WriteError error) : value_(std::move(error)) {}

    bool ok() const { return std::holds_alternative<std::vector<std::uint8_t>>(value_); }
    const std::vector<std::uint8_t>& bytes() const { return std::get<std::vector<std::uint8_t>>(value_); }
    std::vector<std::uint8_t>& bytes() { return std::get<std::vector<std::uint8_t>>(value_); }
    const WriteError& error() const { return std::get<WriteError>(value_); }

private:
    std::variant<std::vector<std::uint8_t>, WriteError> value_;
};

inline WriteError unwritable(std::string detail) { return WriteError{WriteFailure::Unwritable, std::move(detail)}; }

// Reserves the whole output once; false when memory cannot hold it, with
// `error` saying so.
inline bool reserveOutput(std::vector<std::uint8_t>& file, std::size_t total, WriteError& error)
{
    try {
        file.reserve(total);
    } catch (const std::bad_alloc&) {
        error = unwritable("there is not enough memory for the " + std::to_string(total) + " bytes of the file");
        return false;
    }
    return true;
}

} // namespace vtt
