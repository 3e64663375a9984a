#include "files/FileCommands.h"

#include "codecs/MipLevels.h"
#include "codecs/PngReader.h"
#include "codecs/TexReader.h"
#include "codecs/TgaReader.h"
#include "files/FileAccess.h"
#include "files/PrintableName.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <new>
#include <string_view>

namespace vtt {

namespace {

bool endsInLowered(std::string_view name, std::string_view extension)
{
    if (name.size() < extension.size())
        return false;
    const std::string_view end = name.substr(name.size() - extension.size());
    for (std::size_t i = 0; i < extension.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(end[i])) != extension[i])
            return false;
    return true;
}

} // namespace

FileFormat formatForPath(const std::string& path)
{
    const std::string_view name = std::string_view(path).substr(path.rfind('/') + 1);
    if (endsInLowered(name, ".tex"))
        return FileFormat::Tex;
    return endsInLowered(name, ".png") ? FileFormat::Png : FileFormat::Tga;
}

FileFormat formatForFilter(int index)
{
    return index == 1 ? FileFormat::Tex : index == 3 ? FileFormat::Png : FileFormat::Tga;
}

std::string cannotOpen(const std::string& path, const std::string& problem)
{
    return "Could not open \"" + printableName(path) + "\": " + problem + ".";
}

std::string cannotSave(const std::string& path, const std::string& problem)
{
    return "Could not save \"" + printableName(path) + "\": " + problem + ".";
}

namespace {

FileError openProblem(const std::string& path, const std::string& detail)
{
    return FileError{FileFailure::Problem, cannotOpen(path, detail), detail};
}

FileError saveProblem(const std::string& path, const std::string& detail)
{
    return FileError{FileFailure::Problem, cannotSave(path, detail), detail};
}

template <typename T>
std::optional<std::string> parseBox(const std::string& text, const char* label, T& value)
{
    constexpr long long low = std::numeric_limits<T>::min();
    constexpr long long high = std::numeric_limits<T>::max();
    const auto first = text.find_first_not_of(" \t\r\n\f\v");
    if (first == std::string::npos) {
        value = 0;
        return std::nullopt;
    }
    const std::string trimmed = text.substr(first, text.find_last_not_of(" \t\r\n\f\v") - first + 1);
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(trimmed.c_str(), &end, 10);
    const bool whole = end == trimmed.c_str() + trimmed.size() && errno == 0;
    if (!whole || number < low || number > high)
        return "the " + std::string(label) + " box must hold a whole number from " + std::to_string(low) + " to "
            + std::to_string(high) + ", not \"" + text + "\"";
    value = static_cast<T>(number);
    return std::nullopt;
}

} // namespace

std::optional<std::string> parseTexPanel(const std::string& mips, const std::string& unknown,
                                         const std::string& bits, TexPanelValues& values)
{
    if (auto problem = parseBox(mips, "Mips", values.mipCount))
        return problem;
    if (auto problem = parseBox(unknown, "Unknown", values.unknown))
        return problem;
    return parseBox(bits, "Bits", values.bits);
}

namespace {

FileError readProblem(const std::string& path, const ReadError& error)
{
    if (error.kind == ReadFailure::UnsupportedTexType)
        return FileError{FileFailure::UnsupportedTexType, cannotOpen(path, "its TEX " + error.detail + " is not supported"),
                         error.detail};
    return openProblem(path, error.detail);
}

// The judge of a format's header.
ClaimJudge judgeFor(FileFormat format)
{
    switch (format) {
    case FileFormat::Tex: return TexClaimJudge;
    case FileFormat::Tga: return TgaClaimJudge;
    case FileFormat::Png: return PngClaimJudge;
    }
    return {};
}

} // namespace

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

} // namespace

Result<ImageDocument, FileError> peekImage(const std::string& path, FileFormat format)
{
    auto input = InputFile::open(path);
    if (!input.ok())
        return openProblem(path, input.error());
    try {
        ReadResult peeked = ReadError{};
        if (format == FileFormat::Png) {
            peeked = peekPng(fileSource(input.value()));
        } else {
            const ClaimJudge judge = judgeFor(format);
            const FileBytes head = input.value().head(judge.headerBytes);
            if (!head.ok())
                return openProblem(path, head.error());
            peeked = judge.peek(Bytes(head.value().data(), head.value().size()), input.value().size());
        }
        if (!peeked.ok())
            return readProblem(path, peeked.error());
        peeked.value().FileName = path;
        return std::move(peeked.value());
    } catch (const std::bad_alloc&) {
        return openProblem(path, "there is not enough memory to open it");
    }
}

