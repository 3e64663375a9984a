#pragma once

#include "document/ImageDocument.h"

#include <string>
#include <utility>
#include <variant>

namespace vtt {

enum class ReadFailure {
    // A TEX type code the tool cannot read; the open command shows its own
    // historical message for it.
    UnsupportedTexType,
    // Anything else: truncated, inconsistent or unsupported content.
    Malformed,
};

struct ReadError {
    ReadFailure kind = ReadFailure::Malformed;
    std::string detail; // says what is wrong, without the file name
};

// Either the newly decoded document or why there is none.
class ReadResult {
public:
    ReadResult(ImageDocument doc) : value_(std::move(doc)) {}
    ReadResult(ReadError error) : value_(std::move(error)) {}

    bool ok() const { return std::holds_alternative<ImageDocument>(value_); }
    ImageDocument& document() { return std::get<ImageDocument>(value_); }
    const ImageDocument& document() const { return std::get<ImageDocument>(value_); }
    const ReadError& error() const { return std::get<ReadError>(value_); }

private:
    std::variant<ImageDocument, ReadError> value_;
};

inline ReadError malformed(std::string detail) { return ReadError{ReadFailure::Malformed, std::move(detail)}; }

} // namespace vtt
