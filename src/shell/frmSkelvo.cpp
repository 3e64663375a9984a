#include "shell/frmSkelvo.h"

#include "files/FileCommands.h"
#include "operations/FlipMirror.h"
#include "shell/frmImageInfo.h"
#include "shell/frmRotate.h"
#include "shell/frmSwitchRGBA.h"
#include "palette/frmPallet.h"
#include "platform/Messages.h"
#include "shell/Pictures.h"
#include "shell/SaveCommand.h"
#include "codecs/MipLevels.h"
#include "files/ImageFacts.h"
#include "files/PrintableName.h"
#include "widgets/LineView.h"
#include "widgets/TabControl.h"
#include "widgets/Twips.h"
#include "view/PictureArea.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QTabBar>
#include <QToolBar>

#include <new>

namespace vtt {

namespace {

const QString UnsupportedTexMessage = QStringLiteral(
    "You have opend a tex file whit unsupported type so please email the filename to the author");

// Client area, below the menu bar.
// A file name as the window shows it: control bytes in it made visible
// (\x1b), as vtt shows them.
QString shown(const QString& path)
{
    return QString::fromStdString(printableName(QFile::encodeName(path).toStdString()));
}

QString shownName(const std::string& path) { return shown(QFileInfo(QFile::decodeName(path.c_str())).fileName()); }

constexpr int ClientWidth = 4125;
constexpr int ClientHeight = 4875;
constexpr int MaxMipSpin = 10;

struct ToolbarButton {
    const char* key;
    const char* toolTip;
    ToolbarPicture picture;
};
constexpr ToolbarButton ToolbarButtons[] = {
    {"new", "New", ToolbarPicture::New},
    {"open", "Open", ToolbarPicture::Open},
    {"save", "Save", ToolbarPicture::Save},
    {"flip", "Flip", ToolbarPicture::Flip},
    {"mirror", "Mirror", ToolbarPicture::Mirror},
    {"rotate", "Rotate", ToolbarPicture::Rotate},
    {"info", "Image Information", ToolbarPicture::Info},
};

// The client area asks for its design size, so the window opens with
// exactly that much room below the menu bar; it never gets smaller, and
// what it has beyond that goes to the controls that grow.
class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget* parent, std::function<void(QSize)> resized)
        : QWidget(parent), resized_(std::move(resized))
    {
        setMinimumSize(sizeHint());
    }
    QSize sizeHint() const override { return {twips(ClientWidth), twips(ClientHeight)}; }

protected:
    void resizeEvent(QResizeEvent*) override { resized_(size()); }

private:
    std::function<void(QSize)> resized_;
};

// The window's place in the settings store: its normal geometry and
// whether it was maximized.
const QString PlaceKey = QStringLiteral("mainWindow/geometry");
const QString MaximizedKey = QStringLiteral("mainWindow/maximized");

