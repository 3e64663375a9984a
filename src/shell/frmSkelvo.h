#pragma once

#include "document/ImageDocument.h"
#include "files/FileCommands.h"
#include "platform/Platform.h"
#include "shell/Pictures.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
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
    // The same with the file already read (at start-up, on another thread
    // while the window was built): the message on a bad file, or the image.
    void showOpened(FileFormat format, Result<ImageDocument, FileError> opened);

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
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildClientArea();
    void showHeader();
    // The open itself: a message on a bad file, which changes nothing.
    void openPath(const QString& path, FileFormat format);

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

    QPointer<frmPallet> pallet_;
    QPointer<frmSwitchRGBA> switcher_;
};

} // namespace vtt
