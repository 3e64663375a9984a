#include "document/ImageDocument.h"
#include "shell/frmSwitchRGBA.h"
#include "palette/frmPallet.h"
#include "shell/Pictures.h"
#include "widgets/TabControl.h"
#include "widgets/Twips.h"
#include "shell/frmImageInfo.h"
#include "shell/frmOptions.h"
#include "shell/frmRotate.h"
#include "shell/frmSkelvo.h"
#include "support/ShownTitle.h"
#include "support/ScriptedPlatform.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include "widgets/LineView.h"
#include <QPointer>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QToolBar>
#include <QtTest>

#include <map>
#include <set>

using namespace vtt;
using namespace vtt::testing;

namespace {

// One control of a window's design. Container: "window" for the client
// area, "tab0".."tab2" for the pages of SSTab1, or a frame's name. A null
// text means the control shows none.
struct Control {
    const char* window;
    const char* name;
    const char* container;
    const char* text;
    int left, top, width, height; // twips
};

const Control Design[] = {
    {"frmSkelvo", "Toolbar1", "window", nullptr, 0, 0, 4125, 360},
    {"frmSkelvo", "SSTab1", "window", nullptr, 0, 360, 4125, 4515},
    {"frmSkelvo", "Frame1", "tab1", "Image Data:", 120, 360, 3855, 3975},
    {"frmSkelvo", "txtBits", "Frame1", "", 960, 1680, 735, 285},
    {"frmSkelvo", "txtUnknown", "Frame1", "0", 960, 1320, 735, 285},
    {"frmSkelvo", "txtMips", "Frame1", "1", 960, 960, 735, 285},
    {"frmSkelvo", "VScroll1", "Frame1", nullptr, 1680, 960, 255, 255},
    {"frmSkelvo", "lblBits", "Frame1", "Bits:", 120, 1680, 855, 255},
    {"frmSkelvo", "lblUnknown", "Frame1", "Unknown:", 120, 1320, 1335, 255},
    {"frmSkelvo", "lblMips", "Frame1", "Mips:", 120, 960, 375, 255},
    {"frmSkelvo", "lblType", "Frame1", "Type:", 120, 720, 855, 255},
    {"frmSkelvo", "lblHeight", "Frame1", "Height:", 120, 480, 1335, 255},
    {"frmSkelvo", "lblWidth", "Frame1", "Width:", 120, 240, 1215, 255},
    {"frmSkelvo", "txtHexDump", "tab2", "", 120, 480, 3855, 3855},
    {"frmSkelvo", "picImage", "tab0", nullptr, 120, 480, 3845, 3845},

    {"frmPallet", "cmdOK", "window", "OK", 4080, 120, 975, 375},
    {"frmPallet", "cmdCancel", "window", "Cancel", 4080, 480, 975, 375},
    {"frmPallet", "cmdLoad", "window", "Load", 4080, 960, 975, 375},
    {"frmPallet", "cmdSave", "window", "Save", 4080, 1320, 975, 375},
    // the 256 swatches follow as rows of their own

    {"frmSwitchRGBA", "cmdSwitch_0", "window", "Red", 120, 120, 975, 495},
    {"frmSwitchRGBA", "Label1", "window", ">", 1200, 240, 135, 255},
    {"frmSwitchRGBA", "cmdSwitch_1", "window", "Red", 1440, 120, 975, 495},
    {"frmSwitchRGBA", "cmdSwitch_2", "window", "Green", 120, 720, 975, 495},
    {"frmSwitchRGBA", "Label2", "window", ">", 1200, 840, 135, 255},
    {"frmSwitchRGBA", "cmdSwitch_3", "window", "Green", 1440, 720, 975, 495},
    {"frmSwitchRGBA", "cmdSwitch_4", "window", "Blue", 120, 1320, 975, 495},
    {"frmSwitchRGBA", "Label3", "window", ">", 1200, 1440, 135, 255},
    {"frmSwitchRGBA", "cmdSwitch_5", "window", "Blue", 1440, 1320, 975, 495},
    {"frmSwitchRGBA", "cmdSwitch_6", "window", "Alpha", 120, 1920, 975, 495},
    {"frmSwitchRGBA", "Label4", "window", ">", 1200, 2040, 135, 255},
    {"frmSwitchRGBA", "cmdSwitch_7", "window", "Alpha", 1440, 1920, 975, 495},
    {"frmSwitchRGBA", "cmdOK", "window", "OK", 120, 2640, 855, 375},
    {"frmSwitchRGBA", "cmdCancel", "window", "Cancel", 1560, 2640, 855, 375},
    {"frmSwitchRGBA", "Line1", "window", nullptr, 120, 2520, 2280, 15},

    {"frmRotate", "cmdCancel", "window", "Cancel", 4440, 600, 1215, 375},
    {"frmRotate", "cmdOK", "window", "OK", 4440, 120, 1215, 375},
    {"frmRotate", "Frame2", "window", "Degrees", 1440, 0, 2895, 1095},
    {"frmRotate", "opt270", "Frame2", "&270", 1920, 240, 615, 255},
    {"frmRotate", "opt180", "Frame2", "&180", 960, 240, 615, 255},
    {"frmRotate", "opt90", "Frame2", "&90", 120, 240, 495, 255},
    {"frmRotate", "Label1", "Frame2", "Select how many degrees to rotate the image.", 120, 480, 2655, 495},
    {"frmRotate", "Frame1", "window", "Direction", 0, 0, 1335, 1095},
    {"frmRotate", "opyLeft", "Frame1", "&Left", 120, 720, 735, 255},
    {"frmRotate", "optRight", "Frame1", "&Right", 120, 360, 735, 255},
    {"frmOptions", "lblMipFilter", "window", "&Mip levels:", 120, 150, 1620, 255},
    {"frmOptions", "cboMipFilter", "window", nullptr, 1800, 120, 2760, 315},
    {"frmOptions", "lblDither", "window", "&Dithering:", 120, 570, 1620, 255},
    {"frmOptions", "cboDither", "window", nullptr, 1800, 540, 2760, 315},
    {"frmOptions", "lblUndoMemory", "window", "&Undo memory:", 120, 990, 1620, 255},
    {"frmOptions", "spnUndoMemory", "window", nullptr, 1800, 960, 1335, 315},
    {"frmOptions", "lblOptionsNote", "window", nullptr, 120, 1440, 4440, 1080},
    {"frmOptions", "cmdOK", "window", "OK", 1920, 2640, 1215, 375},
    {"frmOptions", "cmdCancel", "window", "Cancel", 3300, 2640, 1215, 375},
};

struct Window {
    const char* name;
    const char* title;
    int clientWidth, clientHeight; // twips
    bool resizable, minimize, maximize;
    const char* icon;
    QStringList focusOrder; // tab stops, by tab index
};

const Window Windows[] = {
    {"frmSkelvo", "Vellicor Texture Tool", 4125, 4875, true, true, true, ":/icons/vellicor-texture-tool.png",
     {"SSTab1", "picImage", "txtHexDump", "VScroll1", "txtMips", "txtUnknown", "txtBits"}},
    {"frmPallet", "Pallet", 5175, 4095, true, true, true, ":/icons/vellicor-texture-tool.png",
     {"cmdSave", "cmdLoad", "cmdOK", "cmdCancel"}},
    {"frmSwitchRGBA", "Switch RGBA Channel", 2535, 3135, false, false, false, ":/icons/vellicor-texture-tool.png",
     {"cmdSwitch_0", "cmdSwitch_1", "cmdSwitch_2", "cmdSwitch_3", "cmdSwitch_4", "cmdSwitch_5", "cmdSwitch_6",
      "cmdSwitch_7", "cmdOK", "cmdCancel"}},
    // In an option group only the selected button is a stop: Right and 90.
    {"frmRotate", "Rotate", 5700, 1095, false, false, false, ":/icons/rotate.png",
     {"optRight", "cmdOK", "cmdCancel", "opt90"}},
    {"frmOptions", "Options", 4680, 3195, true, true, true, ":/icons/vellicor-texture-tool.png",
     {"cboMipFilter", "cboDither", "spnUndoMemory", "cmdOK", "cmdCancel"}},
    {"frmImageInfo", "Image Information", 4680, 3195, true, true, true, ":/icons/vellicor-texture-tool.png", {}},
};

QString shownText(QWidget* w)
{
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* lines = qobject_cast<LineView*>(w))
        return lines->lineCount() == 0 ? QString() : QStringLiteral("<lines>");
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(w))
        return frame->title();
    return QStringLiteral("<no text>");
}