template <typename W>
W* placed(W* widget, const char* name, QRect geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

frmSkelvo::frmSkelvo(ImageDocument& doc, Platform& platform, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                              | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      doc_(doc), platform_(platform), recent_(platform)
{
    setObjectName(QStringLiteral("frmSkelvo"));
    setWindowTitle(ProgramTitle);
    setWindowIcon(programIcon());
    buildMenus();
    buildClientArea();
    buildToolbar();
    buildViewMenu();
    setAcceptDrops(true);
    restorePlace();
}

frmSkelvo::~frmSkelvo()
{
    // The tool windows have no owner; they go with the main window.
    delete pallet_;
    delete switcher_;
    delete info_;
}

frmPallet* frmSkelvo::palletWindow() const { return pallet_; }

frmSwitchRGBA* frmSkelvo::switchWindow() const { return switcher_; }

frmImageInfo* frmSkelvo::infoWindow() const { return info_; }

QAction* frmSkelvo::menuAction(const QString& objectName) const { return findChild<QAction*>(objectName); }

void frmSkelvo::buildMenus()
{
    struct Item {
        const char* name;
        const char* caption;
        void (frmSkelvo::*handler)();
    };
    struct Menu {
        const char* name;
        const char* caption;
        std::vector<Item> items;
    };
    const std::vector<Menu> menus = {
        {"mnuFile", "&File",
         {{"mnuNew", "New", &frmSkelvo::mnuNew_Click},
          {"mnuOpen", "Open", &frmSkelvo::mnuOpen_Click},
          {"mnuSave", "Save", &frmSkelvo::mnuSave_Click},
          {"mnuLine", "-", nullptr},
          {"mnuExit", "E&xit", &frmSkelvo::mnuExit_Click}}},
        {"mnuEdit", "&Edit",
         {{"mnuUndo", "&Undo", &frmSkelvo::mnuUndo_Click}, {"mnuRedo", "&Redo", &frmSkelvo::mnuRedo_Click}}},
        {"mnuImage", "&Image", {{"mnuInfo", "Im&age Information...", &frmSkelvo::mnuInfo_Click}}},
        {"mnuColors", "&Colors",
         {{"mnuEditPallet", "Edit Pallet", &frmSkelvo::mnuEditPallet_Click},
          {"mnuSwitch", "Switch RGBA Channels", &frmSkelvo::mnuSwitch_Click}}},
        {"mnuTools", "&Tools",
         {{"mnuFlip", "Flip", &frmSkelvo::mnuFlip_Click},
          {"mnuMirror", "Mirror", &frmSkelvo::mnuMirror_Click},
          {"mnuRotate", "Rotate", &frmSkelvo::mnuRotate_Click},
          {"mnuLine2", "-", nullptr},
          {"mnuOptions", "Options", &frmSkelvo::mnuOptions_Click}}},
        {"mnuHelp", "&Help", {{"mnuAbout", "About", &frmSkelvo::mnuAbout_Click}}},
    };
    for (const Menu& m : menus) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(m.caption));
        menu->setObjectName(QString::fromLatin1(m.name));
        for (const Item& item : m.items) {
            QAction* action = item.handler ? menu->addAction(QString::fromLatin1(item.caption)) : menu->addSeparator();
            action->setObjectName(QString::fromLatin1(item.name));
            if (item.handler)
                connect(action, &QAction::triggered, this, item.handler);
        }
    }
    mnuUndo_ = menuAction(QStringLiteral("mnuUndo"));
    mnuRedo_ = menuAction(QStringLiteral("mnuRedo"));
    mnuUndo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuRedo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    updateEditActions();

    // File > Recent Files, just above Exit; filled afresh each time it opens
    // (never while one of its items runs).
    QMenu* fileMenu = menuBar()->findChild<QMenu*>(QStringLiteral("mnuFile"));
    mnuRecent_ = new QMenu(QStringLiteral("&Recent Files"), fileMenu);
    mnuRecent_->setObjectName(QStringLiteral("mnuRecent"));
    mnuRecent_->menuAction()->setObjectName(QStringLiteral("mnuRecent"));
    fileMenu->insertMenu(menuAction(QStringLiteral("mnuExit")), mnuRecent_);
    connect(mnuRecent_, &QMenu::aboutToShow, this, &frmSkelvo::showRecentFiles);
    showRecentFiles();
}

void frmSkelvo::showRecentFiles()
{
    mnuRecent_->clear();
    const QStringList files = recent_.files();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files.at(i);
        QString caption = shown(path);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = mnuRecent_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(caption));
        action->setObjectName(QStringLiteral("mnuRecent_%1").arg(i));
        connect(action, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
    if (files.isEmpty())
        mnuRecent_->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

void frmSkelvo::buildToolbar()
{
    Toolbar1_ = placed(new QToolBar(centralWidget()), "Toolbar1", twipsRect(0, 0, ClientWidth, 360));
    Toolbar1_->setMovable(false);
    Toolbar1_->setFloatable(false);
    Toolbar1_->setIconSize(QSize(16, 16));
    Toolbar1_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const ToolbarButton& button : ToolbarButtons) {
        QAction* action = Toolbar1_->addAction(QString());
        action->setObjectName(QStringLiteral("Toolbar1_") + QString::fromLatin1(button.key));
        action->setData(QString::fromLatin1(button.key));
        action->setToolTip(QString::fromLatin1(button.toolTip));
        // A screen reader announces the button by its tool tip.
        if (QWidget* widget = Toolbar1_->widgetForAction(action))
            widget->setAccessibleName(action->toolTip());
        action->setIcon(QIcon(ImageList1_.picture(button.picture)));
    }
    connect(Toolbar1_, &QToolBar::actionTriggered, this,
            [this](QAction* action) { Toolbar1_ButtonClick(action->data().toString()); });
}

