#pragma once

#include "files/RecentFiles.h"
#include "platform/Platform.h"

#include <QMenu>

#include <functional>

namespace vtt {

// The recent files as the settings store keeps them, so that they outlive
// the run.
class SettingsRecentFiles : public RecentFilesStore {
public:
    explicit SettingsRecentFiles(Platform& platform) : platform_(platform) {}
    std::vector<std::string> load() const override;
    void store(const std::vector<std::string>& files) override;

private:
    Platform& platform_;
};

// File > Recent Files: "&1 PATH" and so on, newest first, or a disabled
// "(none)"; filled afresh each time it opens (never while one of its items
// runs). Choosing one hands its path to `open`.
class RecentFilesMenu : public QMenu {
public:
    RecentFilesMenu(RecentFiles& files, std::function<void(const QString&)> open, QWidget* parent);

private:
    void fill();
    RecentFiles& files_;
    std::function<void(const QString&)> open_;
};

} // namespace vtt
