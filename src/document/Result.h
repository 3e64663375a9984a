#pragma once

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace vtt {

// What kind of thing failed. The core says what and about what; the two
// programs word it for their users.
enum class ErrorKind {
    Malformed,          // content that cannot be read: short, inconsistent, unsupported
    UnsupportedTexType, // a TEX type code the tool cannot read; detail is "type N"
    TexTypeMessage,     // a TEX type the tool knows but cannot write; detail is the historical text
    Unwritable,         // the document cannot be written as asked
    OutOfMemory,        // the pixels do not fit in memory
    System,             // the operating system refused: open, read, write, rename
    BadValue,           // a field's text is not a number in its range; subject names the field
    Inconsistent,       // sizes, depth or palette that do not make a document
};

// One failure: what failed, about which file or field, and the detail that
// says why, without the file name.
struct Error {
    ErrorKind kind = ErrorKind::Malformed;
    std::string detail;
    std::string subject; // the file or field, when the caller has not said it already
};

template <class E>
class Unexpected {
public:
    explicit Unexpected(E error) : error_(std::move(error)) {}
    E& error() & { return error_; }
    E&& error() && { return std::move(error_); }
    const E& error() const& { return error_; }

private:
    E error_;
};

inline Unexpected<Error> unexpected(Error error) { return Unexpected<Error>(std::move(error)); }
inline Unexpected<Error> unexpected(ErrorKind kind, std::string detail, std::string subject = {})
{
    return Unexpected<Error>(Error{kind, std::move(detail), std::move(subject)});
}

// A value or the Error that stands for it, with the interface of
// std::expected<T, Error> so that it can become that type once every
// compiler the project uses provides it. Ignoring one is a warning.
template <class T>
class [[nodiscard]] Result {
public:
    using value_type = T;
    using error_type = Error;

    Result() requires std::is_default_constructible_v<T> : v_(std::in_place_index<0>) {}
    template <class U = T>
        requires std::is_constructible_v<T, U&&> && (!std::is_same_v<std::remove_cvref_t<U>, Result>)
    Result(U&& value) : v_(std::in_place_index<0>, std::forward<U>(value))
    {
    }
    Result(Unexpected<Error> error) : v_(std::in_place_index<1>, std::move(error).error()) {}
    Result(Error error) : v_(std::in_place_index<1>, std::move(error)) {}

    bool has_value() const noexcept { return v_.index() == 0; }
    explicit operator bool() const noexcept { return has_value(); }

    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    T& operator*() & { return std::get<0>(v_); }
    const T& operator*() const& { return std::get<0>(v_); }
    T&& operator*() && { return std::get<0>(std::move(v_)); }
    T* operator->() { return &std::get<0>(v_); }
    const T* operator->() const { return &std::get<0>(v_); }
    template <class U>
    T value_or(U&& fallback) const&
    {
        return has_value() ? value() : static_cast<T>(std::forward<U>(fallback));
    }

    Error& error() & { return std::get<1>(v_); }
    const Error& error() const& { return std::get<1>(v_); }
    Error&& error() && { return std::get<1>(std::move(v_)); }

    // The next step on the value, or this error passed on.
    template <class F>
    auto and_then(F&& next) &&
    {
        using R = std::invoke_result_t<F, T&&>;
        if (has_value())
            return std::forward<F>(next)(std::move(value()));
        return R(std::move(error()));
    }

private:
    std::variant<T, Error> v_;
};

// Success without a value, or the Error.
template <>
class [[nodiscard]] Result<void> {
public:
    using value_type = void;
    using error_type = Error;

    Result() = default;
    Result(Unexpected<Error> error) : error_(std::move(error).error()), failed_(true) {}
    Result(Error error) : error_(std::move(error)), failed_(true) {}

    bool has_value() const noexcept { return !failed_; }
    explicit operator bool() const noexcept { return has_value(); }
    void value() const {}
    void operator*() const {}
    Error& error() & { return error_; }
    const Error& error() const& { return error_; }
    Error&& error() && { return std::move(error_); }

private:
    Error error_;
    bool failed_ = false;
};

} // namespace vtt

// Passes a failed Result up from a function that returns a Result; evaluates
// to nothing on success. `VTT_TRY(x, expr)` also names the value.
#define VTT_TRY_CONCAT2(a, b) a##b
#define VTT_TRY_CONCAT(a, b) VTT_TRY_CONCAT2(a, b)
#define VTT_CHECK(expr)                                                                                             \
    do {                                                                                                            \
        if (auto vtt_checked_ = (expr); !vtt_checked_)                                                              \
            return std::move(vtt_checked_).error();                                                                 \
    } while (0)
#define VTT_TRY(name, expr)                                                                                         \
    auto VTT_TRY_CONCAT(vtt_tried_, __LINE__) = (expr);                                                             \
    if (!VTT_TRY_CONCAT(vtt_tried_, __LINE__))                                                                      \
        return std::move(VTT_TRY_CONCAT(vtt_tried_, __LINE__)).error();                                             \
    auto name = std::move(*VTT_TRY_CONCAT(vtt_tried_, __LINE__))
