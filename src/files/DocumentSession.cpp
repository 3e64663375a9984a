#include "files/DocumentSession.h"

#include "codecs/MipLevels.h"
#include "files/FileAccess.h"
#include "files/PrintableName.h"
#include "operations/ModeChange.h"

#include <algorithm>

namespace vtt {

namespace {

// An edit fails only for want of memory.
EditOutcome outcomeOf(const Result<bool>& done)
{
    return !done ? EditOutcome::OutOfMemory : *done ? EditOutcome::Changed : EditOutcome::Unchanged;
}

} // namespace

ReadFile readDocumentFile(const std::string& path, ImageFormat format)
{
    FileSnapshot file;
    auto image = openImage(path, format, &file);
    return ReadFile{std::move(image), std::move(file)};
}

ChosenFile readChosenFile(const std::string& path, int filterIndex)
{
    std::vector<std::uint8_t> head;
    if (auto input = InputFile::open(path))
        if (auto bytes = input.value().head(8))
            head.assign(bytes.value().data(), bytes.value().data() + bytes.value().size());
    const std::vector<ImageFormat> formats = openFormats(path, filterIndex, Bytes(head.data(), head.size()));
    ChosenFile first{formats.front(), readDocumentFile(path, formats.front())};
    // Another format is tried only for a file that is there and refused:
    // a missing or unreadable file says so as itself.
    for (std::size_t i = 1; i < formats.size() && !first.read.image && !head.empty(); ++i) {
        ReadFile other = readDocumentFile(path, formats[i]);
        if (other.image)
            return ChosenFile{formats[i], std::move(other)};
    }
    return first;
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

std::optional<Error> DocumentSession::open(const std::string& path, ImageFormat format, ReadFile read, bool reload)
{
    if (!read.image)
        return read.image.error();
    ImageDocument& opened = *read.image;
    keptSize_ = doc_.ImageWidth() == opened.ImageWidth() && doc_.ImageHeight() == opened.ImageHeight();
    carryFromPrevious(opened, doc_);
    doc_ = std::move(opened);
    // Watched from the identity it was read under: a change while it was
    // read shows as one at the next check.
    watch_.watch(path, read.file.identity);
    watchedFormat_ = format;
    fileChanged(std::move(read.file));
    if (!reload)
        recent_.add(path);
    history_.clear();
    panelChanged_ = false;
    return std::nullopt;
}

void DocumentSession::openUntitled(ImageDocument doc)
{
    keptSize_ = false;
    carryFromPrevious(doc, doc_);
    doc_ = std::move(doc);
    watch_.forget();
    file_.reset();
    hex_ = HexDump();
    mipLevels_ = 1;
    mipLevel_ = 0;
    levelDoc_ = ImageDocument{};
    history_.clearUnsaved();
}

std::optional<Error> DocumentSession::save(const std::string& path, ImageFormat format, const TexPanelValues& panel)
{
    FileSnapshot written;
    const auto saved = saveImage(doc_, path, format, panel, &written);
    if (!saved)
        return saved.error();
    // The document takes the new name only with the file: a failed save
    // leaves it named after the file it still matches.
    doc_.Facts.FileName = path;
    if (auto applied = applySaveChanges(doc_, *saved); !applied) // never: the changes come from this document
        return applied.error();
    fileChanged(std::move(written));
    watch_.watch(path);
    watchedFormat_ = format;
    recent_.add(path);
    panelChanged_ = false;
    history_.markSaved();
    return std::nullopt;
}

EditOutcome DocumentSession::perform(std::unique_ptr<Command> command)
{
    return outcomeOf(history_.perform(std::move(command), doc_));
}

Result<bool> DocumentSession::edit(std::unique_ptr<Command> command)
{
    return history_.perform(std::move(command), doc_);
}

Result<void> DocumentSession::chooseTexType(int type, quantize::Options options)
{
    return vtt::chooseTexType(doc_, type, options, [this](std::unique_ptr<Command> step) {
        return history_.perform(std::move(step), doc_);
    });
}

EditOutcome DocumentSession::undo()
{
    return outcomeOf(history_.undo(doc_));
}

EditOutcome DocumentSession::redo()
{
    return outcomeOf(history_.redo(doc_));
}

void DocumentSession::fileChanged(FileSnapshot&& file)
{
    file_ = std::make_shared<const FileSnapshot>(std::move(file));
    hex_ = HexDump(file_);
    mipLevels_ = formatEntry(file_->format).shownLevels(Bytes(file_->bytes.data(), file_->bytes.size()));
    mipLevel_ = 0;
    levelDoc_ = ImageDocument{};
}

std::optional<Error> DocumentSession::showMipLevel(int level)
{
    if (level < 0 || level >= mipLevels_ || level == mipLevel_)
        return std::nullopt;
    if (level > 0) {
        auto read = readTexLevel(Bytes(file_->bytes.data(), file_->bytes.size()), doc_, level);
        if (!read)
            return read.error();
        levelDoc_ = std::move(read.value());
    } else {
        levelDoc_ = ImageDocument{};
    }
    mipLevel_ = level;
    return std::nullopt;
}

bool DocumentSession::isOwnFile(const std::string& path) const
{
    if (doc_.Facts.FileName.empty())
        return false;
    if (path == doc_.Facts.FileName)
        return true;
    const auto own = identityOf(doc_.Facts.FileName);
    const auto other = identityOf(path);
    return own && other && own->device == other->device && own->inode == other->inode;
}

std::string DocumentSession::fileName() const
{
    const std::string& path = doc_.Facts.FileName;
    return path.substr(path.rfind('/') + 1);
}

std::optional<std::string> DocumentSession::saveChangesQuestion() const
{
    if (!modified())
        return std::nullopt;
    const std::string name = printableName(fileName());
    return "Save changes to " + (name.empty() ? std::string("the image") : name) + "?";
}

} // namespace vtt