void frmSkelvo::buildClientArea()
{
    auto* client = new ClientArea(this, [this](QSize size) { growClient(size); });
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    SSTab1_ = placed(new TabControl(client), "SSTab1", twipsRect(0, 360, ClientWidth, 4515));
    QWidget* viewPage = SSTab1_->addPage(QStringLiteral("Image View"));
    QWidget* dataPage = SSTab1_->addPage(QStringLiteral("Image Data"));
    QWidget* hexPage = SSTab1_->addPage(QStringLiteral("Image Hex Dump"));
    SSTab1_->setCurrentIndex(0);
    // One row of three tabs within the design width: narrow side margins
    // let the three captions fit with the usual fonts, no scroll arrows
    // appear, and a caption that still does not fit loses its end.
    SSTab1_->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 4px; }"));
    SSTab1_->tabBar()->setUsesScrollButtons(false);
    SSTab1_->tabBar()->setElideMode(Qt::ElideRight);

    picImage_ = placed(new PictureArea(viewPage), "picImage", twipsRect(120, 480, 3845, 3845));

    Frame1_ = placed(new QGroupBox(QStringLiteral("Image Data:"), dataPage), "Frame1", twipsRect(120, 360, 3855, 3975));
    txtBits_ = placed(new QLineEdit(QString(), Frame1_), "txtBits", twipsRect(960, 1680, 735, 285));
    txtUnknown_ = placed(new QLineEdit(QStringLiteral("0"), Frame1_), "txtUnknown", twipsRect(960, 1320, 735, 285));
    txtMips_ = placed(new QLineEdit(QStringLiteral("1"), Frame1_), "txtMips", twipsRect(960, 960, 735, 285));
    VScroll1_ = placed(new QScrollBar(Qt::Vertical, Frame1_), "VScroll1", twipsRect(1680, 960, 255, 255));
    placed(new QLabel(QStringLiteral("Bits:"), Frame1_), "lblBits", twipsRect(120, 1680, 855, 255));
    placed(new QLabel(QStringLiteral("Unknown:"), Frame1_), "lblUnknown", twipsRect(120, 1320, 1335, 255));
    placed(new QLabel(QStringLiteral("Mips:"), Frame1_), "lblMips", twipsRect(120, 960, 375, 255));
    lblType_ = placed(new QLabel(QStringLiteral("Type:"), Frame1_), "lblType", twipsRect(120, 720, 855, 255));
    lblHeight_ = placed(new QLabel(QStringLiteral("Height:"), Frame1_), "lblHeight", twipsRect(120, 480, 1335, 255));
    lblWidth_ = placed(new QLabel(QStringLiteral("Width:"), Frame1_), "lblWidth", twipsRect(120, 240, 1215, 255));
    // The design gives "Mips:" 25 pixels and each box 49 for values up to
    // "-2147483648": a narrow face at 9 pixels fits them all, with the boxes'
    // inner margins one pixel smaller.
    QFont panelFont;
    panelFont.setFamilies({QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("Liberation Sans Narrow"),
                           QStringLiteral("Arial Narrow")});
    panelFont.setPixelSize(9);
    Frame1_->setFont(panelFont);
    for (QLineEdit* box : {txtBits_, txtUnknown_, txtMips_})
        box->setTextMargins(-1, 0, -1, 0);

    // A spin for the mip count whose upper arrow counts up, from 0 to 10.
    // A vertical bar's upper arrow always lowers its value, so the bar holds
    // the negated count: arrows, keys, wheel and thumb then all agree, with
    // 10 at the top.
    VScroll1_->setRange(-MaxMipSpin, 0);
    VScroll1_->setSingleStep(1);
    VScroll1_->setPageStep(1);
    VScroll1_->setValue(0);
    connect(VScroll1_, &QScrollBar::valueChanged, this, [this](int negated) { VScroll1_Change(-negated); });

    txtHexDump_ = placed(new LineView(hexPage), "txtHexDump", twipsRect(120, 480, 3855, 3855));
    txtHexDump_->setAccessibleName(QStringLiteral("Image Hex Dump"));
    picImage_->setAccessibleName(QStringLiteral("Image View"));
    growing_ = {{SSTab1_, SSTab1_->geometry()},
                {picImage_, picImage_->geometry()},
                {Frame1_, Frame1_->geometry()},
                {txtHexDump_, txtHexDump_->geometry()}};

    // Keyboard focus by tab index: the tab strip, the picture, the hex dump,
    // then the header boxes. Toolbar buttons take no focus, as usual for a
    // toolbar whose commands the menus also offer.
    SSTab1_->setFocusProxy(SSTab1_->tabBar());
    picImage_->setFocusPolicy(Qt::StrongFocus);
    VScroll1_->setFocusPolicy(Qt::StrongFocus);
    setTabOrder(SSTab1_, picImage_);
    setTabOrder(picImage_, txtHexDump_);
    setTabOrder(txtHexDump_, VScroll1_);
    setTabOrder(VScroll1_, txtMips_);
    setTabOrder(txtMips_, txtUnknown_);
    setTabOrder(txtUnknown_, txtBits_);
}

