#include "files/HexDump.h"

#include "codecs/ByteIo.h"
#include "codecs/MipLevels.h"
#include "codecs/TexFormat.h"
#include "codecs/PngFormat.h"
#include "codecs/TgaFormat.h"
#include "files/Formats.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace vtt {

std::string texTypeName(std::int16_t type)
{
    switch (type) {
    case 1:
    case 14: return "256-colour palette";
    case 15: return "16-colour palette";
    case 16: return "not readable";
    case 17: return "24-bit RGB";
    case 18: return "32-bit RGBA";
    default: return "";
    }
}

std::string tgaTypeName(std::uint8_t type)
{
    switch (type) {
    case 0: return "no image";
    case 1: return "colour-mapped";
    case 2: return "true colour";
    case 3: return "greyscale";
    case 9: return "run-length colour-mapped";
    case 10: return "run-length true colour";
    case 11: return "run-length greyscale";
    default: return "";
    }
}

namespace {

// Collects the header lines, leaving out any field the file is too short for.
class Lines {
public:
    Lines(Bytes file, std::vector<std::string>& out) : file_(file), out_(out) {}

    void add(std::size_t offset, std::size_t size, const std::string& name, const std::string& value)
    {
        char head[64];
        std::snprintf(head, sizeof head, "%08zX  %8zu  %-24s ", offset, size, name.c_str());
        out_.push_back(head + value);
    }
    bool has(std::size_t offset, std::size_t size) const
    {
        return offset <= file_.size() && size <= file_.size() - offset;
    }
    std::uint32_t le(std::size_t offset, std::size_t size) const
    {
        std::uint32_t v = 0;
        for (std::size_t i = size; i-- > 0;)
            v = v << 8 | file_[offset + i];
        return v;
    }
    std::uint32_t be(std::size_t offset, std::size_t size) const
    {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < size; ++i)
            v = v << 8 | file_[offset + i];
        return v;
    }
    // A little-endian number field, shown signed or unsigned.
    void number(std::size_t offset, std::size_t size, const std::string& name, bool isSigned,
                const std::function<std::string(long long)>& note = {})
    {
        if (!has(offset, size))
            return;
        const std::uint32_t raw = le(offset, size);
        long long v = raw;
        if (isSigned)
            v = size == 2 ? static_cast<std::int16_t>(raw) : static_cast<std::int32_t>(raw);
        std::string text = std::to_string(v);
        if (note) {
            const std::string extra = note(v);
            if (!extra.empty())
                text += " (" + extra + ")";
        }
        add(offset, size, name, text);
    }

private:
    Bytes file_;
    std::vector<std::string>& out_;
};

std::string plural(std::size_t n, const char* one) { return std::to_string(n) + " " + one + (n == 1 ? "" : "s"); }

} // namespace

void describeTexHeader(Bytes file, std::vector<std::string>& out)
{
    Lines l(file, out);
    namespace at = tex::offset;
    l.number(at::Width, 2, "width", true);
    l.number(at::Height, 2, "height", true);
    l.number(at::Type, 2, "type", true, [](long long t) { return texTypeName(static_cast<std::int16_t>(t)); });
    l.number(at::MipCount, 2, "mip count", true);
    l.number(at::Unknown, 2, "unknown", true);
    l.number(at::Bits, 4, "bits", true);
    if (!l.has(0, tex::HeaderSize))
        return;
    const std::int16_t type = static_cast<std::int16_t>(l.le(at::Type, 2));
    if (tex::is(type, tex::Type::Palette256) || tex::is(type, tex::Type::Palette256Alt))
        l.add(tex::HeaderSize, tex::Palette256Size, "palette", "256 entries: blue, green, red, alpha");
    else if (tex::is(type, tex::Type::Palette16))
        l.add(tex::HeaderSize, tex::Palette16Size, "palette", "16 entries: red, green, blue, alpha");
    const std::vector<MipLevel> levels = texMipLevels(file);
    // A tiny image can announce thousands of 1 x 1 levels: the first few are
    // listed, the rest in one line.
    constexpr std::size_t Listed = 16;
    std::size_t end = tex::HeaderSize;
    for (std::size_t k = 0; k < levels.size(); ++k) {
        const MipLevel& m = levels[k];
        end = m.offset + (m.whole ? m.size : 0);
        if (k < Listed || k + 1 == levels.size()) {
            std::string value = std::to_string(m.width) + " x " + std::to_string(m.height);
            if (!m.whole)
                value += ", only " + plural(file.size() - std::min(file.size(), m.offset), "byte") + " present";
            l.add(m.offset, m.size, "mip level " + std::to_string(k), value);
        } else if (k == Listed) {
            const MipLevel& last = levels[levels.size() - 2];
            l.add(m.offset, last.offset + last.size - m.offset,
                  "mip levels " + std::to_string(k) + "-" + std::to_string(levels.size() - 2),
                  std::to_string(m.width) + " x " + std::to_string(m.height) + " and smaller");
        }
    }
    if (!levels.empty() && end < file.size())
        l.add(end, file.size() - end, "after the last level", "not read");
}

