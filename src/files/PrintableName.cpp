#include "files/PrintableName.h"

#include <algorithm>

namespace vtt {

std::size_t utf8Length(std::string_view s, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || at + length > s.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return length;
}

namespace {

// Hands `name` to `put` in shown pieces: text as it is, control and
// non-UTF-8 bytes as `\xHH`.
template <class Put>
void showPieces(std::string_view name, Put put)
{
    static constexpr char Hex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        const std::size_t length = utf8Length(name, i);
        // U+0080 to U+009F, the C1 controls, are 0xC2 0x80 to 0xC2 0x9F.
        const bool control = c < 0x20 || c == 0x7F || length == 0
            || (c == 0xC2 && static_cast<unsigned char>(name[i + 1]) < 0xA0);
        if (control) {
            for (std::size_t j = 0; j < std::max<std::size_t>(length, 1); ++j) {
                const auto b = static_cast<unsigned char>(name[i + j]);
                const char escaped[4] = {'\\', 'x', Hex[b >> 4], Hex[b & 15]};
                put(std::string_view(escaped, 4));
            }
            i += std::max<std::size_t>(length, 1);
        } else {
            put(name.substr(i, length));
            i += length;
        }
    }
}

} // namespace

std::string printableName(std::string_view name)
{
    std::string shown;
    shown.reserve(name.size());
    showPieces(name, [&](std::string_view piece) { shown.append(piece); });
    return shown;
}

void writePrintable(std::string_view name, std::FILE* to) noexcept
{
    showPieces(name, [&](std::string_view piece) { std::fwrite(piece.data(), 1, piece.size(), to); });
}

} // namespace vtt
