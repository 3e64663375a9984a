#pragma once

#include "document/ImageDocument.h"
#include "files/DocumentSession.h"
#include "palette/frmPallet.h"
#include "platform/Platform.h"
#include "shell/HeaderPanel.h"
#include "shell/Pictures.h"
#include "shell/RecentFilesMenu.h"
#include "shell/WindowLayout.h"
#include "shell/frmImageInfo.h"
#include "shell/frmSwitchRGBA.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QAction;
class QMenu;

namespace vtt {

class frmRotate;

// The main window: it wires its menus, toolbar, picture and header panel to
// the document session, which holds the document, its history and its
// file. Every command is one QAction, shared by the menu, the toolbar and
// the keyboard; none holds pixel or file logic.
class frmSkelvo : public QMainWindow {
    Q_OBJECT
public:
    frmSkelvo(ImageDocument& doc, Platform& platform, QWidget* parent = nullptr);
    ~frmSkelvo() override;

    DocumentSession& session() { return session_; }
    PictureArea* picture() const { return c_.picImage; }
    QAction* menuAction(const QString& objectName) const;
    frmPallet* palletWindow() const { return pallet_; }
    frmSwitchRGBA* switchWindow() const { return switcher_; }
    frmImageInfo* infoWindow() const { return info_; }
    const HexDump& hexDump() const { return session_.hexDump(); }
    // The mip level shown (0 = the image itself) and how many the file
    // holds whole.
    int mipLevel() const { return session_.mipLevel(); }
    int mipLevelsOffered() const { return session_.mipLevels(); }

    // Opens a file named on the command line or dropped on the window, read
    // as its PNG signature or its name suggests; otherwise as File > Open.
    void openNamed(const QString& path);
    // The same with the file already read (at start-up, on another thread
    // while the window was built): the message on a bad file, or the image.
    // A reload keeps the view when the size stays.
    void showOpened(const QString& path, ImageFormat format, ReadFile file, bool reload = false);

    // Reloads the open file when another program changed it since it was
    // opened or saved here; run whenever the window becomes active.
    void checkFileOnDisk();
    // File > Recent Files: opens `path` as a dropped file is opened; one that
    // no longer exists is said so and leaves the list.
    void openRecent(const QString& path);

    // Whether the document differs from what was last opened or saved.
    bool isModified() const { return session_.modified(); }
    // Before the document is replaced or the program ends: when modified,
    // asks "Save changes to NAME?"; true when it may go on (saved, or the
    // changes discarded), false when the user cancelled or the save failed.
    bool maybeSaveChanges();

    // File > Next File (+1) and Previous File (-1): the neighbouring image
    // of the document's folder in name order, after the unsaved-change
    // question.
    void openNeighbour(int step);

public slots:
    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuExit_Click();
    void mnuCopy_Click();
    void mnuPaste_Click();
    void mnuInfo_Click();
    void mnuEditPallet_Click();
    void mnuSwitch_Click();
    void mnuFlip_Click();
    void mnuMirror_Click();
    void mnuRotate_Click();
    void mnuAbout_Click();
    // Triggers the action whose toolbar key is `key`, compared exactly.
    void Toolbar1_ButtonClick(const QString& key);
    void VScroll1_Change(int value);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildCommands();
    // Where every open ends: the panel, the dialog's remembered file, the
    // palette window.
    void documentOpened(const QString& path, ImageFormat format, bool reload);
    // The history changed: the picture (when the document did), the size
    // shown, the title, the actions.
    void historyChanged(bool documentChanged);
    // The file as last read or written: the hex dump.
    void fileShown();
    // Every enabled state and step name, in one place.
    void updateActions();
    void showMipLevel(int level);
    // Runs an edit, undo or redo; memory too short for it gets a message.
    void edit(EditOutcome outcome, const char* name);
    void perform(std::unique_ptr<Command> command);
    bool save();

    Platform& platform_;
    SettingsRecentFiles recentStore_;
    DocumentSession session_;
    MainControls c_;
    ImageList ImageList1_;
    HeaderPanel* panel_ = nullptr;
    bool checkingDisk_ = false; // inside checkFileOnDisk, whose messages re-activate the window

    QPointer<frmPallet> pallet_;
    QPointer<frmSwitchRGBA> switcher_;
    QPointer<frmImageInfo> info_;
    QPointer<frmRotate> rotator_;
};

} // namespace vtt