QImage pixelsOf(const QIcon& icon, int size) { return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32); }

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

    ImageDocument doc;
    ScriptedPlatform platform;
    std::unique_ptr<frmSkelvo> main;
    QPointer<frmRotate> rotate;
    QPointer<frmOptions> options;
    QPointer<frmImageInfo> info;
    std::map<QString, QWidget*> windows;

    frmSkelvo* skelvo() const { return main.get(); }
    TabControl* tabs() const { return main->findChild<TabControl*>(QStringLiteral("SSTab1")); }

    // The widget whose inside is the design's origin for `container`.
    QWidget* containerOf(QWidget* window, const QString& container) const
    {
        if (container == QLatin1String("window"))
            return window == main.get() ? main->centralWidget() : window;
        if (container.startsWith(QLatin1String("tab")))
            return tabs()->page(container.mid(3).toInt());
        return window->findChild<QWidget*>(container);
    }

    static void controlRow(const Control& c)
    {
        QTest::newRow(qPrintable(QStringLiteral("%1.%2").arg(QLatin1String(c.window), QLatin1String(c.name))))
            << QString::fromLatin1(c.window) << QString::fromLatin1(c.name) << QString::fromLatin1(c.container)
            << (c.text != nullptr) << QString::fromUtf8(c.text ? c.text : "")
            << twipsRect(c.left, c.top, c.width, c.height);
    }

