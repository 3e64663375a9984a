#pragma once

#include "document/ImageDocument.h"
#include "files/FileCommands.h"
#include "files/FileWatch.h"
#include "platform/Platform.h"
#include "shell/Pictures.h"
#include "shell/RecentFiles.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QScrollBar;
class QToolBar;

namespace vtt {

class PictureArea;
class TabControl;
class frmPallet;
class frmSwitchRGBA;

// The main window: menus, toolbar, the picture, the header panel. Every
// command is one handler that runs to completion; none holds pixel logic.
class frmSkelvo : public QMainWindow {
    Q_OBJECT
public:
    frmSkelvo(ImageDocument& doc, Platform& platform, QWidget* parent = nullptr);
    ~frmSkelvo() override;

    PictureArea* picture() const { return picImage_; }
    QAction* menuAction(const QString& objectName) const;
    frmPallet* palletWindow() const;
    frmSwitchRGBA* switchWindow() const;

    // Opens a file named on the command line or dropped on the window, read
    // as the format its name suggests; otherwise as File > Open.
    void openNamed(const QString& path);

    // Whether the document differs from its file.
    bool isModified() const;
    // Asks to save a modified document first; false when the user cancels
    // or the save fails, and the command asking must then stop.
    bool maybeSaveChanges();

    // Reloads the open file when another program changed it since it was
    // opened or saved here; run whenever the window becomes active.
    void checkFileOnDisk();
    // File > Recent Files: opens `path` as a dropped file is opened; one that
    // no longer exists is said so and leaves the list.
    void openRecent(QString path);

public slots:
    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuExit_Click();
    void mnuInfo_Click();
    void mnuEditPallet_Click();
    void mnuSwitch_Click();
    void mnuFlip_Click();
    void mnuMirror_Click();
    void mnuRotate_Click();
    void mnuOptions_Click();
    void mnuAbout_Click();
    void Toolbar1_ButtonClick(const QString& key);
    void VScroll1_Change(int value);
    // The full redraw: clears the picture and draws the whole document.
    void cmdSave();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildClientArea();
    void showHeader();
    // The open itself: a message on a bad file, which changes nothing. A
    // reload keeps the view when the size stays.
    void openPath(const QString& path, FileFormat format, bool reload = false);
    void fileSaved(const QString& path, FileFormat format);
    void showRecentFiles();

    ImageDocument& doc_;
    Platform& platform_;

    QToolBar* Toolbar1_ = nullptr;
    TabControl* SSTab1_ = nullptr;
    PictureArea* picImage_ = nullptr;
    QGroupBox* Frame1_ = nullptr;
    QLabel* lblWidth_ = nullptr;
    QLabel* lblHeight_ = nullptr;
    QLabel* lblType_ = nullptr;
    QLineEdit* txtMips_ = nullptr;
    QLineEdit* txtUnknown_ = nullptr;
    QLineEdit* txtBits_ = nullptr;
    QScrollBar* VScroll1_ = nullptr;
    QPlainTextEdit* txtHexDump_ = nullptr;
    ImageList ImageList1_;

    bool modified_ = false; // nothing marks the document modified yet
    FileWatch watch_;             // the file the document was last opened from or saved to
    FileFormat watchedFormat_ = FileFormat::Tga;
    bool checkingDisk_ = false;   // inside checkFileOnDisk, whose messages re-activate the window
    RecentFiles recent_;
    QMenu* mnuRecent_ = nullptr;

    QPointer<frmPallet> pallet_;
    QPointer<frmSwitchRGBA> switcher_;
};

} // namespace vtt
