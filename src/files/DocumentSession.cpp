#include "files/DocumentSession.h"

#include "codecs/MipLevels.h"
#include "files/PrintableName.h"

#include <algorithm>
#include <new>

namespace vtt {

ReadFile readDocumentFile(const std::string& path, FileFormat format, const ImageDocument& previous)
{
    FileSnapshot file;
    auto image = openImage(path, format, previous, &file);
    return ReadFile{std::move(image), std::move(file)};
}

DocumentSession::DocumentSession(ImageDocument& doc, RecentFilesStore& recentStore)
    : doc_(doc), recent_(recentStore)
{
    // Edits, undo and redo apply to level 0, so it is shown again.
    history_.listen([this](bool documentChanged) {
        if (documentChanged)
            showMipLevel(0);
    });
}

std::optional<FileError> DocumentSession::open(const std::string& path, FileFormat format, ReadFile read, bool reload)
{
    if (!read.image.ok())
        return read.image.error();
    ImageDocument& opened = read.image.value();
    keptSize_ = doc_.ImageWidth == opened.ImageWidth && doc_.ImageHeight == opened.ImageHeight;
    doc_ = std::move(opened);
    // Watched from the identity it was read under: a change while it was
    // read shows as one at the next check.
    watch_.watch(path, read.file.identity);
    watchedFormat_ = format;
    fileChanged(std::move(read.file));
    if (!reload)
        recent_.add(path);
    history_.clear();
    return std::nullopt;
}

std::optional<FileError> DocumentSession::save(const std::string& path, FileFormat format, const TexPanelValues& panel)
{
    FileSnapshot written;
    const auto saved = saveImage(doc_, path, format, panel, &written);
    if (!saved.ok())
        return saved.error();
    // The document takes the new name only with the file: a failed save
    // leaves it named after the file it still matches.
    doc_.FileName = path;
    applySaveChanges(doc_, saved.value());
    fileChanged(std::move(written));
    watch_.watch(path);
    watchedFormat_ = format;
    recent_.add(path);
    history_.markSaved();
    return std::nullopt;
}

EditOutcome DocumentSession::perform(std::unique_ptr<Command> command)
{
    try {
        return history_.perform(std::move(command), doc_) ? EditOutcome::Changed : EditOutcome::Unchanged;
    } catch (const std::bad_alloc&) {
        return EditOutcome::OutOfMemory;
    }
}

EditOutcome DocumentSession::undo()
{
    try {
        return history_.undo(doc_) ? EditOutcome::Changed : EditOutcome::Unchanged;
    } catch (const std::bad_alloc&) {
        return EditOutcome::OutOfMemory;
    }
}

EditOutcome DocumentSession::redo()
{
    try {
        return history_.redo(doc_) ? EditOutcome::Changed : EditOutcome::Unchanged;
    } catch (const std::bad_alloc&) {
        return EditOutcome::OutOfMemory;
    }
}

void DocumentSession::fileChanged(FileSnapshot&& file)
{
    file_ = std::make_shared<const FileSnapshot>(std::move(file));
    hex_ = HexDump(file_);
    mipLevels_ = file_->format == FileFormat::Tex
        ? std::max(1, wholeMipLevels(texMipLevels(Bytes(file_->bytes.data(), file_->bytes.size()))))
        : 1;
    mipLevel_ = 0;
    levelDoc_ = ImageDocument{};
}

std::optional<std::string> DocumentSession::showMipLevel(int level)
{
    if (level < 0 || level >= mipLevels_ || level == mipLevel_)
        return std::nullopt;
    if (level > 0) {
        auto read = readTexLevel(Bytes(file_->bytes.data(), file_->bytes.size()), doc_, level);
        if (!read.ok())
            return cannotOpen(doc_.FileName, read.error().detail);
        levelDoc_ = std::move(read.value());
    } else {
        levelDoc_ = ImageDocument{};
    }
    mipLevel_ = level;
    return std::nullopt;
}

std::string DocumentSession::fileName() const { return doc_.FileName.substr(doc_.FileName.rfind('/') + 1); }

std::optional<std::string> DocumentSession::saveChangesQuestion() const
{
    if (!modified())
        return std::nullopt;
    const std::string name = printableName(fileName());
    return "Save changes to " + (name.empty() ? std::string("the image") : name) + "?";
}

} // namespace vtt
