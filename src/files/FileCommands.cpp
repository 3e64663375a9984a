#include "files/FileCommands.h"

#include "codecs/TexFormat.h"
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

Result<ImageDocument> openImage(const std::string& path, ImageFormat format, FileSnapshot* keep)
{
    const FormatEntry& entry = formatEntry(format);
    auto input = InputFile::open(path);
    if (!input.has_value())
        return systemProblem(path, input.error());
    // What the header claims is judged against the file's size before the
    // body is read, so a huge claim costs only its header.
    if (const ClaimJudge judge = entry.judge; judge.judge) {
        const FileBytes head = input.value().head(judge.headerBytes);
        if (!head.has_value())
            return systemProblem(path, head.error());
        if (auto judged = judge.judge(Bytes(head.value().data(), head.value().size()), input.value().size()); !judged)
            return about(path, std::move(judged).error());
    }
    const std::optional<FileIdentity> identity = identityOfDescriptor(input.value().descriptor());
    FileBytes file = input.value().readAll();
    if (!file.has_value())
        return systemProblem(path, file.error());
    ReadResult read = entry.read(Bytes(file.value().data(), file.value().size()));
    if (!read)
        return about(path, std::move(read).error());
    read->Facts.FileName = path;
    if (keep)
        *keep = FileSnapshot{std::move(file.value()), format, identity};
    return read;
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
    const FormatEntry& entry = formatEntry(format);
    const SaveChanges changes = entry.saveChanges(doc, panel);
    VTT_TRY(bytes, entry.write(doc, changes));
    return EncodedFile{std::move(bytes), changes};
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
        *keep = FileSnapshot{std::move(encoded->bytes), format, std::nullopt};
    return encoded->changes;
}

} // namespace vtt
