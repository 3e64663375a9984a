#include "shell/frmSkelvo.h"

#include "files/PrintableName.h"
#include "platform/Messages.h"
#include "operations/Commands.h"
#include "shell/FileMessages.h"
#include "shell/ImageMenu.h"
#include "shell/RecentFilesMenu.h"
#include "shell/StatusFields.h"
#include "shell/WindowCommands.h"
#include "shell/frmOptions.h"
#include "shell/frmShortcuts.h"
#include "shell/frmImageInfo.h"
#include "shell/frmRotate.h"
#include "view/PictureArea.h"
#include "widgets/LineView.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>

namespace vtt {

namespace {

QString decoded(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }
std::string encoded(const QString& name) { return QFile::encodeName(name).toStdString(); }
// A file name as the window shows it: control bytes in it made visible
// (\x1b), as vtt shows them.
QString shown(const std::string& name) { return QString::fromStdString(printableName(name)); }
QString shown(const QString& name) { return shown(encoded(name)); }

template <class W>
void showTool(W* window)
{
    window->setWindowIcon(programIcon());
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

frmSkelvo::frmSkelvo(ImageDocument& doc, Platform& platform, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                              | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      platform_(platform), recentStore_(platform), session_(doc, recentStore_)
{
    setObjectName(QStringLiteral("frmSkelvo"));
    setWindowIcon(programIcon());
    c_ = buildClientArea(this);
    connect(c_.VScroll1, &QScrollBar::valueChanged, this, [this](int negated) { VScroll1_Change(-negated); });
    buildCommands();
    panel_ = new HeaderPanel(
        c_, [this](bool differs) { session_.setPanelChanged(differs); setWindowModified(isModified()); }, this);
    installStatusBar(this, c_, session_);
    session_.history().listen([this](bool documentChanged) { historyChanged(documentChanged); });
    historyChanged(false);
    setAcceptDrops(true);
    restorePlace(this, platform_);
    c_.picImage->setFocus(); // the view keys act from the start
}

frmSkelvo::~frmSkelvo()
{
    // The tool windows have no owner; they go with the main window.
    delete pallet_;
    delete switcher_;
    delete info_;
}

QAction* frmSkelvo::menuAction(const QString& objectName) const { return findChild<QAction*>(objectName); }

void frmSkelvo::buildCommands()
{
    PictureArea* pic = c_.picImage;
    const auto undoOrRedo = [this](bool undo) {
        if (const char* name = undo ? session_.history().nextUndo() : session_.history().nextRedo())
            edit(undo ? session_.undo() : session_.redo(), name);
    };
    buildMenus(
        menuBar(), pic,
        {{"mnuFile", "&File",
          {{"mnuNew", "New", [this] { mnuNew_Click(); }},
           {"mnuOpen", "Open", [this] { mnuOpen_Click(); }, {QKeySequence(Qt::CTRL | Qt::Key_O)}},
           {"mnuSave", "Save", [this] { mnuSave_Click(); }, {QKeySequence(Qt::CTRL | Qt::Key_S)}},
           {"mnuNextFile", "Next File", [this] { openNeighbour(1); }, {QKeySequence(Qt::CTRL | Qt::Key_PageDown)}},
           {"mnuPreviousFile", "Previous File", [this] { openNeighbour(-1); }, {QKeySequence(Qt::CTRL | Qt::Key_PageUp)}},
           {"mnuLine", "-", {}},
           {"mnuExit", "E&xit", [this] { mnuExit_Click(); }, {QKeySequence(Qt::CTRL | Qt::Key_Q)}}}},
         {"mnuEdit", "&Edit",
          {{"mnuUndo", "&Undo", [undoOrRedo] { undoOrRedo(true); }, {QKeySequence(Qt::CTRL | Qt::Key_Z)}},
           {"mnuRedo", "&Redo", [undoOrRedo] { undoOrRedo(false); },
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}},
           {"mnuEditLine", "-", {}},
           {"mnuCopy", "&Copy", [this] { mnuCopy_Click(); }, {QKeySequence::Copy}},
           {"mnuPaste", "&Paste", [this] { mnuPaste_Click(); }, {QKeySequence::Paste}}}},
         {"mnuImage", "&Image", {{"mnuInfo", "Im&age Information...", [this] { mnuInfo_Click(); }}}},
         {"mnuColors", "&Colors",
          {{"mnuEditPallet", "Edit Pallet", [this] { mnuEditPallet_Click(); }},
           {"mnuSwitch", "Switch RGBA Channels", [this] { mnuSwitch_Click(); }}}},
         {"mnuTools", "&Tools",
          {{"mnuFlip", "Flip", [this] { mnuFlip_Click(); }},
           {"mnuMirror", "Mirror", [this] { mnuMirror_Click(); }},
           {"mnuRotate", "Rotate", [this] { mnuRotate_Click(); }},
           {"mnuLine2", "-", {}},
           {"mnuOptions", "Options", [this] { showOptions(this, platform_, session_); }}}},
         {"mnuHelp", "&Help",
          {{"mnuShortcuts", "&Keyboard Shortcuts", [this] { showShortcuts(menuBar(), c_.picImage); }},
           {"mnuAbout", "About", [this] { mnuAbout_Click(); }}}},
         viewMenu(pic, [this](int step) { showMipLevel(mipLevel() + step); })});
    fillToolbar(c_.Toolbar1, this, ImageList1_,
                {{"new", "mnuNew", "New", ToolbarPicture::New},
                 {"open", "mnuOpen", "Open", ToolbarPicture::Open},
                 {"save", "mnuSave", "Save", ToolbarPicture::Save},
                 {"flip", "mnuFlip", "Flip", ToolbarPicture::Flip},
                 {"mirror", "mnuMirror", "Mirror", ToolbarPicture::Mirror},
                 {"rotate", "mnuRotate", "Rotate", ToolbarPicture::Rotate},
                 {"info", "mnuInfo", "Image Information", ToolbarPicture::Info}});

    new ImageCommands(this, session_, platform_);
    // File > Recent Files, just above Exit.
    QMenu* fileMenu = menuBar()->findChild<QMenu*>(QStringLiteral("mnuFile"));
    auto* recent = new RecentFilesMenu(session_.recentFiles(), [this](const QString& path) { openRecent(path); }, fileMenu);
    guardMenuKeys(recent);
    fileMenu->insertMenu(menuAction(QStringLiteral("mnuExit")), recent);
}

void frmSkelvo::updateActions()
{
    const char* undo = session_.history().nextUndo();
    const char* redo = session_.history().nextRedo();
    QAction* mnuUndo = menuAction(QStringLiteral("mnuUndo"));
    QAction* mnuRedo = menuAction(QStringLiteral("mnuRedo"));
    mnuUndo->setText(undo ? QStringLiteral("&Undo %1").arg(QLatin1String(undo)) : QStringLiteral("&Undo"));
    mnuRedo->setText(redo ? QStringLiteral("&Redo %1").arg(QLatin1String(redo)) : QStringLiteral("&Redo"));
    mnuUndo->setEnabled(undo);
    mnuRedo->setEnabled(redo);
    menuAction(QStringLiteral("mnuNextMip"))->setEnabled(mipLevel() + 1 < mipLevelsOffered());
    menuAction(QStringLiteral("mnuPreviousMip"))->setEnabled(mipLevel() > 0);
}

void frmSkelvo::historyChanged(bool documentChanged)
{
    const ImageDocument& doc = session_.document();
    if (documentChanged)
        c_.picImage->drawDocument(doc);
    panel_->showDocument(doc);
    if (info_)
        info_->showFacts(session_.facts());
    const std::string name = session_.fileName();
    setWindowTitle(QStringLiteral("[*]") + (name.empty() ? QString() : shown(name) + QStringLiteral(" - "))
                   + ProgramTitle);
    setWindowModified(isModified());
    updateActions();
}

void frmSkelvo::fileShown()
{
    const HexDump& hex = session_.hexDump();
    std::size_t widest = 80;
    for (const std::string& line : hex.headerLines())
        widest = std::max(widest, line.size());
    c_.txtHexDump->setLines(
        hex.lineCount(), [&hex](std::size_t i) { return QString::fromLatin1(hex.line(i)); }, static_cast<int>(widest));
}

void frmSkelvo::showMipLevel(int level)
{
    if (const auto problem = session_.showMipLevel(level))
        return platform_.messageBox(
            this, QString::fromStdString(cannotOpen(session_.document().Facts.FileName, problem->detail)),
            MessageStyle::Stop);
    // The readout names any level but the image itself.
    c_.picImage->showLevel(session_.shownLevel(),
                           mipLevel() > 0 ? QStringLiteral("level %1").arg(mipLevel()) : QString());
    updateActions();
}

void frmSkelvo::mnuNew_Click() { c_.picImage->clearPicture(); }

void frmSkelvo::mnuOpen_Click()
{
    if (!maybeSaveChanges())
        return;
    if (const auto choice = platform_.showOpen(this)) {
        ChosenFile chosen = readChosenFile(encoded(choice->path), choice->filterIndex);
        showOpened(choice->path, chosen.format, std::move(chosen.read));
    }
}

void frmSkelvo::openNamed(const QString& path)
{
    if (!maybeSaveChanges())
        return;
    ChosenFile chosen = readChosenFile(encoded(path), 0);
    showOpened(path, chosen.format, std::move(chosen.read));
}

// The file was read into a new document first: a file that cannot be read
// leaves the open document, the header panel and the picture as they were.
void frmSkelvo::showOpened(const QString& path, ImageFormat format, ReadFile file, bool reload)
{
    if (const auto error = session_.open(encoded(path), format, std::move(file), reload))
        return reportOpenFailure(platform_, this, path, *error, reload);
    const ImageDocument& doc = session_.document();
    documentOpened(path, format, reload);
    if (reload && session_.openKeptSize())
        c_.picImage->drawDocument(doc);
    else
        c_.picImage->documentOpened(doc);
    fileShown();
}

void frmSkelvo::checkFileOnDisk()
{
    if (checkingDisk_ || !session_.watching())
        return;
    checkingDisk_ = true;
    const QString path = decoded(session_.watchedPath());
    switch (session_.checkDisk()) {
    case DiskChange::Unchanged: break;
    case DiskChange::Vanished:
        platform_.messageBox(this,
                             QStringLiteral("%1 is no longer on disk; the document stays open as it is.").arg(shown(path)),
                             MessageStyle::Information);
        break;
    case DiskChange::Changed:
        if (!isModified()
            || platform_.askYesNo(this, QStringLiteral("%1 changed on disk. Reload it and lose your changes?")
                                            .arg(shown(QFileInfo(path).fileName())))) {
            const ImageFormat format = session_.watchedFormat();
            showOpened(path, format, readDocumentFile(session_.watchedPath(), format), true);
        }
        break;
    }
    checkingDisk_ = false;
}

void frmSkelvo::openRecent(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        platform_.messageBox(this, QStringLiteral("%1 no longer exists; it is taken off the recent files.").arg(shown(path)),
                             MessageStyle::Stop);
        session_.recentFiles().remove(encoded(path));
        return;
    }
    openNamed(path); // which asks about unsaved changes first
}

bool frmSkelvo::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        checkFileOnDisk();
    return QMainWindow::event(event);
}

void frmSkelvo::mnuSave_Click() { save(); }

bool frmSkelvo::save()
{
    // A save writes level 0, so that is what is shown.
    showMipLevel(0);
    if (!saveDocument(session_, platform_, this, panel_->texts()))
        return false;
    panel_->markUnchanged();
    panel_->showDocument(session_.document());
    c_.picImage->drawDocument(session_.document());
    fileShown();
    return true;
}

void frmSkelvo::mnuExit_Click()
{
    if (!maybeSaveChanges())
        return;
    savePlace(this, platform_);
    platform_.endProgram();
}

bool frmSkelvo::maybeSaveChanges()
{
    const auto question = session_.saveChangesQuestion();
    if (!question)
        return true;
    switch (platform_.askSaveChanges(this, decoded(*question))) {
    case SaveAnswer::Save: return save();
    case SaveAnswer::Discard: return true;
    case SaveAnswer::Cancel: break;
    }
    return false;
}

void frmSkelvo::edit(EditOutcome outcome, const char* name)
{
    if (outcome == EditOutcome::OutOfMemory)
        reportEditOutOfMemory(platform_, this, session_.document(), name);
}

void frmSkelvo::mnuInfo_Click()
{
    if (!info_)
        info_ = new frmImageInfo;
    info_->showFacts(session_.facts());
    showTool(info_.data());
}

void frmSkelvo::mnuEditPallet_Click()
{
    if (!pallet_)
        pallet_ = new frmPallet(session_.document(), [this](auto command) { perform(std::move(command)); }, platform_);
    showTool(pallet_.data());
}

void frmSkelvo::mnuSwitch_Click()
{
    if (!switcher_)
        switcher_ = new frmSwitchRGBA([this](auto command) { perform(std::move(command)); });
    showTool(switcher_.data());
}

void frmSkelvo::perform(std::unique_ptr<Command> command)
{
    const char* name = command->name();
    edit(session_.perform(std::move(command)), name);
}

void frmSkelvo::mnuFlip_Click() { perform(std::make_unique<FlipCommand>()); }

void frmSkelvo::mnuMirror_Click() { perform(std::make_unique<MirrorCommand>()); }

void frmSkelvo::mnuRotate_Click()
{
    // Modal to this window: the turn applies to the document it was opened
    // for. Each opening starts from the design's 90 degrees to the right.
    if (!rotator_) {
        rotator_ = new frmRotate(this, [this](int clockwise) { perform(std::make_unique<RotateCommand>(clockwise)); });
        rotator_->setWindowModality(Qt::WindowModal);
    }
    rotator_->show();
    rotator_->raise();
    rotator_->activateWindow();
}

void frmSkelvo::mnuAbout_Click()
{
    platform_.messageBox(this,
                         QStringLiteral("Vellicor Texture Tool " VTT_VERSION " by Robin Vellicor - progress is reported at "
                                        "https://vellicor.example.org/"),
                         MessageStyle::Information, QStringLiteral("About"));
}

void frmSkelvo::Toolbar1_ButtonClick(const QString& key)
{
    if (QAction* action = toolbarAction(c_.Toolbar1, key))
        action->trigger();
}

void frmSkelvo::VScroll1_Change(int value) { c_.txtMips->setText(QString::number(value)); }

void frmSkelvo::closeEvent(QCloseEvent* event)
{
    if (!maybeSaveChanges()) {
        event->ignore();
        return;
    }
    // Closing the main window ends the program: the tool windows close with
    // it, and a hidden channel dialog cannot keep it alive.
    for (QWidget* tool : std::initializer_list<QWidget*>{pallet_, switcher_, info_})
        if (tool)
            tool->close();
    savePlace(this, platform_);
    event->accept();
    QCoreApplication::quit();
}

} // namespace vtt
