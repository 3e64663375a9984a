#pragma once

#include "platform/Platform.h"

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
    void answerColour(std::int32_t colour) { colourAnswers.push_back(colour); }
    void cancelColour() { colourAnswers.push_back(std::nullopt); }

    std::optional<std::int32_t> pickColour(QWidget* parent, std::int32_t start) override;
    void messageBox(QWidget* parent, const QString& text, MessageStyle style, const QString& title = {}) override;
    void endProgram() override { ++endRequests; }

    std::deque<std::optional<FileChoice>> fileAnswers;
    std::deque<std::optional<std::int32_t>> colourAnswers;

    std::vector<RecordedMessage> messages;
    std::vector<FileChoice> fileDialogStarts; // state each file dialog opened with
    std::vector<bool> fileDialogWasSave;
    std::vector<std::int32_t> colourStarts;
    int endRequests = 0;

protected:
    std::optional<FileChoice> runFileDialog(QWidget* parent, bool save, const FileChoice& start) override;
};

} // namespace vtt::testing
