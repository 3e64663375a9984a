#pragma once

#include <utility>
#include <variant>

namespace vtt {

// Either a value or why there is none. Readers, writers and the file
// commands all answer with one; ignoring it is a compile-time warning.
template <class T, class E>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : value_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return value_.index() == 0; }
    T& value() { return std::get<0>(value_); }
    const T& value() const { return std::get<0>(value_); }
    const E& error() const { return std::get<1>(value_); }

private:
    std::variant<T, E> value_;
};

} // namespace vtt
