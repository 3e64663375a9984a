#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "document/PixelArray.h"

namespace vtt {

using Bytes = std::span<const std::uint8_t>;

// Cursor over a byte span. Every read is checked against the bytes present:
// a read beyond the end yields nothing and leaves the cursor where it was,
// so a reader cannot overrun its input whatever it computed before.
class ByteReader {
public:
    explicit ByteReader(Bytes bytes) : bytes_(bytes) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }
    std::size_t size() const { return bytes_.size(); }
    bool has(std::size_t count) const { return count <= remaining(); }

    [[nodiscard]] std::optional<Bytes> take(std::size_t count)
    {
        if (!has(count))
            return std::nullopt;
        const Bytes part = bytes_.subspan(pos_, count);
        pos_ += count;
        return part;
    }
    // A block whose size the type carries, for headers read field by field.
    template <std::size_t N>
    [[nodiscard]] std::optional<std::span<const std::uint8_t, N>> takeFixed()
    {
        if (!has(N))
            return std::nullopt;
        const std::span<const std::uint8_t, N> part(bytes_.data() + pos_, N);
        pos_ += N;
        return part;
    }
    [[nodiscard]] std::optional<std::uint8_t> u8()
    {
        if (!has(1))
            return std::nullopt;
        return bytes_[pos_++];
    }
    [[nodiscard]] bool skip(std::size_t count)
    {
        if (!has(count))
            return false;
        pos_ += count;
        return true;
    }

private:
    Bytes bytes_;
    std::size_t pos_ = 0;
};

// Little-endian fields of a fixed-size block; an offset outside the block
// does not compile.
template <std::size_t Offset, std::size_t N>
std::uint8_t u8At(std::span<const std::uint8_t, N> b)
{
    static_assert(Offset + 1 <= N);
    return b[Offset];
}
template <std::size_t Offset, std::size_t N>
std::uint16_t u16At(std::span<const std::uint8_t, N> b)
{
    static_assert(Offset + 2 <= N);
    return static_cast<std::uint16_t>(b[Offset] | (b[Offset + 1] << 8));
}
template <std::size_t Offset, std::size_t N>
std::int16_t s16At(std::span<const std::uint8_t, N> b)
{
    return static_cast<std::int16_t>(u16At<Offset>(b));
}
template <std::size_t Offset, std::size_t N>
std::int32_t s32At(std::span<const std::uint8_t, N> b)
{
    static_assert(Offset + 4 <= N);
    const std::uint32_t v = static_cast<std::uint32_t>(b[Offset]) | (static_cast<std::uint32_t>(b[Offset + 1]) << 8)
        | (static_cast<std::uint32_t>(b[Offset + 2]) << 16) | (static_cast<std::uint32_t>(b[Offset + 3]) << 24);
    return static_cast<std::int32_t>(v);
}

// Appends little-endian values to a growing buffer.
class ByteWriter {
public:
    explicit ByteWriter(PixelArray& out) : out_(out) {}

    void u8(std::uint8_t v) { out_.push_back(v); }
    void s16(std::int16_t v)
    {
        const auto u = static_cast<std::uint16_t>(v);
        out_.push_back(static_cast<std::uint8_t>(u));
        out_.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    void s32(std::int32_t v)
    {
        const auto u = static_cast<std::uint32_t>(v);
        for (int shift = 0; shift < 32; shift += 8)
            out_.push_back(static_cast<std::uint8_t>(u >> shift));
    }
    // Grows the buffer by `count` bytes and returns where they start, for
    // bulk loops that fill pixels directly.
    std::uint8_t* grow(std::size_t count)
    {
        const std::size_t at = out_.size();
        out_.resize(at + count);
        return out_.data() + at;
    }

private:
    PixelArray& out_;
};

} // namespace vtt
