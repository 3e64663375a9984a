#include "shell/WindowLayout.h"

#include "view/PictureArea.h"
#include "widgets/LineView.h"
#include "widgets/TabControl.h"
#include "widgets/Twips.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QToolBar>

#include <utility>
#include <vector>

namespace vtt {

namespace {

// Client area, below the menu bar.
constexpr int ClientWidth = 4125;
constexpr int ClientHeight = 4875;
constexpr int MaxMipSpin = 10;

// The client area asks for its design size, so the window opens with
// exactly that much room below the menu bar; it never gets smaller, and
// what it has beyond that goes to the controls that grow.
class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget* parent) : QWidget(parent) { setMinimumSize(sizeHint()); }
    QSize sizeHint() const override { return {twips(ClientWidth), twips(ClientHeight)}; }

    // Each growing control with its design geometry.
    std::vector<std::pair<QWidget*, QRect>> growing;

protected:
    void resizeEvent(QResizeEvent*) override
    {
        const QSize extra = (size() - sizeHint()).expandedTo(QSize(0, 0));
        for (const auto& [widget, design] : growing)
            widget->setGeometry(QRect(design.topLeft(), design.size() + extra));
    }
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


MainControls buildClientArea(QMainWindow* window)
{
    auto* client = new ClientArea(window);
    client->setObjectName(QStringLiteral("client"));
    window->setCentralWidget(client);
    MainControls c;

    c.SSTab1 = placed(new TabControl(client), "SSTab1", twipsRect(0, 360, ClientWidth, 4515));
    QWidget* viewPage = c.SSTab1->addPage(QStringLiteral("Image View"));
    QWidget* dataPage = c.SSTab1->addPage(QStringLiteral("Image Data"));
    QWidget* hexPage = c.SSTab1->addPage(QStringLiteral("Image Hex Dump"));
    c.SSTab1->setCurrentIndex(0);
    // One row of three tabs within the design width: narrow side margins
    // let the three captions fit with the usual fonts, no scroll arrows
    // appear, and a caption that still does not fit loses its end.
    c.SSTab1->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 4px; }"));
    c.SSTab1->tabBar()->setUsesScrollButtons(false);
    c.SSTab1->tabBar()->setElideMode(Qt::ElideRight);

    c.picImage = placed(new PictureArea(viewPage), "picImage", twipsRect(120, 480, 3845, 3845));

    c.Frame1 = placed(new QGroupBox(QStringLiteral("Image Data:"), dataPage), "Frame1", twipsRect(120, 360, 3855, 3975));
    c.txtBits = placed(new QLineEdit(QString(), c.Frame1), "txtBits", twipsRect(960, 1680, 735, 285));
    c.txtUnknown = placed(new QLineEdit(QStringLiteral("0"), c.Frame1), "txtUnknown", twipsRect(960, 1320, 735, 285));
    c.txtMips = placed(new QLineEdit(QStringLiteral("1"), c.Frame1), "txtMips", twipsRect(960, 960, 735, 285));
    c.VScroll1 = placed(new QScrollBar(Qt::Vertical, c.Frame1), "VScroll1", twipsRect(1680, 960, 255, 255));
    placed(new QLabel(QStringLiteral("Bits:"), c.Frame1), "lblBits", twipsRect(120, 1680, 855, 255));
    placed(new QLabel(QStringLiteral("Unknown:"), c.Frame1), "lblUnknown", twipsRect(120, 1320, 1335, 255));
    placed(new QLabel(QStringLiteral("Mips:"), c.Frame1), "lblMips", twipsRect(120, 960, 375, 255));
    c.lblType = placed(new QLabel(QStringLiteral("Type:"), c.Frame1), "lblType", twipsRect(120, 720, 855, 255));
    c.lblHeight = placed(new QLabel(QStringLiteral("Height:"), c.Frame1), "lblHeight", twipsRect(120, 480, 1335, 255));
    c.lblWidth = placed(new QLabel(QStringLiteral("Width:"), c.Frame1), "lblWidth", twipsRect(120, 240, 1215, 255));
    // The design gives "Mips:" 25 pixels and each box 49 for values up to
    // "-2147483648": a narrow face at 9 pixels fits them all, with the boxes'
    // inner margins one pixel smaller.
    QFont panelFont;
    panelFont.setFamilies({QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("Liberation Sans Narrow"),
                           QStringLiteral("Arial Narrow")});
    panelFont.setPixelSize(9);
    c.Frame1->setFont(panelFont);
    for (QLineEdit* box : {c.txtBits, c.txtUnknown, c.txtMips})
        box->setTextMargins(-1, 0, -1, 0);