Result<ImageDocument, FileError> openImage(const std::string& path, FileFormat format, const ImageDocument& previous,
                                           FileSnapshot* keep)
{
    auto input = InputFile::open(path);
    if (!input.ok())
        return openProblem(path, input.error());
    const InputFile& in = input.value();
    const std::uint64_t size = in.size();
    // What the header claims is judged against the file's size before the
    // body is read, so a huge claim costs only its header.
    const ClaimJudge judge = judgeFor(format);
    const FileBytes head = in.head(judge.headerBytes);
    if (!head.ok())
        return openProblem(path, head.error());
    const Bytes headBytes(head.value().data(), head.value().size());
    if (auto refused = judge.judge(headBytes, size))
        return readProblem(path, *refused);
    try {
        // Only as much of the file as its header says the image needs: a
        // small image followed by gigabytes costs the small image.
        std::uint64_t needed = 0;
        if (format == FileFormat::Png) {
            PngLayout layout;
            if (auto refused = walkPng(fileSource(in), layout))
                return readProblem(path, *refused);
            needed = layout.end;
        } else {
            needed = format == FileFormat::Tex ? texLevelsEnd(headBytes) : tgaExtent(headBytes);
        }
        ReadResult read = ReadError{};
        PixelArray end;
        const bool whole = needed == 0 || size <= needed || size - needed <= ReadTail;
        if (format == FileFormat::Png && !keep) {
            // Nobody shows the bytes: the file is read as it inflates.
            read = readPng(fileSource(in), previous);
        } else {
            FileBytes file = whole ? in.readAll() : in.head(needed);
            if (!file.ok())
                return openProblem(path, file.error());
            if (!whole) {
                FileBytes last = in.tail(EndBytes);
                if (!last.ok())
                    return openProblem(path, last.error());
                end = std::move(last.value());
            }
            const Bytes bytes(file.value().data(), file.value().size());
            read = format == FileFormat::Tex ? readTex(bytes, previous)
                : format == FileFormat::Png  ? readPng(bytes, previous)
                                             : readTga(bytes, previous, Bytes(end.data(), end.size()), size);
            if (read.ok() && keep)
                *keep = FileSnapshot{std::move(file.value()), format, size - bytes.size(), std::move(end)};
        }
        if (!read.ok())
            return readProblem(path, read.error());
        read.value().FileName = path;
        return std::move(read.value());
    } catch (const std::bad_alloc&) {
        // The readers refuse what they cannot allocate; this catches the rest.
        return openProblem(path, "there is not enough memory to open it");
    }
}

Result<EncodedFile, FileError> encodeImage(const ImageDocument& doc, const std::string& path, FileFormat format,
                                           const TexPanelValues& panel)
{
    try {
        const SaveFormat as = format == FileFormat::Tex ? SaveFormat::Tex
            : format == FileFormat::Png                 ? SaveFormat::Png
                                                        : SaveFormat::Tga;
        auto encoded = encodeForSave(doc, as, panel);
        if (!encoded.ok()) {
            const WriteError& error = encoded.error();
            if (error.kind == WriteFailure::TexTypeMessage)
                return FileError{FileFailure::TexTypeMessage, error.detail, error.detail};
            return saveProblem(path, error.detail);
        }
        return std::move(encoded.value());
    } catch (const std::bad_alloc&) {
        return saveProblem(path, "there is not enough memory to save it");
    }
}

Result<SaveChanges, FileError> saveImage(const ImageDocument& doc, const std::string& path, FileFormat format,
                                         const TexPanelValues& panel, FileSnapshot* keep)
{
    auto encoded = encodeImage(doc, path, format, panel);
    if (!encoded.ok())
        return encoded.error();
    if (auto problem = writeFileAtomically(path, encoded.value().bytes))
        return saveProblem(path, *problem);
    if (keep)
        *keep = FileSnapshot{std::move(encoded.value().bytes), format, 0, {}};
    return encoded.value().changes;
}

} // namespace vtt
