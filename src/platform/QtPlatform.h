#pragma once

#include "platform/Platform.h"

namespace vtt {

// The desktop's own dialogs through Qt.
class QtPlatform : public Platform {
public:
    std::optional<QString> choosePaletteFile(QWidget* parent, bool save) override;
    std::optional<std::int32_t> pickColour(QWidget* parent, std::int32_t start) override;
    void messageBox(QWidget* parent, const QString& text, MessageStyle style, const QString& title = {}) override;
    SaveAnswer askSaveChanges(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
    QVariant setting(const QString& key) const override;
    void setSetting(const QString& key, const QVariant& value) override;
    void endProgram() override;

protected:
    std::optional<FileChoice> runFileDialog(QWidget* parent, bool save, const FileChoice& start) override;
};

} // namespace vtt
