#pragma once

#include "codecs/ReadResult.h"
#include "codecs/SaveConversion.h"
#include "document/ImageDocument.h"
#include "document/Result.h"
#include "files/FileWatch.h"
#include "files/Formats.h"

#include <string>

namespace vtt {

// A file's bytes as last read or written, with the format they were read or
// written as: what the window shows of the file itself. A file with much
// more after its image than the image needs is not read whole: `bytes` then
// holds its start, as far as the image goes, and `end` its last bytes.
struct FileSnapshot {
    PixelArray bytes;
    ImageFormat format = ImageFormat::Tex;
    // Of a file read: its identity, taken from the descriptor just before
    // it was read.
    std::optional<FileIdentity> identity{};
    std::uint64_t unread = 0; // bytes after `bytes` that were not read
    PixelArray end{};         // when some were not, the file's last bytes
    std::uint64_t fileSize() const { return bytes.size() + unread; }
};

// Reads the file at `path` as `format` into a new document named `path`;
// what it holds depends on the file's bytes alone. The header is judged
// against the file's size once, before the body is read. Errors name the
// file as their subject: System (missing, unreadable), Malformed,
// UnsupportedTexType or OutOfMemory. When `keep` is given, a successful
// open hands it the bytes it read (no second copy).
[[nodiscard]] Result<ImageDocument> openImage(const std::string& path, ImageFormat format,
                                              FileSnapshot* keep = nullptr);

// The window's one merge step between the document it shows and the one it
// opens next, as the tool has always behaved: palette entries the new file
// does not define keep the previous colours. That is entries 16..255 for a
// TEX type 15, and all 256 for a direct-colour image, which does not show
// them but whose palette window edits them (and a type 15 opened next takes
// them). `vtt` opens every file on its own and does not merge.
void carryFromPrevious(ImageDocument& opened, const ImageDocument& previous);

// The file a save of `doc` as `format` would write, with its changes; the
// document itself is not touched. Errors: TexTypeMessage (the detail is the
// historical text), Unwritable or OutOfMemory.
[[nodiscard]] Result<EncodedFile> encodeImage(const ImageDocument& doc, ImageFormat format,
                                              const TexPanelValues& panel);

// The document openImage would give, without its pixels: from the header
// (and a PNG file's chunk heads) alone, with the refusals those show. No
// pixel is decoded and no more than a few kilobytes of the file are held,
// whatever the file claims or holds.
[[nodiscard]] Result<ImageOutline> peekImage(const std::string& path, ImageFormat format);

// Writes `doc` as `format` to `path`, replacing any file there atomically,
// and returns what the save changes in the document; the caller applies
// that (applySaveChanges) only now that the file is written. When `keep` is
// given, a successful save hands it the bytes written. Errors name the file
// as their subject.
[[nodiscard]] Result<SaveChanges> saveImage(const ImageDocument& doc, const std::string& path, ImageFormat format,
                                            const TexPanelValues& panel, FileSnapshot* keep = nullptr);

// The header panel's three boxes as numbers: each a whole number in its
// field's range, surrounding blanks ignored, an empty box 0. The error
// (BadValue) names the first box that is not as its subject ("Mips",
// "Unknown", "Bits"), with a detail such as `must hold a whole number from
// -32768 to 32767, not "x"`.
[[nodiscard]] Result<TexPanelValues> parseTexPanel(const std::string& mips, const std::string& unknown,
                                                   const std::string& bits);

} // namespace vtt
