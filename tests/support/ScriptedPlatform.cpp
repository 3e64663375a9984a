#include "support/ScriptedPlatform.h"

namespace vtt::testing {

std::optional<FileChoice> ScriptedPlatform::runFileDialog(QWidget*, bool save, const FileChoice& start)
{
    fileDialogStarts.push_back(start);
    fileDialogWasSave.push_back(save);
    if (fileAnswers.empty())
        return std::nullopt;
    const bool cancelled = !fileAnswers.front().has_value();
    FileChoice choice = cancelled ? FileChoice{} : *fileAnswers.front();
    fileAnswers.pop_front();
    if (cancelled)
        return std::nullopt;
    return choice.path.isEmpty() ? start : choice;
}

std::optional<QString> ScriptedPlatform::choosePaletteFile(QWidget*, bool save)
{
    paletteDialogWasSave.push_back(save);
    if (paletteFileAnswers.empty())
        return std::nullopt;
    auto answer = paletteFileAnswers.front();
    paletteFileAnswers.pop_front();
    return answer;
}

std::optional<std::int32_t> ScriptedPlatform::pickColour(QWidget*, std::int32_t start)
{
    colourStarts.push_back(start);
    if (colourAnswers.empty())
        return std::nullopt;
    auto answer = colourAnswers.front();
    colourAnswers.pop_front();
    return answer;
}

void ScriptedPlatform::messageBox(QWidget*, const QString& text, MessageStyle style, const QString& title)
{
    messages.push_back(RecordedMessage{text, style, titleOrProgram(title)});
}

SaveAnswer ScriptedPlatform::askSaveChanges(QWidget*, const QString& text)
{
    questions.push_back(text);
    if (saveAnswers.empty())
        return SaveAnswer::Cancel;
    const SaveAnswer answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

bool ScriptedPlatform::askYesNo(QWidget*, const QString& text)
{
    questions.push_back(text);
    if (yesNoAnswers.empty())
        return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

} // namespace vtt::testing
