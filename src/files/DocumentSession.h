#pragma once

#include "document/ImageDocument.h"
#include "files/FileCommands.h"
#include "files/FileWatch.h"
#include "files/HexDump.h"
#include "files/ImageFacts.h"
#include "files/RecentFiles.h"
#include "operations/Command.h"
#include "operations/EditHistory.h"
#include "operations/Quantize.h"

#include <memory>
#include <optional>
#include <string>

namespace vtt {

// A file read for the session: the image or the problem, and the bytes
// (with the identity they were read under) the hex dump and mip levels show.
struct ReadFile {
    Result<ImageDocument> image;
    FileSnapshot file;
};
// Reads like File > Open, on any thread; nothing else is touched.
ReadFile readDocumentFile(const std::string& path, ImageFormat format);

// Reads a file chosen with the dialog's filter `filterIndex` (0: named
// without a dialog) as the first of openFormats that reads it. When none
// does, the problem is the first format's.
struct ChosenFile {
    ImageFormat format;
    ReadFile read;
};
ChosenFile readChosenFile(const std::string& path, int filterIndex);

enum class EditOutcome { Unchanged, Changed, OutOfMemory };

// One open document and everything known about it: its history, the file
// it came from (bytes, identity, format), the recent files, the mip level
// shown. Plain C++: the window only wires its widgets to it. The document
// itself is the program's, handed in by reference.
class DocumentSession {
public:
    DocumentSession(ImageDocument& doc, RecentFilesStore& recentStore);

    ImageDocument& document() { return doc_; }
    const ImageDocument& document() const { return doc_; }
    EditHistory& history() { return history_; }
    const EditHistory& history() const { return history_; }
    RecentFiles& recentFiles() { return recent_; }

    // Takes a file read by readDocumentFile: the error when it holds none,
    // with nothing changed; otherwise it becomes the document, with a new
    // history and level 0 shown. The one merge step with the document it
    // replaces happens here (carryFromPrevious). A reload keeps the recent
    // files as they are.
    std::optional<Error> open(const std::string& path, ImageFormat format, ReadFile read, bool reload = false);
    // Takes `doc` (a pasted picture) as a new document of no file: no
    // history, no hex dump, one level, and modified until it is saved.
    void openUntitled(ImageDocument doc);
    // Whether the last open kept the size of the document it replaced.
    bool openKeptSize() const { return keptSize_; }

    // Writes the document to `path` as `format` (level 0: the level shown
    // goes back to it). On success the document takes the name and what the
    // save changes, and counts as unmodified.
    std::optional<Error> save(const std::string& path, ImageFormat format, const TexPanelValues& panel);

    // Compares the watched file with what was last seen; a change is
    // reported once; the file is read again as watchedFormat().
    DiskChange checkDisk() { return watch_.check(); }
    bool watching() const { return watch_.watching(); }
    const std::string& watchedPath() const { return watch_.path(); }
    ImageFormat watchedFormat() const { return watchedFormat_; }

    // The edits: each runs through the history; memory that cannot hold
    // one leaves the document as it was.
    EditOutcome perform(std::unique_ptr<Command> command);
    EditOutcome undo();
    EditOutcome redo();
    // The same for edits that can refuse their arguments (Mode, Scale
    // Image): their own error, with the document as it was.
    [[nodiscard]] Result<bool> edit(std::unique_ptr<Command> command);

    // Makes `type` (1, 14, 15, 17 or 18) the type a save as TEX writes: the
    // mode change it needs first, as its own step (colours reduced with
    // `options`, at most 16 for type 15), then, between 1 and 14, the
    // choice itself as a step. Errors: a type that cannot be written
    // (Unwritable), and those of the mode change.
    [[nodiscard]] Result<void> chooseTexType(int type, quantize::Options options = {});

    // A header panel box differing from what the document was opened or
    // saved with counts as a change too, once there is an image to save.
    bool modified() const { return history_.modified() || (panelChanged_ && !doc_.empty()); }
    void setPanelChanged(bool changed) { panelChanged_ = changed; }

    // The file as last read or written: hex dump, facts, mip levels.
    const FileSnapshot* file() const { return file_.get(); }
    const HexDump& hexDump() const { return hex_; }
    FactLines facts() const { return describeImage(doc_, file_.get()); }
    int mipLevel() const { return mipLevel_; }
    int mipLevels() const { return mipLevels_; }
    // Shows level `level`: the problem when it cannot be read, else none.
    // The image itself is level 0.
    std::optional<Error> showMipLevel(int level);
    const ImageDocument& shownLevel() const { return mipLevel_ > 0 ? levelDoc_ : doc_; }

    // Whether `path` names the file the document was last opened from or
    // saved to (the same file, by any name).
    bool isOwnFile(const std::string& path) const;

    // The name of the document's file without its folder; "" for none.
    std::string fileName() const;
    // The question to ask before the document is replaced or the program
    // ends: none when nothing changed.
    std::optional<std::string> saveChangesQuestion() const;

private:
    void fileChanged(FileSnapshot&& file);

    ImageDocument& doc_;
    EditHistory history_;
    RecentFiles recent_;
    FileWatch watch_; // the file the document was last opened from or saved to
    ImageFormat watchedFormat_ = ImageFormat::Tga;
    std::shared_ptr<const FileSnapshot> file_;
    HexDump hex_;
    int mipLevel_ = 0;
    int mipLevels_ = 1;
    ImageDocument levelDoc_; // the mip level shown, when it is not level 0
    bool keptSize_ = false;
    bool panelChanged_ = false;
};

} // namespace vtt
