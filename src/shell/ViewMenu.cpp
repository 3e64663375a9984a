#include "shell/frmSkelvo.h"

#include "view/PictureArea.h"

#include <QActionGroup>
#include <QMenuBar>
#include <QShortcut>

namespace vtt {

namespace {

struct ChannelItem {
    const char* name;
    const char* caption;
    Qt::Key key;
    ChannelMode mode;
};
constexpr ChannelItem ChannelItems[] = {
    {"mnuColour", "&Colour", Qt::Key_C, ChannelMode::Colour},
    {"mnuCheckerboard", "Colour over C&heckerboard", Qt::Key_K, ChannelMode::Checkerboard},
    {"mnuRed", "&Red", Qt::Key_R, ChannelMode::Red},
    {"mnuGreen", "&Green", Qt::Key_G, ChannelMode::Green},
    {"mnuBlue", "&Blue", Qt::Key_B, ChannelMode::Blue},
    {"mnuAlpha", "A&lpha", Qt::Key_A, ChannelMode::Alpha},
};

} // namespace

// The View menu, after File: zoom, the channel shown and the mip level.
// Its keys are plain keys, so they work only while the picture has the
// focus: typing in the header boxes never triggers them.
void frmSkelvo::buildViewMenu()
{
    auto* menu = new QMenu(QStringLiteral("&View"), this);
    menu->setObjectName(QStringLiteral("mnuView"));
    QMenu* image = findChild<QMenu*>(QStringLiteral("mnuImage"));
    menuBar()->insertMenu(image ? image->menuAction() : nullptr, menu);

    // The keys belong to the picture alone, not to the menu items: an item's
    // own shortcut would also fire while the menu bar has the keyboard (R in
    // an open Tools menu would switch to the red channel). The menu shows
    // them after a tab.
    const auto add = [&](const char* name, const char* caption, QList<QKeySequence> keys, auto handler) {
        QAction* action =
            menu->addAction(QString::fromLatin1(caption) + QLatin1Char('\t') + keys.first().toString(QKeySequence::NativeText));
        action->setObjectName(QString::fromLatin1(name));
        auto* shortcut = new QShortcut(picImage_);
        shortcut->setKeys(keys);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, action, &QAction::trigger);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    add("mnuZoomIn", "Zoom &In", {Qt::Key_Plus, Qt::Key_Equal}, [this] { picImage_->zoomIn(); });
    add("mnuZoomOut", "Zoom &Out", {Qt::Key_Minus}, [this] { picImage_->zoomOut(); });
    add("mnuFit", "&Fit", {Qt::Key_F}, [this] { picImage_->fitToArea(); });
    add("mnuActualSize", "&Actual Size", {Qt::Key_1}, [this] { picImage_->actualSize(); });
    menu->addSeparator()->setObjectName(QStringLiteral("mnuViewLine"));

    auto* channels = new QActionGroup(menu);
    for (const ChannelItem& item : ChannelItems) {
        const ChannelMode mode = item.mode;
        QAction* action =
            add(item.name, item.caption, {item.key}, [this, mode] { picImage_->setChannelMode(mode); });
        action->setCheckable(true);
        action->setChecked(mode == picImage_->channelMode());
        channels->addAction(action);
    }
    menu->addSeparator()->setObjectName(QStringLiteral("mnuViewLine2"));

    mnuNextMip_ = add("mnuNextMip", "&Next Mip Level", {Qt::Key_PageDown}, &frmSkelvo::mnuNextMip_Click);
    mnuPreviousMip_ =
        add("mnuPreviousMip", "&Previous Mip Level", {Qt::Key_PageUp}, &frmSkelvo::mnuPreviousMip_Click);
    mnuNextMip_->setEnabled(false);
    mnuPreviousMip_->setEnabled(false);
}

} // namespace vtt
