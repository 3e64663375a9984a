#pragma once

#include "codecs/ReadResult.h"
#include "codecs/Result.h"
#include "codecs/SaveConversion.h"
#include "document/ImageDocument.h"

#include <optional>
#include <string>

namespace vtt {

enum class FileFormat { Tex, Tga, Png };

// The format a file's name suggests, for files named rather than chosen
// with a dialog filter: ".tex" in any letter case is TEX, ".png" PNG,
// anything else is read as Targa.
FileFormat formatForPath(const std::string& path);

// The format of the file dialog's filter `index` (one-based: TEX, Targa,
// PNG); the filter, not the name, decides.
FileFormat formatForFilter(int index);

enum class FileFailure {
    // The TEX type cannot be read; the window shows its historical message.
    UnsupportedTexType,
    // A TEX type the tool knows but cannot write; `detail` is the historical
    // text, shown as it stands.
    TexTypeMessage,
    // Anything else: missing, unreadable, malformed, too large, unwritable.
    Problem,
};

struct FileError {
    FileFailure kind = FileFailure::Problem;
    std::string message; // a whole sentence naming the file and the problem
    std::string detail;  // the problem alone
};

// A file's bytes as last read or written, with the format they were read or
// written as: what the window shows of the file itself. A file with much
// more after its image than the image needs is not read whole: `bytes` then
// holds its start, as far as the image goes, and `end` its last bytes.
struct FileSnapshot {
    PixelArray bytes;
    FileFormat format = FileFormat::Tex;
    std::uint64_t unread = 0; // bytes after `bytes` that were not read
    PixelArray end{};         // when some were not, the file's last bytes
    std::uint64_t fileSize() const { return bytes.size() + unread; }
};

// Reads the file at `path` as `format` into a new document; `previous` gives
// what a load keeps (palette entries a file does not define, the other
// format's header). The new document's FileName is `path`. Nothing is
// changed on failure: the caller still has its document.
// When `keep` is given, a successful open hands it the bytes it read (no
// second copy).
Result<ImageDocument, FileError> openImage(const std::string& path, FileFormat format, const ImageDocument& previous,
                                           FileSnapshot* keep = nullptr);

// The document openImage would give, without its pixels: from the header
// (and a PNG file's chunk heads) alone, with the refusals those show. No
// pixel is decoded and no more than a few kilobytes of the file are held,
// whatever the file claims or holds.
Result<ImageDocument, FileError> peekImage(const std::string& path, FileFormat format);

// Writes `doc` as `format` to `path`, replacing any file there atomically,
// and returns what the save changes in the document; the caller applies
// that (applySaveChanges) only now that the file is written.
// When `keep` is given, a successful save hands it the bytes written.
Result<SaveChanges, FileError> saveImage(const ImageDocument& doc, const std::string& path, FileFormat format,
                                         const TexPanelValues& panel, FileSnapshot* keep = nullptr);

// The file a save of `doc` as `format` would write, with its changes; the
// same bytes saveImage writes.
Result<EncodedFile, FileError> encodeImage(const ImageDocument& doc, const std::string& path, FileFormat format,
                                           const TexPanelValues& panel);

// The header panel's three boxes as numbers: each a whole number in its
// field's range, surrounding blanks ignored, an empty box 0. The problem
// names the first box that is not.
std::optional<std::string> parseTexPanel(const std::string& mips, const std::string& unknown,
                                         const std::string& bits, TexPanelValues& values);

// Messages naming a file; its name is shown as printableName shows it.
std::string cannotOpen(const std::string& path, const std::string& problem);
std::string cannotSave(const std::string& path, const std::string& problem);

} // namespace vtt
