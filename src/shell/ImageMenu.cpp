#include "shell/ImageMenu.h"

#include "files/DocumentSession.h"
#include "operations/ModeChange.h"
#include "operations/ScaleImage.h"
#include "platform/Platform.h"
#include "shell/FileMessages.h"
#include "shell/ModeDialogs.h"
#include "shell/WindowCommands.h"
#include "shell/frmOptions.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace vtt {

namespace {

struct ModeItem {
    ColourMode mode;
    const char* name;
    const char* caption;
};
constexpr ModeItem Modes[] = {
    {ColourMode::Indexed256, "mnuModeIndexed256", "Indexed (&256 colours)"},
    {ColourMode::Indexed16, "mnuModeIndexed16", "Indexed (1&6 colours)"},
    {ColourMode::Rgb, "mnuModeRgb", "&RGB"},
    {ColourMode::Rgba, "mnuModeRgba", "RGB&A"},
};

struct TypeItem {
    int type;
    const char* caption;
};
// Each type's digit is its access key.
constexpr TypeItem Types[] = {
    {1, "Type &1: indexed, 256 colours"},
    {14, "Type 1&4: indexed, 256 colours"},
    {15, "Type 1&5: indexed, 16 colours"},
    {17, "Type 1&7: RGB"},
    {18, "Type 1&8: RGBA"},
};

// A submenu of checkable items, one checked at a time.
QMenu* checkMenu(QMenu* parent, const char* name, const QString& caption)
{
    auto* menu = parent->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    guardMenuKeys(menu);
    new QActionGroup(menu);
    return menu;
}

QAction* checkItem(QMenu* menu, const char* name, const QString& caption, int value)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(true);
    action->setData(value);
    menu->findChild<QActionGroup*>()->addAction(action);
    return action;
}

void checkValue(QMenu* menu, int value)
{
    for (QAction* action : menu->actions())
        action->setChecked(action->data().toInt() == value);
}

} // namespace

ImageCommands::ImageCommands(QMainWindow* window, DocumentSession& session, Platform& platform)
    : QObject(window), window_(window), session_(session), platform_(platform)
{
    QMenu* image = window->menuBar()->findChild<QMenu*>(QStringLiteral("mnuImage"));
    image->addSeparator()->setObjectName(QStringLiteral("mnuImageLine"));

    modeMenu_ = checkMenu(image, "mnuMode", QStringLiteral("&Mode"));
    for (const ModeItem& m : Modes) {
        QAction* action = checkItem(modeMenu_, m.name, QString::fromLatin1(m.caption), int(m.mode));
        connect(action, &QAction::triggered, this, [this, mode = m.mode] { chooseMode(mode); });
    }

    typeMenu_ = checkMenu(image, "mnuTexType", QStringLiteral("&TEX Type"));
    for (const TypeItem& t : Types) {
        const QByteArray name = "mnuTexType" + QByteArray::number(t.type);
        QAction* action = checkItem(typeMenu_, name.constData(), QString::fromLatin1(t.caption), t.type);
        connect(action, &QAction::triggered, this, [this, type = t.type] { chooseType(type); });
    }

    scale_ = image->addAction(QStringLiteral("&Scale Image..."));
    scale_->setObjectName(QStringLiteral("mnuScale"));
    connect(scale_, &QAction::triggered, this, &ImageCommands::scale);

    applyOptions(session_, loadOptions(platform_));
    // The window owns both the session and this; neither outlives the other
    // in use, so the listener is never removed.
    session_.history().listen([this](bool) { refresh(); });
    refresh();
}

void ImageCommands::refresh()
{
    const ImageDocument& doc = session_.document();
    const bool any = !doc.empty();
    for (QAction* action : {modeMenu_->menuAction(), typeMenu_->menuAction(), scale_})
        action->setEnabled(any);
    checkValue(modeMenu_, any ? int(modeOf(doc)) : -1);
    checkValue(typeMenu_, any ? int(fittingTexType(doc)) : -1);
}

std::optional<quantize::Options> ImageCommands::askFor(ColourMode mode)
{
    const ImageDocument& doc = session_.document();
    if (mode == ColourMode::Indexed256 || mode == ColourMode::Indexed16) {
        const bool sixteen = mode == ColourMode::Indexed16;
        frmIndexed dialog(sixteen ? QStringLiteral("Indexed (16 colours)") : QStringLiteral("Indexed (256 colours)"),
                          sixteen ? quantize::SixteenColours : PaletteEntries, loadOptions(platform_).dither,
                          window_);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        storeDither(platform_, dialog.chosen().dither);
        return dialog.chosen();
    }
    if (mode == ColourMode::Rgb && modeOf(doc) != ColourMode::Rgb && losesAlpha(doc)
        && !askDropAlpha(platform_, window_, doc))
        return std::nullopt;
    return quantize::Options{};
}

void ImageCommands::chooseMode(ColourMode mode)
{
    // The group checked the item; the document says what is checked.
    refresh();
    const ImageDocument& doc = session_.document();
    // An indexed image may be reduced again to fewer colours; RGB and RGBA
    // have nothing to redo.
    const bool indexed = mode == ColourMode::Indexed256 || mode == ColourMode::Indexed16;
    if (doc.empty() || (modeOf(doc) == mode && !indexed))
        return;
    const auto options = askFor(mode);
    if (!options)
        return;
    if (auto done = session_.edit(std::make_unique<ModeCommand>(mode, *options)); !done)
        reportEditFailure(platform_, window_, session_.document(), "Mode", done.error());
}

void ImageCommands::chooseType(int type)
{
    refresh();
    const ImageDocument& doc = session_.document();
    if (doc.empty() || fittingTexType(doc) == type)
        return;
    const ColourMode mode = modeForTexType(type);
    const auto options = modeOf(doc) == mode ? std::optional(quantize::Options{}) : askFor(mode);
    if (!options)
        return;
    if (auto done = session_.chooseTexType(type, *options); !done)
        reportEditFailure(platform_, window_, session_.document(), "TEX Type", done.error());
}

void ImageCommands::scale()
{
    const ImageDocument& doc = session_.document();
    if (doc.empty())
        return;
    frmScaleImage dialog(doc.ImageWidth(), doc.ImageHeight(), doc.isPaletted(), window_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const auto c = dialog.chosen();
    if (!c)
        return;
    if (auto done = session_.edit(std::make_unique<ScaleCommand>(c->width, c->height, c->filter)); !done)
        reportEditFailure(platform_, window_, session_.document(), "Scale Image", done.error());
}

} // namespace vtt