void frmSkelvo::growClient(QSize client)
{
    const QSize extra = (client - QSize(twips(ClientWidth), twips(ClientHeight))).expandedTo(QSize(0, 0));
    for (const auto& [widget, design] : growing_)
        widget->setGeometry(QRect(design.topLeft(), design.size() + extra));
}

void frmSkelvo::restorePlace()
{
    const QRect place = platform_.setting(PlaceKey).toRect();
    if (!place.isValid())
        return;
    // A place on a screen no longer there would hide the window.
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect seen = screen->availableGeometry().intersected(place);
        onScreen = onScreen || (seen.width() >= 64 && seen.height() >= 32);
    }
    if (!onScreen)
        return;
    setGeometry(place);
    if (platform_.setting(MaximizedKey).toBool())
        setWindowState(windowState() | Qt::WindowMaximized);
}

void frmSkelvo::savePlace()
{
    platform_.setSetting(PlaceKey, normalGeometry());
    platform_.setSetting(MaximizedKey, isMaximized());
}

void frmSkelvo::updateTitle()
{
    // "*" while the document differs from its file.
    const QString star = isModified() ? QStringLiteral("*") : QString();
    if (doc_.Facts.FileName.empty())
        setWindowTitle(star + ProgramTitle);
    else
        setWindowTitle(star + shownName(doc_.Facts.FileName) + QStringLiteral(" - ") + ProgramTitle);
}

void frmSkelvo::fileChanged(FileSnapshot&& file)
{
    file_ = std::make_shared<const FileSnapshot>(std::move(file));
    hex_ = HexDump(file_);
    std::size_t widest = 80;
    for (const std::string& line : hex_.headerLines())
        widest = std::max(widest, line.size());
    txtHexDump_->setLines(
        hex_.lineCount(), [this](std::size_t i) { return QString::fromLatin1(hex_.line(i)); }, static_cast<int>(widest));
    mipLevels_ = formatEntry(file_->format).shownLevels(Bytes(file_->bytes.data(), file_->bytes.size()));
    mipLevel_ = 0;
    levelDoc_ = ImageDocument{};
    mnuNextMip_->setEnabled(mipLevels_ > 1);
    mnuPreviousMip_->setEnabled(false);
}

void frmSkelvo::documentChanged()
{
    updateTitle();
    if (info_)
        info_->showFacts(describeImage(doc_, file_.get()));
}

void frmSkelvo::showMipLevel(int level)
{
    if (level < 0 || level >= mipLevels_)
        return;
    if (level > 0) {
        auto read = readTexLevel(Bytes(file_->bytes.data(), file_->bytes.size()), doc_, level);
        if (!read.has_value())
            return platform_.messageBox(this, QString::fromStdString(cannotOpen(doc_.Facts.FileName, read.error().detail)),
                                        MessageStyle::Stop);
        levelDoc_ = std::move(read.value());
    } else {
        levelDoc_ = ImageDocument{};
    }
    mipLevel_ = level;
    // The readout names any level but the image itself.
    picImage_->showLevel(level > 0 ? levelDoc_ : doc_, level > 0 ? QStringLiteral("level %1").arg(level) : QString());
    mnuNextMip_->setEnabled(level + 1 < mipLevels_);
    mnuPreviousMip_->setEnabled(level > 0);
}

