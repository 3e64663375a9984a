#pragma once

#include "platform/Platform.h"

#include <QMap>

#include <deque>
#include <vector>

namespace vtt::testing {

struct RecordedMessage {
    QString text;
    MessageStyle style;
    QString title; // as shown: the program's title when none was given
};

// Answers dialogs from queues and records what the program showed. A dialog
// asked for with an empty queue is answered with a cancel.
class ScriptedPlatform : public Platform {
public:
    void answerFile(const QString& path, int filterIndex) { fileAnswers.push_back(FileChoice{path, filterIndex}); }
    void cancelFile() { fileAnswers.push_back(std::nullopt); }
    // Enter in the dialog as it opened: its remembered name and filter.
    void acceptFileAsStarted() { fileAnswers.push_back(FileChoice{QString(), 0}); }
    void answerPaletteFile(const QString& path) { paletteFileAnswers.push_back(path); }
    void answerColour(std::int32_t colour) { colourAnswers.push_back(colour); }
    void cancelColour() { colourAnswers.push_back(std::nullopt); }

    std::optional<QString> choosePaletteFile(QWidget* parent, bool save) override;
    std::optional<std::int32_t> pickColour(QWidget* parent, std::int32_t start) override;
    void messageBox(QWidget* parent, const QString& text, MessageStyle style, const QString& title = {}) override;
    void endProgram() override { ++endRequests; }
    // Questions are answered from queues too: an empty queue answers Cancel / No.
    SaveAnswer askSaveChanges(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
    // An in-memory settings store: tests never touch the user's own.
    QVariant setting(const QString& key) const override { return settings.value(key); }
    void setSetting(const QString& key, const QVariant& value) override { settings.insert(key, value); }

    std::deque<std::optional<FileChoice>> fileAnswers;
    std::deque<std::optional<std::int32_t>> colourAnswers;
    std::deque<std::optional<QString>> paletteFileAnswers;
    std::vector<bool> paletteDialogWasSave;

    std::deque<SaveAnswer> saveAnswers;
    std::deque<bool> yesNoAnswers;
    QMap<QString, QVariant> settings;

    std::vector<RecordedMessage> messages;
    std::vector<QString> questions; // every question asked, in order
    std::vector<FileChoice> fileDialogStarts; // state each file dialog opened with
    std::vector<bool> fileDialogWasSave;
    std::vector<std::int32_t> colourStarts;
    int endRequests = 0;

protected:
    std::optional<FileChoice> runFileDialog(QWidget* parent, bool save, const FileChoice& start) override;
};

} // namespace vtt::testing