    // A spin for the mip count whose upper arrow counts up, from 0 to 10.
    // A vertical bar's upper arrow always lowers its value, so the bar holds
    // the negated count: arrows, keys, wheel and thumb then all agree, with
    // 10 at the top.
    c.VScroll1->setRange(-MaxMipSpin, 0);
    c.VScroll1->setSingleStep(1);
    c.VScroll1->setPageStep(1);
    c.VScroll1->setValue(0);

    c.txtHexDump = placed(new LineView(hexPage), "txtHexDump", twipsRect(120, 480, 3855, 3855));
    c.txtHexDump->setAccessibleName(QStringLiteral("Image Hex Dump"));
    c.picImage->setAccessibleName(QStringLiteral("Image View"));
    client->growing = {{c.SSTab1, c.SSTab1->geometry()},
                {c.picImage, c.picImage->geometry()},
                {c.Frame1, c.Frame1->geometry()},
                {c.txtHexDump, c.txtHexDump->geometry()}};

    // Keyboard focus by tab index: the tab strip, the picture, the hex dump,
    // then the header boxes. Toolbar buttons take no focus, as usual for a
    // toolbar whose commands the menus also offer.
    c.SSTab1->setFocusProxy(c.SSTab1->tabBar());
    c.picImage->setFocusPolicy(Qt::StrongFocus);
    c.VScroll1->setFocusPolicy(Qt::StrongFocus);
    QWidget::setTabOrder(c.SSTab1, c.picImage);
    QWidget::setTabOrder(c.picImage, c.txtHexDump);
    QWidget::setTabOrder(c.txtHexDump, c.VScroll1);
    QWidget::setTabOrder(c.VScroll1, c.txtMips);
    QWidget::setTabOrder(c.txtMips, c.txtUnknown);
    QWidget::setTabOrder(c.txtUnknown, c.txtBits);

    c.Toolbar1 = placed(new QToolBar(client), "Toolbar1", twipsRect(0, 0, ClientWidth, 360));
    c.Toolbar1->setMovable(false);
    c.Toolbar1->setFloatable(false);
    c.Toolbar1->setIconSize(QSize(16, 16));
    c.Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return c;
}

void restorePlace(QMainWindow* window, Platform& platform)
{
    const QRect place = platform.setting(PlaceKey).toRect();
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
    window->setGeometry(place);
    if (platform.setting(MaximizedKey).toBool())
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void openAtWorkingSize(QMainWindow* window, Platform& platform)
{
    if (platform.setting(PlaceKey).toRect().isValid())
        return;
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The frame's own size: the room the screen has for the window inside it.
    const QRect room = screen->availableGeometry();
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    const QSize most = room.size() - frame;
    const QSize wanted = (room.size() * 2 / 3).expandedTo(QSize(1024, 768)).boundedTo(most);
    const QSize size = wanted.expandedTo(window->minimumSizeHint());
    window->resize(size);
    window->move(room.topLeft() + QPoint((room.width() - size.width()) / 2, (room.height() - size.height()) / 2));
}

void savePlace(QMainWindow* window, Platform& platform)
{
    platform.setSetting(PlaceKey, window->normalGeometry());
    platform.setSetting(MaximizedKey, window->isMaximized());
}

} // namespace vtt