void frmSkelvo::mnuNextMip_Click() { showMipLevel(mipLevel_ + 1); }

void frmSkelvo::mnuPreviousMip_Click() { showMipLevel(mipLevel_ - 1); }

void frmSkelvo::showHeader()
{
    lblWidth_->setText(QStringLiteral("Width: %1").arg(doc_.ImageWidth()));
    lblHeight_->setText(QStringLiteral("Height: %1").arg(doc_.ImageHeight()));
    lblType_->setText(QStringLiteral("Type: %1").arg(doc_.Facts.Tex.Type));
    txtMips_->setText(QString::number(doc_.Facts.Tex.MipCount));
    txtUnknown_->setText(QString::number(doc_.Facts.Tex.Unknown));
    txtBits_->setText(QString::number(doc_.Facts.Tex.Bits));
}

void frmSkelvo::mnuNew_Click() { picImage_->clearPicture(); }

void frmSkelvo::mnuOpen_Click()
{
    if (!maybeSaveChanges())
        return;
    const auto choice = platform_.showOpen(this);
    if (!choice)
        return;
    openPath(choice->path, formatForFilter(choice->filterIndex));
}

void frmSkelvo::openNamed(const QString& path)
{
    if (maybeSaveChanges())
        openPath(path, formatForPath(QFile::encodeName(path).toStdString()));
}

void frmSkelvo::openPath(const QString& path, ImageFormat format, bool reload)
{
    // Decoded into a new document first: a file that cannot be read leaves
    // the open document, the header panel and the picture as they were.
    const std::string name = QFile::encodeName(path).toStdString();
    showOpened(path, format, readForWindow(name, format), reload);
}

ReadFile readForWindow(const std::string& path, ImageFormat format)
{
    // Watched from before the read: a change while it is read shows as one
    // at the next activation.
    FileWatch watch;
    watch.watch(path);
    FileSnapshot bytes;
    auto image = openImage(path, format, &bytes);
    return ReadFile{std::move(image), std::move(bytes), std::move(watch)};
}

void frmSkelvo::showOpened(const QString& path, ImageFormat format, ReadFile file, bool reload)
{
    auto& opened = file.image;
    if (!opened.has_value()) {
        if (reload)
            platform_.messageBox(this,
                                 QStringLiteral("%1 changed on disk but could not be read again: %2. The document "
                                                "stays as it was.")
                                     .arg(shown(path), QString::fromStdString(opened.error().detail)),
                                 MessageStyle::Stop);
        else if (opened.error().kind == ErrorKind::UnsupportedTexType)
            platform_.messageBox(this, UnsupportedTexMessage, MessageStyle::Stop, QStringLiteral("Error"));
        else
            platform_.messageBox(this, QString::fromStdString(cannotOpen(opened.error())), MessageStyle::Stop);
        return;
    }
    const bool sameSize = doc_.ImageWidth() == opened->ImageWidth() && doc_.ImageHeight() == opened->ImageHeight();
    carryFromPrevious(*opened, doc_);
    doc_ = std::move(*opened);
    watch_ = std::move(file.watch);
    watchedFormat_ = format;
    history_.clear();
    if (formatEntry(format).texFields)
        showHeader();
    fileChanged(std::move(file.bytes));
    if (reload && sameSize)
        picImage_->drawDocument(doc_);
    else
        picImage_->documentOpened(doc_);
    documentChanged();
    if (!reload)
        recent_.add(path);
    updateTitle();
    updateEditActions();
}