namespace {

// Targa 2.0 footer: extension and developer area offsets, then the signature.
constexpr char FooterSignature[] = "TRUEVISION-XFILE.";
constexpr std::size_t FooterSize = 8 + sizeof FooterSignature;

std::string printable(Bytes bytes)
{
    std::string s;
    for (std::uint8_t b : bytes)
        s += b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.';
    return s;
}

} // namespace

void describeTgaHeader(Bytes file, std::vector<std::string>& out)
{
    Lines l(file, out);
    namespace at = tga::offset;
    l.number(at::IdLength, 1, "ID length", false);
    l.number(at::ColorMapType, 1, "colour map type", false);
    l.number(at::ImageType, 1, "image type", false,
             [](long long t) { return tgaTypeName(static_cast<std::uint8_t>(t)); });
    l.number(at::FirstEntryIndex, 2, "first entry index", false);
    l.number(at::ColorMapLength, 2, "colour map length", false);
    l.number(at::ColorMapEntrySize, 1, "colour map entry size", false);
    l.number(at::XOrigin, 2, "x origin", false);
    l.number(at::YOrigin, 2, "y origin", false);
    l.number(at::ImageWidth, 2, "image width", false);
    l.number(at::ImageHeight, 2, "image height", false);
    l.number(at::PixelDepth, 1, "pixel depth", false);
    l.number(at::ImageDescriptor, 1, "image descriptor", false, [](long long d) {
        return "alpha bits " + std::to_string(d & tga::descriptor::AlphaBitsMask)
            + ((d & tga::descriptor::TopToBottom) ? ", top row first" : ", bottom row first")
            + ((d & tga::descriptor::RightToLeft) ? ", right to left" : "");
    });
    if (!l.has(0, tga::HeaderSize))
        return;
    std::size_t pos = tga::HeaderSize;
    const std::size_t idLength = l.le(at::IdLength, 1);
    if (idLength > 0 && l.has(pos, idLength))
        l.add(pos, idLength, "ID field", "\"" + printable(file.subspan(pos, idLength)) + "\"");
    pos += idLength;
    const std::size_t first = l.le(at::FirstEntryIndex, 2), count = l.le(at::ColorMapLength, 2);
    const std::size_t mapBytes = l.le(at::ColorMapType, 1) == 1 ? count * tga::bytesPerEntry(l.le(at::ColorMapEntrySize, 1)) : 0;
    if (mapBytes > 0 && l.has(pos, mapBytes))
        l.add(pos, mapBytes, "colour map", "entries " + std::to_string(first) + " to " + std::to_string(first + count - 1));
    pos += mapBytes;
    const bool footer = file.size() >= tga::HeaderSize + FooterSize
        && std::equal(FooterSignature, FooterSignature + sizeof FooterSignature, file.end() - sizeof FooterSignature);
    const std::size_t dataEnd = footer ? file.size() - FooterSize : file.size();
    if (pos < dataEnd)
        l.add(pos, dataEnd - pos, "image data", "");
    if (footer) {
        l.number(dataEnd, 4, "extension area offset", false);
        l.number(dataEnd + 4, 4, "developer area offset", false);
        l.add(dataEnd + 8, sizeof FooterSignature, "signature", "\"" + std::string(FooterSignature) + "\"");
    }
}

