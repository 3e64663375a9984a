#pragma once

#include "document/ImageDocument.h"
#include "files/FileCommands.h"
#include "files/HexDump.h"
#include "files/FileWatch.h"
#include "operations/EditHistory.h"
#include "platform/Platform.h"
#include "shell/Pictures.h"
#include "shell/RecentFiles.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollBar;
class QToolBar;

namespace vtt {

class LineView;
class PictureArea;
class frmImageInfo;
class TabControl;
class frmPallet;
class frmRotate;
class frmSwitchRGBA;

// The main window: menus, toolbar, the picture, the header panel. Every
// command is one handler that runs to completion; none holds pixel logic.
// A file read for the window: the image or the problem, the bytes the hex
// dump and mip levels show, and the identity it had before it was read.
struct ReadFile {
    Result<ImageDocument> image;
    FileSnapshot bytes;
    FileWatch watch;
};
// Reads like File > Open, on any thread; the window is not touched (it
// carries its palette and header fields over when it shows the result).
ReadFile readForWindow(const std::string& path, ImageFormat format);

class frmSkelvo : public QMainWindow {
    Q_OBJECT
public:
    frmSkelvo(ImageDocument& doc, Platform& platform, QWidget* parent = nullptr);
    ~frmSkelvo() override;

    PictureArea* picture() const { return picImage_; }
    QAction* menuAction(const QString& objectName) const;
    frmPallet* palletWindow() const;
    frmSwitchRGBA* switchWindow() const;
    frmImageInfo* infoWindow() const;
    const HexDump& hexDump() const { return hex_; }
    // The mip level shown (0 = the image itself) and how many the file
    // holds whole.
    int mipLevel() const { return mipLevel_; }
    int mipLevelsOffered() const { return mipLevels_; }

    // Opens a file named on the command line or dropped on the window, read
    // as the format its name suggests; otherwise as File > Open.
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
    void openRecent(QString path);

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
    void mnuNextMip_Click();
    void mnuPreviousMip_Click();
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
    void buildViewMenu();
    // The controls that grow with the window take the design's size plus
    // what the client area has beyond its design size.
    void growClient(QSize client);
    void restorePlace();
    void savePlace();
    // The title names the open file.
    void updateTitle();
    // The file as last read or written: hex dump, mip levels.
    void fileChanged(FileSnapshot&& file);
    // The document changed: the info window follows.
    void documentChanged();
    void showMipLevel(int level);
    void showHeader();
    // The open itself: a message on a bad file, which changes nothing. A
    // reload keeps the view when the size stays.
    void openPath(const QString& path, ImageFormat format, bool reload = false);
    void fileSaved(const QString& path, ImageFormat format);
    void showRecentFiles();
    // After every edit, undo and redo: the picture, the size shown, the
    // title and the Undo and Redo items.
    void stepTaken();
    // Runs one edit of the history; a document too large to edit in the
    // memory left gets a message and stays as it was.
    template <class Edit>
    void takeStep(EditKind kind, Edit edit);
    void rotateDocument(int clockwise);
    void updateEditActions();
    bool save();

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
    LineView* txtHexDump_ = nullptr;
    ImageList ImageList1_;
    std::vector<std::pair<QWidget*, QRect>> growing_;

    std::shared_ptr<const FileSnapshot> file_;
    HexDump hex_;
    int mipLevel_ = 0;
    int mipLevels_ = 1;
    ImageDocument levelDoc_; // the mip level shown, when it is not level 0
    QAction* mnuNextMip_ = nullptr;
    QAction* mnuPreviousMip_ = nullptr;

    FileWatch watch_;             // the file the document was last opened from or saved to
    ImageFormat watchedFormat_ = ImageFormat::Tga;
    bool checkingDisk_ = false;   // inside checkFileOnDisk, whose messages re-activate the window
    RecentFiles recent_;
    QMenu* mnuRecent_ = nullptr;

    QPointer<frmPallet> pallet_;
    QPointer<frmSwitchRGBA> switcher_;
    QPointer<frmImageInfo> info_;
    QPointer<frmRotate> rotator_;

    EditHistory history_;
    QAction* mnuUndo_ = nullptr;
    QAction* mnuRedo_ = nullptr;
};

} // namespace vtt
