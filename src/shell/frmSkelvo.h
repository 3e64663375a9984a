#pragma once

#include "document/ImageDocument.h"
#include "files/FileCommands.h"
#include "operations/EditHistory.h"
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
class frmRotate;
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

    // Whether the document differs from what was last opened or saved.
    bool isModified() const;
    // Before the document is replaced or the program ends: when modified,
    // asks "Save changes to NAME?"; true when it may go on (saved, or the
    // changes discarded), false when the user cancelled or the save failed.
    bool maybeSaveChanges();

public slots:
    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuExit_Click();
    void mnuUndo_Click();
    void mnuRedo_Click();
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
    // After every edit, undo and redo: the picture, the size shown, the
    // title and the Undo and Redo items.
    void stepTaken();
    // Runs one edit of the history; a document too large to edit in the
    // memory left gets a message and stays as it was.
    template <class Edit>
    void takeStep(EditKind kind, Edit edit);
    void rotateDocument(int clockwise);
    void updateTitle();
    void updateEditActions();
    bool save();
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
    QPointer<frmRotate> rotator_;

    EditHistory history_;
    QAction* mnuUndo_ = nullptr;
    QAction* mnuRedo_ = nullptr;
};

} // namespace vtt
