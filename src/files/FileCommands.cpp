#include "files/FileCommands.h"

#include "codecs/MipLevels.h"
#include "codecs/PngReader.h"
#include "codecs/TexFormat.h"
#include "codecs/TgaReader.h"
#include "files/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace vtt {

namespace {

Error about(const std::string& path, Error error)
{
    error.subject = path;
    return error;
}

Error systemProblem(const std::string& path, Error error)
{
    error.subject = path;
    return error;
}

template <typename T>
Result<T> parseBox(const std::string& text, const char* label)
{
    constexpr long long low = std::numeric_limits<T>::min();
    constexpr long long high = std::numeric_limits<T>::max();
    const auto first = text.find_first_not_of(" \t\r\n\f\v");
    if (first == std::string::npos)
        return T(0);
    const std::string trimmed = text.substr(first, text.find_last_not_of(" \t\r\n\f\v") - first + 1);
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(trimmed.c_str(), &end, 10);
    const bool whole = end == trimmed.c_str() + trimmed.size() && errno == 0;
    if (!whole || number < low || number > high)
        return unexpected(ErrorKind::BadValue,
                          "must hold a whole number from " + std::to_string(low) + " to " + std::to_string(high)
                              + ", not \"" + text + "\"",
                          label);
    return static_cast<T>(number);
}

} // namespace

Result<TexPanelValues> parseTexPanel(const std::string& mips, const std::string& unknown, const std::string& bits)
{
    TexPanelValues values;
    VTT_TRY(m, parseBox<std::int16_t>(mips, "Mips"));
    VTT_TRY(u, parseBox<std::int16_t>(unknown, "Unknown"));
    VTT_TRY(b, parseBox<std::int32_t>(bits, "Bits"));
    values.mipCount = m;
    values.unknown = u;
    values.bits = b;
    return values;
}

namespace {

// A tail of up to this many bytes after what the image needs is read with
// it, so that the hex dump shows every byte of an ordinary file (a Targa
// extension area, a developer area); a longer one is left unread.
constexpr std::uint64_t ReadTail = 1024 * 1024;
// The most of the file's end a reader looks at: the Targa 2.0 footer.
constexpr std::size_t EndBytes = 26;

PngSource fileSource(const InputFile& input)
{
    return PngSource{input.size(), [&input](std::uint64_t at, std::uint8_t* out, std::size_t count) {
                         return input.readAt(at, out, count);
                     }};
}

Unexpected<Error> noMemory(const std::string& path, const char* verb)
{
    return unexpected(ErrorKind::OutOfMemory, std::string("there is not enough memory to ") + verb + " it", path);
}

} // namespace

Result<ImageOutline> peekImage(const std::string& path, ImageFormat format)
{
    auto input = InputFile::open(path);
    if (!input.has_value())
        return systemProblem(path, input.error());
    try {
        Result<ImageOutline> peeked = ImageOutline{};
        if (format == ImageFormat::Png) {
            peeked = peekPng(fileSource(input.value()));
        } else {
            const ClaimJudge judge = formatEntry(format).judge;
            const FileBytes head = input.value().head(judge.headerBytes);
            if (!head.has_value())
                return systemProblem(path, head.error());
            peeked = judge.peek(Bytes(head.value().data(), head.value().size()), input.value().size());
        }
        if (!peeked)
            return about(path, std::move(peeked).error());
        peeked->Facts.FileName = path;
        return peeked;
    } catch (const std::bad_alloc&) {
        return noMemory(path, "open");
    }
}

Result<ImageDocument> openImage(const std::string& path, ImageFormat format, FileSnapshot* keep)
{
    const FormatEntry& entry = formatEntry(format);
    auto input = InputFile::open(path);
    if (!input.has_value())
        return systemProblem(path, input.error());
    const InputFile& in = input.value();
    const std::uint64_t size = in.size();
    const std::optional<FileIdentity> identity = identityOfDescriptor(in.descriptor());
    // What the header claims is judged against the file's size before the
    // body is read, so a huge claim costs only its header.
    const ClaimJudge judge = entry.judge;
    const FileBytes head = in.head(judge.headerBytes);
    if (!head.has_value())
        return systemProblem(path, head.error());
    const Bytes headBytes(head.value().data(), head.value().size());
    if (judge.judge)
        if (auto judged = judge.judge(headBytes, size); !judged)
            return about(path, std::move(judged).error());
    try {
        // Only as much of the file as its header says the image needs: a
        // small image followed by gigabytes costs the small image.
        std::uint64_t needed = 0;
        if (format == ImageFormat::Png) {
            PngLayout layout;
            if (auto walked = walkPng(fileSource(in), layout); !walked)
                return about(path, std::move(walked).error());
            needed = layout.end;
        } else {
            needed = format == ImageFormat::Tex ? texLevelsEnd(headBytes) : tgaExtent(headBytes);
        }
        ReadResult read = ImageDocument{};
        PixelArray end;
        const bool whole = needed == 0 || size <= needed || size - needed <= ReadTail;
        if (format == ImageFormat::Png && !keep) {
            // Nobody shows the bytes: the file is read as it inflates.
            read = readPng(fileSource(in));
        } else {
            FileBytes file = whole ? in.readAll() : in.head(needed);
            if (!file.has_value())
                return systemProblem(path, file.error());
            if (!whole) {
                FileBytes last = in.tail(EndBytes);
                if (!last.has_value())
                    return systemProblem(path, last.error());
                end = std::move(last.value());
            }
            const Bytes bytes(file.value().data(), file.value().size());
            read = format == ImageFormat::Tga ? readTga(bytes, Bytes(end.data(), end.size()), size) : entry.read(bytes);
            if (read && keep)
                *keep = FileSnapshot{std::move(file.value()), format, identity, size - bytes.size(), std::move(end)};
        }
        if (!read)
            return about(path, std::move(read).error());
        read->Facts.FileName = path;
        return read;
    } catch (const std::bad_alloc&) {
        // The readers refuse what they cannot allocate; this catches the rest.
        return noMemory(path, "open");
    }
}

void carryFromPrevious(ImageDocument& opened, const ImageDocument& previous)
{
    const PaletteArray& before = previous.Palette();
    PaletteArray& palette = opened.Palette();
    if (!opened.isPaletted())
        palette = before;
    else if (opened.Facts.Kind == ImageFormat::Tex && tex::is(opened.Facts.Tex.Type, tex::Type::Palette16))
        std::copy(before.begin() + tex::Palette16Size, before.end(), palette.begin() + tex::Palette16Size);
}

Result<EncodedFile> encodeImage(const ImageDocument& doc, ImageFormat format, const TexPanelValues& panel)
{
    try {
        const FormatEntry& entry = formatEntry(format);
        const SaveChanges changes = entry.saveChanges(doc, panel);
        VTT_TRY(bytes, entry.write(doc, changes));
        return EncodedFile{std::move(bytes), changes};
    } catch (const std::bad_alloc&) {
        return unexpected(ErrorKind::OutOfMemory, "there is not enough memory to save it");
    }
}

Result<SaveChanges> saveImage(const ImageDocument& doc, const std::string& path, ImageFormat format,
                              const TexPanelValues& panel, FileSnapshot* keep)
{
    auto encoded = encodeImage(doc, format, panel);
    if (!encoded)
        return about(path, std::move(encoded).error());
    if (auto written = writeFileAtomically(path, encoded->bytes); !written)
        return systemProblem(path, std::move(written).error());
    if (keep)
        *keep = FileSnapshot{std::move(encoded->bytes), format, std::nullopt, 0, {}};
    return encoded->changes;
}

} // namespace vtt
