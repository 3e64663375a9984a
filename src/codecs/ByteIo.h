#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace vtt {

using Bytes = std::span<const std::uint8_t>;

// Little-endian cursor over a byte span. Every read is checked against the
// bytes present; callers test `has` before reading a block.
class ByteReader {
public:
    explicit ByteReader(Bytes bytes) : bytes_(bytes) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }
    std::size_t size() const { return bytes_.size(); }
    bool has(std::size_t count) const { return count <= remaining(); }

    std::uint8_t u8() { return bytes_[pos_++]; }
    std::uint16_t u16()
    {
        const std::uint16_t v = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t s32()
    {
        const std::uint32_t v = static_cast<std::uint32_t>(bytes_[pos_])
            | (static_cast<std::uint32_t>(bytes_[pos_ + 1]) << 8)
            | (static_cast<std::uint32_t>(bytes_[pos_ + 2]) << 16)
            | (static_cast<std::uint32_t>(bytes_[pos_ + 3]) << 24);
        pos_ += 4;
        return static_cast<std::int32_t>(v);
    }
    Bytes take(std::size_t count)
    {
        Bytes part = bytes_.subspan(pos_, count);
        pos_ += count;
        return part;
    }
    void skip(std::size_t count) { pos_ += count; }

private:
    Bytes bytes_;
    std::size_t pos_ = 0;
};

// Appends little-endian values to a growing buffer.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}

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
    std::vector<std::uint8_t>& out_;
};

} // namespace vtt
