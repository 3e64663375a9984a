#pragma once

#include "files/Formats.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <optional>

class QWidget;

namespace vtt {

inline const QString ProgramTitle = QStringLiteral("Vellicor Texture Tool");

// Message box styles: the values callers pass are the historical ones.
enum class MessageStyle : int { Plain = 0, Stop = 16, Information = 64 };

// Entries of the shared file dialog, one a format, then All Images; filter
// indices are one-based, 1 = TEX.
inline QStringList fileFilters()
{
    QStringList filters;
    for (const FormatEntry& entry : imageFormats())
        filters.append(QString::fromLatin1(entry.filterCaption));
    filters.append(QString::fromLatin1(AllImagesFilterCaption));
    return filters;
}
constexpr int TexFilterIndex = 1;

// The answers of the unsaved-changes question.
enum class SaveAnswer { Save, Discard, Cancel };

struct FileChoice {
    QString path;
    int filterIndex = TexFilterIndex;
};

// Everything the windows ask of the desktop. The file dialog is one object
// for open and save: each use starts from the name and filter chosen last,
// or from the document's own file after an open (rememberFile).
class Platform {
public:
    virtual ~Platform() = default;

    // nullopt when the user cancels; the remembered choice stays as it was.
    std::optional<FileChoice> showOpen(QWidget* parent) { return showFile(parent, false); }
    std::optional<FileChoice> showSave(QWidget* parent) { return showFile(parent, true); }
    const FileChoice& dialogState() const { return dialogState_; }
    // The next dialog starts from `choice`: after an open, the document's
    // own file and format, so that Save then writes the document in place.
    void rememberFile(const FileChoice& choice) { dialogState_ = choice; }

    // The palette window's own file dialog for .pal, .gpl and .act files,
    // apart from the image dialog and its remembered choice. A save name
    // typed without an extension gets the chosen filter's. nullopt on cancel.
    virtual std::optional<QString> choosePaletteFile(QWidget* parent, bool save) = 0;

    // Opens at `start` (a colour value); nullopt when the user cancels.
    virtual std::optional<std::int32_t> pickColour(QWidget* parent, std::int32_t start) = 0;

    // Modal. An empty title means the program's title.
    virtual void messageBox(QWidget* parent, const QString& text, MessageStyle style, const QString& title = {}) = 0;

    // Modal questions: Save / Discard / Cancel, and Yes / No (true = Yes).
    virtual SaveAnswer askSaveChanges(QWidget* parent, const QString& text) = 0;
    virtual bool askYesNo(QWidget* parent, const QString& text) = 0;

    // The desktop's settings store (window place, recent files). A missing
    // key reads as an invalid QVariant.
    virtual QVariant setting(const QString& key) const = 0;
    virtual void setSetting(const QString& key, const QVariant& value) = 0;

    // Ends the program at once: every window closes without a question.
    virtual void endProgram() = 0;

protected:
    virtual std::optional<FileChoice> runFileDialog(QWidget* parent, bool save, const FileChoice& start) = 0;

private:
    std::optional<FileChoice> showFile(QWidget* parent, bool save)
    {
        auto choice = runFileDialog(parent, save, dialogState_);
        if (choice)
            dialogState_ = *choice;
        return choice;
    }

    FileChoice dialogState_;
};

inline QString titleOrProgram(const QString& title) { return title.isEmpty() ? ProgramTitle : title; }

} // namespace vtt
