#pragma once

// Builders for small texture files used across the tests.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace vtt::testing {

inline void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline std::vector<std::uint8_t> texHeader(std::int16_t width, std::int16_t height, std::int16_t type,
                                           std::int16_t mips = 1, std::int16_t unknown = 0, std::int32_t bits = 0)
{
    std::vector<std::uint8_t> out;
    putLe(out, static_cast<std::uint16_t>(width), 2);
    putLe(out, static_cast<std::uint16_t>(height), 2);
    putLe(out, static_cast<std::uint16_t>(type), 2);
    putLe(out, static_cast<std::uint16_t>(mips), 2);
    putLe(out, static_cast<std::uint16_t>(unknown), 2);
    putLe(out, static_cast<std::uint32_t>(bits), 4);
    return out;
}

inline void append(std::vector<std::uint8_t>& out, std::initializer_list<std::uint8_t> bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

inline void appendRepeated(std::vector<std::uint8_t>& out, std::size_t count, std::uint8_t value)
{
    out.insert(out.end(), count, value);
}

} // namespace vtt::testing