void frmSkelvo::checkFileOnDisk()
{
    if (checkingDisk_ || !watch_.watching())
        return;
    checkingDisk_ = true;
    const QString path = QFile::decodeName(QByteArray::fromStdString(watch_.path()));
    switch (watch_.check()) {
    case DiskChange::Unchanged: break;
    case DiskChange::Vanished:
        platform_.messageBox(this,
                             QStringLiteral("%1 is no longer on disk; the document stays open as it is.").arg(shown(path)),
                             MessageStyle::Information);
        break;
    case DiskChange::Changed:
        if (!isModified()
            || platform_.askYesNo(this, QStringLiteral("%1 changed on disk. Reload it and lose your changes?")
                                            .arg(shown(QFileInfo(path).fileName()))))
            openPath(path, watchedFormat_, true);
        break;
    }
    checkingDisk_ = false;
}

void frmSkelvo::openRecent(QString path)
{
    if (!QFileInfo::exists(path)) {
        platform_.messageBox(this, QStringLiteral("%1 no longer exists; it is taken off the recent files.").arg(shown(path)),
                             MessageStyle::Stop);
        recent_.remove(path);
        return;
    }
    openNamed(path); // which asks about unsaved changes first
}

void frmSkelvo::fileSaved(const QString& path, ImageFormat format)
{
    watch_.watch(QFile::encodeName(path).toStdString());
    watchedFormat_ = format;
    recent_.add(path);
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
    if (mipLevel_ != 0)
        showMipLevel(0);
    FileSnapshot written;
    if (!saveDocument(doc_, platform_, this, HeaderPanelTexts{txtMips_->text(), txtUnknown_->text(), txtBits_->text()},
                      &written))
        return false;
    fileChanged(std::move(written));
    picImage_->drawDocument(doc_);
    documentChanged();
    const FileChoice& saved = platform_.dialogState();
    fileSaved(saved.path, formatForFilter(saved.filterIndex));
    history_.markSaved();
    updateTitle();
    return true;
}

void frmSkelvo::mnuExit_Click()
{
    if (!maybeSaveChanges())
        return;
    savePlace();
    platform_.endProgram();
}

void frmSkelvo::mnuUndo_Click()
{
    if (const auto kind = history_.nextUndo())
        takeStep(*kind, [this] { return history_.undo(doc_); });
}

void frmSkelvo::mnuRedo_Click()
{
    if (const auto kind = history_.nextRedo())
        takeStep(*kind, [this] { return history_.redo(doc_); });
}

bool frmSkelvo::isModified() const { return history_.modified(); }

bool frmSkelvo::maybeSaveChanges()
{
    if (!isModified())
        return true;
    QString name = shownName(doc_.Facts.FileName);
    if (name.isEmpty())
        name = QStringLiteral("the image");
    switch (platform_.askSaveChanges(this, QStringLiteral("Save changes to %1?").arg(name))) {
    case SaveAnswer::Save: return save();
    case SaveAnswer::Discard: return true;
    case SaveAnswer::Cancel: break;
    }
    return false;
}

void frmSkelvo::updateEditActions()
{
    const auto undo = history_.nextUndo(), redo = history_.nextRedo();
    mnuUndo_->setText(undo ? QStringLiteral("&Undo %1").arg(QLatin1String(editName(*undo))) : QStringLiteral("&Undo"));
    mnuRedo_->setText(redo ? QStringLiteral("&Redo %1").arg(QLatin1String(editName(*redo))) : QStringLiteral("&Redo"));
    mnuUndo_->setEnabled(undo.has_value());
    mnuRedo_->setEnabled(redo.has_value());
}

template <class Edit>
void frmSkelvo::takeStep(EditKind kind, Edit edit)
{
    const Result<bool> changed = edit();
    if (!changed)
        platform_.messageBox(this,
                             QStringLiteral("%1: not enough memory for %2 of a %3 x %4 image; it stays as it was.")
                                 .arg(shown(QFile::decodeName(doc_.Facts.FileName.c_str())), QLatin1String(editName(kind)))
                                 .arg(doc_.ImageWidth())
                                 .arg(doc_.ImageHeight()),
                             MessageStyle::Stop);
    if (changed && *changed)
        stepTaken();
    else
        updateEditActions(); // an undo that found the document changed under it drops the history
}

