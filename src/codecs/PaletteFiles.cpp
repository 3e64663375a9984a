#include "codecs/PaletteFiles.h"

#include "codecs/ReadResult.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

namespace vtt {

namespace {

constexpr std::string_view PalTextHeader = "JASC-PAL";
constexpr std::string_view PalTextVersion = "0100";
constexpr std::string_view GplHeader = "GIMP Palette";
constexpr std::size_t TableBytes = 3 * PaletteEntries;
constexpr std::size_t TableWithCountBytes = TableBytes + 4;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A line as it can be quoted in a message: short, and printable whatever
// bytes the file holds.
std::string quoted(std::string_view line)
{
    constexpr std::size_t Longest = 40;
    std::string shown;
    for (const char c : line.substr(0, Longest))
        shown += c >= 0x20 && c < 0x7f ? c : '?';
    return "\"" + shown + (line.size() > Longest ? "...\"" : "\"");
}

// Lines of a text file, with their numbers for messages; "\n" or "\r\n".
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool atEnd() const { return pos_ >= text_.size(); }
    int number() const { return number_; }
    std::string_view next()
    {
        const std::size_t end = std::min(text_.find('\n', pos_), text_.size());
        const std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        ++number_;
        return line;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int number_ = 0;
};

// Whitespace-separated words, for the numbers of a colour line.
std::optional<std::string_view> nextWord(std::string_view& rest)
{
    rest = trimmed(rest);
    if (rest.empty())
        return std::nullopt;
    std::size_t end = 0;
    while (end < rest.size() && !isBlank(rest[end]))
        ++end;
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

std::optional<int> wholeNumber(std::string_view word, int highest)
{
    if (word.empty() || word.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > highest)
        return std::nullopt;
    return value;
}

// Red, green and blue from the start of `rest`, each 0..255; the words
// left over stay in `rest`.
bool readColour(std::string_view& rest, std::uint8_t* rgb)
{
    for (int channel = 0; channel < 3; ++channel) {
        const auto word = nextWord(rest);
        const auto value = word ? wholeNumber(*word, 255) : std::nullopt;
        if (!value)
            return false;
        rgb[channel] = static_cast<std::uint8_t>(*value);
    }
    return true;
}

std::string notAColour(int line, std::string_view text)
{
    return "line " + std::to_string(line) + " is not a colour of three numbers from 0 to 255: " + quoted(text);
}

std::string tooMany() { return "it holds more than the " + std::to_string(PaletteEntries) + " colours of a palette"; }

Result<PaletteColours> readPalText(std::string_view text)
{
    LineReader lines(text);
    lines.next(); // the header, already recognised
    if (lines.atEnd())
        return malformed(std::string("it ends after its first line, before the version line"));
    const std::string_view version = trimmed(lines.next());
    if (version != PalTextVersion)
        return malformed("its version line is " + quoted(version) + ", not \"" + std::string(PalTextVersion) + "\"");
    if (lines.atEnd())
        return malformed(std::string("it ends before the line with its number of colours"));
    const std::string_view countLine = trimmed(lines.next());
    const auto count = wholeNumber(countLine, 99999);
    if (!count)
        return malformed("its third line should give the number of colours, not " + quoted(countLine));
    if (*count == 0)
        return malformed(std::string("it declares no colours"));
    if (*count > PaletteEntries)
        return malformed("it declares " + std::to_string(*count) + " colours; a palette has at most "
            + std::to_string(PaletteEntries));

    PaletteColours colours;
    colours.count = *count;
    for (int k = 0; k < *count; ++k) {
        if (lines.atEnd())
            return malformed("it declares " + std::to_string(*count) + " colours but holds only " + std::to_string(k));
        std::string_view rest = lines.next();
        const std::string_view line = rest;
        // A fourth number (alpha, which some editors add) is allowed and ignored.
        if (!readColour(rest, &colours.rgb[3 * static_cast<std::size_t>(k)]))
            return malformed(notAColour(lines.number(), line));
        if (const auto alpha = nextWord(rest); alpha && (!wholeNumber(*alpha, 255) || nextWord(rest)))
            return malformed(notAColour(lines.number(), line));
    }
    while (!lines.atEnd())
        if (const std::string_view line = lines.next(); !trimmed(line).empty())
            return malformed("line " + std::to_string(lines.number()) + " follows the " + std::to_string(*count)
                + " colours it declares: " + quoted(line));
    return colours;
}

Result<PaletteColours> readGplText(std::string_view text)
{
    LineReader lines(text);
    lines.next(); // the header, already recognised
    PaletteColours colours;
    while (!lines.atEnd()) {
        std::string_view rest = lines.next();
        const std::string_view line = trimmed(rest);
        if (line.empty() || line.front() == '#' || line.starts_with("Name:") || line.starts_with("Columns:"))
            continue;
        if (colours.count == PaletteEntries)
            return malformed(tooMany());
        // Whatever follows the three numbers is the colour's name.
        if (!readColour(rest, &colours.rgb[3 * static_cast<std::size_t>(colours.count)]))
            return malformed(notAColour(lines.number(), line));
        ++colours.count;
    }
    if (colours.count == 0)
        return malformed(std::string("it holds no colours"));
    return colours;
}

Result<PaletteColours> readColourTable(Bytes bytes)
{
    PaletteColours colours;
    colours.count = PaletteEntries;
    if (bytes.size() == TableWithCountBytes) {
        const int count = bytes[TableBytes] << 8 | bytes[TableBytes + 1]; // big-endian
        if (count < 1 || count > PaletteEntries)
            return malformed("its colour count is " + std::to_string(count) + ", not a number from 1 to "
                + std::to_string(PaletteEntries));
        colours.count = count;
    }
    std::copy_n(bytes.begin(), 3 * static_cast<std::size_t>(colours.count), colours.rgb.begin());
    return colours;
}

bool startsWithLine(std::string_view text, std::string_view header)
{
    const std::string_view first = text.substr(0, text.find('\n'));
    return trimmed(first) == header;
}

} // namespace

Result<PaletteColours> readPaletteFile(Bytes bytes)
{
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.starts_with("\xEF\xBB\xBF")) // a byte-order mark some text editors add
        text.remove_prefix(3);
    if (startsWithLine(text, PalTextHeader))
        return readPalText(text);
    if (startsWithLine(text, GplHeader))
        return readGplText(text);
    if (bytes.size() == TableBytes || bytes.size() == TableWithCountBytes)
        return readColourTable(bytes);
    if (bytes.empty())
        return malformed(std::string("it is empty"));
    return malformed("it is not a palette file: its first line is neither \"" + std::string(PalTextHeader) + "\" nor \""
        + std::string(GplHeader) + "\", and it has " + std::to_string(bytes.size())
        + " bytes where a colour table has 768 or 772");
}

std::vector<std::uint8_t> writePaletteFile(const PaletteColours& colours, PaletteFileFormat format,
                                           std::string_view name)
{
    const auto count = static_cast<std::size_t>(std::clamp(colours.count, 0, PaletteEntries));
    if (format == PaletteFileFormat::ColourTable) {
        // The plain 768 bytes every reader of the format takes; unused entries black.
        std::vector<std::uint8_t> bytes(TableBytes, 0);
        std::copy_n(colours.rgb.begin(), 3 * count, bytes.begin());
        return bytes;
    }
    std::string text;
    const bool pal = format == PaletteFileFormat::PalText;
    const char* const newline = pal ? "\r\n" : "\n"; // each format's usual line ends
    if (pal) {
        text = std::string(PalTextHeader) + newline + std::string(PalTextVersion) + newline + std::to_string(count)
            + newline;
    } else {
        std::string shownName;
        for (const char c : name)
            shownName += c == '\n' || c == '\r' ? ' ' : c;
        text = std::string(GplHeader) + newline + "Name: " + shownName + newline + "Columns: 16" + newline + "#"
            + newline;
    }
    for (std::size_t k = 0; k < count; ++k) {
        char line[48];
        const int r = colours.rgb[3 * k], g = colours.rgb[3 * k + 1], b = colours.rgb[3 * k + 2];
        if (pal)
            std::snprintf(line, sizeof line, "%d %d %d\r\n", r, g, b);
        else
            std::snprintf(line, sizeof line, "%3d %3d %3d\tIndex %zu\n", r, g, b, k);
        text += line;
    }
    return {text.begin(), text.end()};
}

PaletteFileFormat paletteFormatForPath(const std::string& path)
{
    const std::string name = path.substr(path.rfind('/') + 1);
    const auto dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".gpl")
        return PaletteFileFormat::GplText;
    if (extension == ".act")
        return PaletteFileFormat::ColourTable;
    return PaletteFileFormat::PalText;
}

PaletteColours paletteColoursOf(const std::array<std::uint8_t, PaletteBytes>& palette)
{
    PaletteColours colours;
    colours.count = PaletteEntries;
    for (std::size_t k = 0; k < PaletteEntries; ++k)
        std::copy_n(palette.begin() + 4 * static_cast<std::ptrdiff_t>(k), 3, colours.rgb.begin() + 3 * static_cast<std::ptrdiff_t>(k));
    return colours;
}

void applyPaletteColours(const PaletteColours& colours, std::array<std::uint8_t, PaletteBytes>& palette)
{
    const auto count = static_cast<std::size_t>(std::clamp(colours.count, 0, PaletteEntries));
    for (std::size_t k = 0; k < count; ++k)
        std::copy_n(colours.rgb.begin() + 3 * static_cast<std::ptrdiff_t>(k), 3, palette.begin() + 4 * static_cast<std::ptrdiff_t>(k));
}

} // namespace vtt