// PNG: the signature, the IHDR fields (big-endian), then one line a chunk;
// a file of many IDAT chunks lists the first few and sums up the rest.
void describePngHeader(Bytes file, std::vector<std::string>& out)
{
    Lines l(file, out);
    if (!l.has(0, 8))
        return;
    l.add(0, 8, "signature", std::equal(file.begin(), file.begin() + 8, png::Signature) ? "PNG" : "not PNG's");
    constexpr std::size_t ihdr = 16;
    if (l.has(8, 8 + 13)) {
        const auto field = [&](std::size_t at, std::size_t size, const char* name) {
            l.add(ihdr + at, size, name, std::to_string(l.be(ihdr + at, size)));
        };
        field(0, 4, "width");
        field(4, 4, "height");
        field(8, 1, "bit depth");
        field(9, 1, "colour type");
        field(10, 1, "compression");
        field(11, 1, "filter");
        field(12, 1, "interlace");
    }
    constexpr std::size_t Listed = 16;
    std::size_t listed = 0, skipped = 0, skippedFrom = 0, skippedBytes = 0;
    for (std::size_t pos = 8; l.has(pos, 8);) {
        const std::size_t length = l.be(pos, 4);
        const std::string type = printable(file.subspan(pos + 4, 4));
        const std::size_t size = std::min<std::size_t>(length + 12, file.size() - pos);
        if (listed < Listed || type == "IEND") {
            l.add(pos, size, "chunk " + type, plural(length, "data byte") + (size < length + 12 ? ", cut short" : ""));
            ++listed;
        } else {
            if (!skipped)
                skippedFrom = pos;
            ++skipped;
            skippedBytes += size;
        }
        if (type == "IEND" || size < length + 12)
            break;
        pos += size;
    }
    if (skipped)
        l.add(skippedFrom, skippedBytes, plural(skipped, "more chunk"), "not listed");
}

namespace {

// A file read only as far as its image goes: what was left, and a Targa
// 2.0 footer at its end, read on its own.
void unreadTail(const FileSnapshot& file, std::vector<std::string>& out)
{
    const std::size_t read = file.bytes.size();
    Lines(Bytes(file.bytes.data(), read), out).add(read, 0, "rest of the file",
                                                   plural(file.unread, "byte") + ", not read or shown");
    const Bytes end(file.end.data(), file.end.size());
    if (file.format != ImageFormat::Tga || end.size() < FooterSize
        || !std::equal(FooterSignature, FooterSignature + sizeof FooterSignature, end.end() - sizeof FooterSignature))
        return;
    const std::size_t at = static_cast<std::size_t>(file.fileSize() - FooterSize);
    const auto le32 = [&](std::size_t i) {
        return std::to_string(std::uint32_t(end[i]) | std::uint32_t(end[i + 1]) << 8 | std::uint32_t(end[i + 2]) << 16
                              | std::uint32_t(end[i + 3]) << 24);
    };
    const std::size_t footer = end.size() - FooterSize;
    Lines l(end, out);
    l.add(at, 4, "extension area offset", le32(footer));
    l.add(at + 4, 4, "developer area offset", le32(footer + 4));
    l.add(at + 8, sizeof FooterSignature, "signature", "\"" + std::string(FooterSignature) + "\"");
}

} // namespace

HexDump::HexDump(std::shared_ptr<const FileSnapshot> file) : file_(std::move(file))
{
    if (!file_)
        return;
    formatEntry(file_->format).describeHeader(Bytes(file_->bytes.data(), file_->bytes.size()), header_);
    if (file_->unread > 0)
        unreadTail(*file_, header_);
}

std::size_t HexDump::rowCount() const { return file_ ? (file_->bytes.size() + RowBytes - 1) / RowBytes : 0; }

std::string HexDump::row(std::size_t index) const
{
    if (index >= rowCount())
        return {};
    ++rowsFormatted_;
    const std::size_t offset = index * RowBytes;
    const std::size_t n = std::min(RowBytes, file_->bytes.size() - offset);
    const std::uint8_t* p = file_->bytes.data() + offset;
    static constexpr char Hex[] = "0123456789ABCDEF";
    char text[16 + 2 + RowBytes * 3 + 1 + 1 + RowBytes + 1];
    char* out = text + std::snprintf(text, 19, "%08zX  ", offset);
    for (std::size_t i = 0; i < RowBytes; ++i) {
        if (i == RowBytes / 2)
            *out++ = ' ';
        *out++ = i < n ? Hex[p[i] >> 4] : ' ';
        *out++ = i < n ? Hex[p[i] & 15] : ' ';
        *out++ = ' ';
    }
    *out++ = ' ';
    for (std::size_t i = 0; i < n; ++i)
        *out++ = p[i] >= 0x20 && p[i] < 0x7F ? static_cast<char>(p[i]) : '.';
    return std::string(text, out);
}

std::size_t HexDump::lineCount() const
{
    const std::size_t rows = rowCount();
    return header_.empty() ? rows : header_.size() + 1 + rows;
}

std::string HexDump::line(std::size_t index) const
{
    if (header_.empty())
        return row(index);
    if (index < header_.size())
        return header_[index];
    if (index == header_.size())
        return {};
    return row(index - header_.size() - 1);
}

} // namespace vtt