void frmSkelvo::stepTaken()
{
    cmdSave();
    // A quarter turn exchanges the sizes the header panel shows for a TEX
    // file, which a TEX save then writes.
    if (doc_.Facts.Kind && formatEntry(*doc_.Facts.Kind).texFields) {
        lblWidth_->setText(QStringLiteral("Width: %1").arg(doc_.ImageWidth()));
        lblHeight_->setText(QStringLiteral("Height: %1").arg(doc_.ImageHeight()));
    }
    updateTitle();
    updateEditActions();
}

void frmSkelvo::mnuInfo_Click()
{
    if (!info_)
        info_ = new frmImageInfo;
    documentChanged();
    info_->show();
    info_->raise();
    info_->activateWindow();
}

void frmSkelvo::mnuEditPallet_Click()
{
    if (!pallet_) {
        pallet_ = new frmPallet(doc_, history_, platform_, [this] { stepTaken(); });
        pallet_->setWindowIcon(programIcon());
    }
    pallet_->show();
    pallet_->raise();
    pallet_->activateWindow();
}

void frmSkelvo::mnuSwitch_Click()
{
    if (!switcher_) {
        switcher_ = new frmSwitchRGBA(doc_, history_, [this] { stepTaken(); });
        switcher_->setWindowIcon(programIcon());
    }
    switcher_->show();
    switcher_->raise();
    switcher_->activateWindow();
}

void frmSkelvo::mnuFlip_Click()
{
    takeStep(EditKind::Flip, [this] { return history_.flip(doc_); });
}

void frmSkelvo::mnuMirror_Click()
{
    takeStep(EditKind::Mirror, [this] { return history_.mirror(doc_); });
}

void frmSkelvo::mnuRotate_Click()
{
    // Modal to this window: the turn applies to the document it was opened
    // for. Each opening starts from the design's 90 degrees to the right.
    if (!rotator_) {
        rotator_ = new frmRotate(this, [this](int clockwise) { rotateDocument(clockwise); });
        rotator_->setWindowModality(Qt::WindowModal);
    }
    rotator_->show();
    rotator_->raise();
    rotator_->activateWindow();
}

void frmSkelvo::rotateDocument(int clockwise)
{
    takeStep(EditKind::Rotate, [this, clockwise] { return history_.rotate(doc_, clockwise); });
}

void frmSkelvo::mnuOptions_Click() {}

void frmSkelvo::mnuAbout_Click()
{
    platform_.messageBox(this,
                         QStringLiteral("Vellicor Texture Tool " VTT_VERSION " by Robin Vellicor - progress is reported at "
                                        "https://vellicor.example.org/"),
                         MessageStyle::Information, QStringLiteral("About"));
}

void frmSkelvo::Toolbar1_ButtonClick(const QString& key)
{
    if (key == QLatin1String("new"))
        mnuNew_Click();
    else if (key == QLatin1String("open"))
        mnuOpen_Click();
    else if (key == QLatin1String("save"))
        mnuSave_Click();
    else if (key == QLatin1String("flip"))
        mnuFlip_Click();
    else if (key == QLatin1String("mirror"))
        mnuMirror_Click();
    else if (key == QLatin1String("rotate"))
        mnuRotate_Click();
    else if (key == QLatin1String("info"))
        mnuInfo_Click();
}

void frmSkelvo::VScroll1_Change(int value) { txtMips_->setText(QString::number(value)); }

void frmSkelvo::cmdSave()
{
    // Edits apply to level 0, so it is shown again.
    if (mipLevel_ != 0)
        showMipLevel(0);
    picImage_->drawDocument(doc_);
    documentChanged();
}

void frmSkelvo::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile())
        event->acceptProposedAction();
}

void frmSkelvo::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return;
    event->acceptProposedAction();
    openNamed(urls.front().toLocalFile());
}

void frmSkelvo::closeEvent(QCloseEvent* event)
{
    if (!maybeSaveChanges()) {
        event->ignore();
        return;
    }
    // Closing the main window ends the program: the tool windows close with
    // it, and a hidden channel dialog cannot keep it alive.
    if (pallet_)
        pallet_->close();
    if (switcher_)
        switcher_->close();
    if (info_)
        info_->close();
    savePlace();
    event->accept();
    QCoreApplication::quit();
}

} // namespace vtt