private slots:
    void initTestCase()
    {
        main = std::make_unique<frmSkelvo>(doc, platform);
        main->show();
        main->mnuEditPallet_Click();
        main->mnuSwitch_Click();
        rotate = new frmRotate;
        options = new frmOptions(platform);
        info = new frmImageInfo;
        for (QWidget* w : {static_cast<QWidget*>(rotate.data()), static_cast<QWidget*>(options.data()),
                           static_cast<QWidget*>(info.data())})
            w->show();
        windows = {{"frmSkelvo", main.get()},       {"frmPallet", main->palletWindow()},
                   {"frmSwitchRGBA", main->switchWindow()}, {"frmRotate", rotate.data()},
                   {"frmOptions", options.data()},  {"frmImageInfo", info.data()}};
        for (const auto& [name, w] : windows)
            QVERIFY2(QTest::qWaitForWindowExposed(w), qPrintable(name));
    }

    void cleanupTestCase()
    {
        delete rotate;
        delete options;
        delete info;
        main.reset();
    }

    void windowFrames_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(Windows)); ++i)
            QTest::newRow(Windows[i].name) << i;
    }

    void windowFrames()
    {
        QFETCH(int, row);
        const Window& want = Windows[row];
        QWidget* w = windows.at(QString::fromLatin1(want.name));
        QCOMPARE(w->objectName(), QString::fromLatin1(want.name));
        QCOMPARE(shownTitle(w), QString::fromLatin1(want.title));
        QWidget* client = w == main.get() ? main->centralWidget() : w;
        QCOMPARE(client->size(), QSize(twips(want.clientWidth), twips(want.clientHeight)));
        QCOMPARE(w->minimumSize() != w->maximumSize(), want.resizable);
        QCOMPARE(w->windowFlags().testFlag(Qt::WindowMinimizeButtonHint), want.minimize);
        QCOMPARE(w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint), want.maximize);
        const QImage icon(QString::fromLatin1(want.icon));
        QVERIFY(!icon.isNull());
        // Both through the same icon machinery, which may rescale.
        QCOMPARE(pixelsOf(w->windowIcon(), icon.width()), pixelsOf(QIcon(QString::fromLatin1(want.icon)), icon.width()));
        if (w == rotate.data())
            QCOMPARE(icon.size(), QSize(16, 16));
        else
            QCOMPARE(icon.size(), QSize(32, 32));
    }

    void controls_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<bool>("hasText");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("geometry");
        for (const Control& c : Design)
            controlRow(c);
        for (int k = 0; k < 256; ++k) {
            const QByteArray name = "lblPallet_" + QByteArray::number(k);
            controlRow({"frmPallet", name.constData(), "window", nullptr, 120 + 240 * (k % 16), 120 + 240 * (k / 16),
                        255, 255});
        }
    }

    // Each control found by name, in its container, at its place, with its
    // initial text.
    void controls()
    {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(bool, hasText);
        QFETCH(QString, text);
        QFETCH(QRect, geometry);
        QWidget* w = windows.at(window);
        const QList<QWidget*> found = w->findChildren<QWidget*>(name);
        QCOMPARE(found.size(), 1);
        QWidget* control = found.front();
        QCOMPARE(control->parentWidget(), containerOf(w, container));
        QCOMPARE(control->geometry(), geometry);
        if (hasText)
            QCOMPARE(shownText(control), text);
        QVERIFY(control->isEnabled());
    }

    // Windows have no controls beyond the design (the empty windows none).
    void nothingBeyondTheDesign_data() { windowFrames_data(); }

    void nothingBeyondTheDesign()
    {
        QFETCH(int, row);
        const QString window = QString::fromLatin1(Windows[row].name);
        std::set<QString> designed;
        for (const Control& c : Design)
            if (window == QLatin1String(c.window))
                designed.insert(QString::fromLatin1(c.name));
        for (int k = 0; window == QLatin1String("frmPallet") && k < 256; ++k)
            designed.insert(QStringLiteral("lblPallet_%1").arg(k));
        if (window == QLatin1String("frmPallet")) // shown only for an image without a palette
            designed.insert(QStringLiteral("lblNoPallet"));
        QWidget* w = windows.at(window);
        QWidget* client = w == main.get() ? main->centralWidget() : w;
        std::set<QString> direct;
        for (QWidget* child : client->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            direct.insert(child->objectName());
        for (const QString& name : direct)
            QVERIFY2(designed.count(name), qPrintable(name));
    }

    void focusOrder_data() { windowFrames_data(); }

    // The keyboard stops follow the tab index, as one cycle.
    void focusOrder()
    {
        QFETCH(int, row);
        const Window& want = Windows[row];
        QWidget* w = windows.at(QString::fromLatin1(want.name));
        std::set<QString> designed;
        for (const Control& c : Design)
            if (QLatin1String(want.name) == QLatin1String(c.window))
                designed.insert(QString::fromLatin1(c.name));
        // A focusable part (the tab strip of SSTab1, say) counts as its
        // nearest designed ancestor.
        auto designName = [&](QWidget* widget) {
            for (QWidget* p = widget; p && p != w; p = p->parentWidget())
                if (designed.count(p->objectName()))
                    return p->objectName();
            return QStringLiteral("<%1>").arg(QLatin1String(widget->metaObject()->className()));
        };
        QStringList stops;
        for (QWidget* next = w->nextInFocusChain(); next != w; next = next->nextInFocusChain()) {
            if ((next->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || next->isWindow())
                continue;
            const QString name = designName(next);
            if (stops.isEmpty() || stops.back() != name)
                stops << name;
        }
        if (!want.focusOrder.isEmpty()) {
            const qsizetype first = stops.indexOf(want.focusOrder.front());
            QVERIFY2(first >= 0, qPrintable(stops.join(QLatin1Char(' '))));
            stops = stops.mid(first) + stops.mid(0, first);
        }
        QCOMPARE(stops, want.focusOrder);
    }

    void tabsAsDesigned()
    {
        TabControl* t = tabs();
        QCOMPARE(t->count(), 3);
        QCOMPARE(t->tabBar()->tabText(0), QStringLiteral("Image View"));
        QCOMPARE(t->tabBar()->tabText(1), QStringLiteral("Image Data"));
        QCOMPARE(t->tabBar()->tabText(2), QStringLiteral("Image Hex Dump"));
        QCOMPARE(t->currentIndex(), 0);
        QVERIFY(t->page(0)->isVisible() && !t->page(1)->isVisible() && !t->page(2)->isVisible());
        auto* hex = main->findChild<LineView*>(QStringLiteral("txtHexDump"));
        QCOMPARE(hex->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void toolbarAsDesigned()
    {
        auto* bar = main->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
        QStringList keys, tips;
        for (QAction* a : bar->actions()) {
            keys << a->data().toString();
            tips << a->toolTip();
            QCOMPARE(bar->widgetForAction(a)->accessibleName(), a->toolTip()); // what a screen reader says
            // The button is the menu item's own action, shown by its picture.
            const QString key = a->data().toString();
            QCOMPARE(a, main->menuAction("mnu" + key.left(1).toUpper() + key.mid(1)));
            QVERIFY(a->icon().availableSizes().contains(QSize(16, 16)));
        }
        QCOMPARE(keys, (QStringList{"new", "open", "save", "flip", "mirror", "rotate", "info"}));
        QCOMPARE(tips, (QStringList{"New", "Open", "Save", "Flip", "Mirror", "Rotate", "Image Information"}));
        QCOMPARE(bar->iconSize(), QSize(16, 16));
        QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }

    // Pure green in a picture is transparent; every other colour shows.
    void imageListMasksPureGreen()
    {
        const ImageList list;
        QCOMPARE(list.count(), 8);
        const char* files[] = {"new", "open", "save", "flip", "mirror", "rotate", "paintpot", "info"};
        for (int i = 0; i < 8; ++i) {
            const QImage source = QImage(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(files[i])))
                                      .convertToFormat(QImage::Format_RGB32);
            const QImage shown = list.picture(static_cast<ToolbarPicture>(i)).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(shown.size(), QSize(16, 16));
            int clear = 0, solid = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const bool green = (source.pixel(x, y) & 0xFFFFFF) == 0x00FF00;
                    QCOMPARE(qAlpha(shown.pixel(x, y)) == 0, green);
                    if (!green)
                        QCOMPARE(shown.pixel(x, y) & 0xFFFFFF, source.pixel(x, y) & 0xFFFFFF);
                    (green ? clear : solid)++;
                }
            QVERIFY2(clear > 0 && solid > 0, files[i]);
        }
    }

    // Each frame is its own option group.
    void rotateOptionGroups()
    {
        frmRotate dialog;
        auto option = [&](const char* n) { return dialog.findChild<QRadioButton*>(QLatin1String(n)); };
        QVERIFY(option("opt90")->isChecked() && option("optRight")->isChecked());
        QVERIFY(!option("opt180")->isChecked() && !option("opt270")->isChecked() && !option("opyLeft")->isChecked());
        option("opt180")->click();
        QVERIFY(option("opt180")->isChecked() && !option("opt90")->isChecked() && option("optRight")->isChecked());
        option("opyLeft")->click();
        QVERIFY(option("opyLeft")->isChecked() && !option("optRight")->isChecked() && option("opt180")->isChecked());
        // the selection moves the keyboard stop with it
        QVERIFY(option("opyLeft")->focusPolicy() & Qt::TabFocus);
        QVERIFY(!(option("optRight")->focusPolicy() & Qt::TabFocus));
    }

    void rotateOkAndCancelClose()
    {
        for (const char* button : {"cmdOK", "cmdCancel"}) {
            QPointer<frmRotate> dialog = new frmRotate;
            dialog->show();
            dialog->findChild<QAbstractButton*>(QLatin1String(button))->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY2(dialog.isNull(), button);
        }
    }

    // Each label's text ends before its box, and each box shows its longest
    // value whole: inside the contents and text margins, a line edit keeps 2
    // pixels each side and 2 more for the cursor.
    void headerPanelTextsFit()
    {
        for (const auto& [label, box, longest] : {std::tuple{"lblMips", "txtMips", "-32768"},
                                                  std::tuple{"lblUnknown", "txtUnknown", "-32768"},
                                                  std::tuple{"lblBits", "txtBits", "-2147483648"}}) {
            auto* l = main->findChild<QLabel*>(QLatin1String(label));
            auto* edit = main->findChild<QLineEdit*>(QLatin1String(box));
            const int room = std::min(l->width(), edit->x() - l->x() - 2);
            QVERIFY2(QFontMetrics(l->font()).horizontalAdvance(l->text()) <= room, label);
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.rect = edit->rect();
            option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
            const QRect text = edit->style()
                                   ->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                                   .marginsRemoved(edit->textMargins());
            const QFontMetrics font(edit->font());
            QVERIFY2(font.horizontalAdvance(QLatin1String(longest)) + 6 <= text.width(), box);
        }
    }

    // A larger window: the tab control, the picture, the header frame and
    // the hex box grow by what was added; nothing else moves or grows, and
    // the window never gets smaller than its design size.
    void growingWindowGrowsThePictureOnly()
    {
        frmSkelvo window(doc, platform);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QStringList names{"Toolbar1", "SSTab1", "picImage", "Frame1", "txtHexDump", "lblWidth", "txtMips",
                                "txtBits", "VScroll1"};
        std::vector<QRect> before;
        for (const QString& n : names)
            before.push_back(window.findChild<QWidget*>(n)->geometry());
        window.resize(1200, 900);
        const QSize extra = QSize(1200, 900) - QSize(window.width(), window.height()) + window.centralWidget()->size()
            - QSize(twips(4125), twips(4875));
        QTRY_COMPARE(window.size(), QSize(1200, 900));
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QRect was = before[static_cast<std::size_t>(i)];
            const bool grows = i >= 1 && i <= 4;
            QCOMPARE(window.findChild<QWidget*>(names[i])->geometry(),
                     grows ? QRect(was.topLeft(), was.size() + extra) : was);
        }
        window.resize(100, 100);
        QTRY_COMPARE(window.centralWidget()->size(), QSize(twips(4125), twips(4875)));
    }
};

QTEST_MAIN(LayoutTest)
#include "test_layouts.moc"
