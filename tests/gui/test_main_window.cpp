#include "codecs/TexReader.h"
#include "support/Documents.h"
#include "document/ImageDocument.h"
#include "shell/frmRotate.h"
#include "shell/frmSwitchRGBA.h"
#include "palette/frmPallet.h"
#include "widgets/TabControl.h"
#include "shell/frmImageInfo.h"
#include "shell/frmSkelvo.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "support/TexFiles.h"
#include "view/PictureArea.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

namespace {

// What a command can be seen to do.
enum class Effect {
    Nothing, ClearPicture, OpenDialog, SaveDialog, Flip, Mirror, EndProgram, Pallet, Switch, About, Info, Rotate
};

struct Observed {
    PixelArray pixels;
    std::int32_t topLeft = 0; // colour shown at (0, 0)
    std::vector<bool> dialogsWereSave;
    std::size_t messages = 0;
    int endRequests = 0;
    bool palletShown = false;
    bool switchShown = false;
    bool infoShown = false;
    bool rotateShown = false;
    bool operator==(const Observed&) const = default;
};

constexpr std::int32_t Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000;

} // namespace

Q_DECLARE_METATYPE(Effect)

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ImageDocument doc;
    ScriptedPlatform platform;
    std::unique_ptr<frmSkelvo> window;
    std::int32_t blank = 0; // what a cleared picture shows

    QString writeFile(const QString& name, const std::vector<std::uint8_t>& bytes)
    {
        return writeTestFile(dir, name, bytes);
    }

    // 2 x 2, 32-bit: red, green / blue, white.
    static std::vector<std::uint8_t> square()
    {
        auto f = texHeader(2, 2, 18, 1, 0, 0);
        append(f, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
        return f;
    }

    void openSquare()
    {
        platform.answerFile(writeFile(QStringLiteral("square.tex"), square()), 1);
        window->mnuOpen_Click();
        QCOMPARE(window->picture()->pixelAt(0, 0), Red);
        platform.fileDialogWasSave.clear();
    }

    Observed observe() const
    {
        return {PixelArray(doc.PixelBytes().begin(), doc.PixelBytes().end()),
                window->picture()->pixelAt(0, 0),
                platform.fileDialogWasSave,
                platform.messages.size(),
                platform.endRequests,
                window->palletWindow() && window->palletWindow()->isVisible(),
                window->switchWindow() && window->switchWindow()->isVisible(),
                window->infoWindow() && window->infoWindow()->isVisible(),
                window->findChild<frmRotate*>() && window->findChild<frmRotate*>()->isVisible()};
    }

    // The state a command with `effect` should leave behind.
    Observed expected(Observed before, Effect effect) const
    {
        switch (effect) {
        case Effect::Nothing: break;
        case Effect::ClearPicture: before.topLeft = blank; break;
        case Effect::OpenDialog: before.dialogsWereSave.push_back(false); break;
        case Effect::SaveDialog: before.dialogsWereSave.push_back(true); break;
        case Effect::Flip:
            std::rotate(before.pixels.begin(), before.pixels.begin() + 8, before.pixels.end());
            before.topLeft = Blue;
            break;
        case Effect::Mirror:
            for (auto row = before.pixels.begin(); row != before.pixels.end(); row += 8)
                std::swap_ranges(row, row + 4, row + 4);
            before.topLeft = Green;
            break;
        case Effect::EndProgram: ++before.endRequests; break;
        case Effect::Pallet: before.palletShown = true; break;
        case Effect::Switch: before.switchShown = true; break;
        case Effect::About: ++before.messages; break;
        case Effect::Info: before.infoShown = true; break;
        case Effect::Rotate: before.rotateShown = true; break;
        }
        return before;
    }

    QToolBar* toolbar() const { return window->findChild<QToolBar*>(QStringLiteral("Toolbar1")); }
    QScrollBar* scroll() const { return window->findChild<QScrollBar*>(QStringLiteral("VScroll1")); }
    QLineEdit* mips() const { return window->findChild<QLineEdit*>(QStringLiteral("txtMips")); }

    // Clicks the upper or lower arrow of VScroll1 where the style draws it.
    void clickArrow(bool upper)
    {
        QScrollBar* bar = scroll();
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.subControls = QStyle::SC_All;
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        option.upsideDown = bar->invertedAppearance();
        option.rect = bar->rect();
        const QRect sub = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSubLine, bar);
        const QRect add = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddLine, bar);
        const QRect arrow = (sub.center().y() < add.center().y()) == upper ? sub : add;
        QVERIFY(!arrow.isEmpty());
        QTest::mouseClick(bar, Qt::LeftButton, {}, arrow.center());
    }

    static void effectRows(const std::vector<std::pair<const char*, Effect>>& rows)
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Effect>("effect");
        for (const auto& [name, effect] : rows)
            QTest::newRow(name) << QString::fromLatin1(name) << effect;
    }

private slots:
    void init()
    {
        doc = ImageDocument{};
        platform = ScriptedPlatform{};
        window = std::make_unique<frmSkelvo>(doc, platform);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        blank = window->picture()->pixelAt(0, 0);
        QVERIFY(blank != Red && blank != Green && blank != Blue);
    }

    void cleanup()
    {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void menuBarAsDesigned()
    {
        const QList<QAction*> titles = window->menuBar()->actions();
        QStringList shown;
        for (QAction* title : titles) {
            QString entry = title->menu()->objectName() + QLatin1Char('=') + title->text() + QLatin1Char(':');
            for (QAction* item : title->menu()->actions()) {
                entry += QLatin1Char(' ') + item->objectName() + QLatin1Char('=')
                    + (item->isSeparator() ? QStringLiteral("-") : item->text().section(QLatin1Char('\t'), 0, 0));
                // View, Edit and Image's additions are the tool's own, with keys
                // and checks; Undo and Redo wait for a step, the rest for an image.
                QVERIFY2(title->menu()->objectName() == QLatin1String("mnuView")
                             || title->menu()->objectName() == QLatin1String("mnuEdit")
                             || title->menu()->objectName() == QLatin1String("mnuFile")
                             || (title->menu()->objectName() == QLatin1String("mnuImage")
                                 && item->objectName() != QLatin1String("mnuInfo"))
                             || (item->shortcut().isEmpty() && !item->isCheckable() && item->isEnabled()),
                         qPrintable(item->objectName()));
            }
            shown << entry;
        }
        QCOMPARE(shown, (QStringList{
                            "mnuFile=&File: mnuNew=New mnuOpen=Open mnuSave=Save mnuNextFile=Next File "
                            "mnuPreviousFile=Previous File mnuLine=- mnuRecent=&Recent Files mnuExit=E&xit",
                            "mnuEdit=&Edit: mnuUndo=&Undo mnuRedo=&Redo mnuEditLine=- mnuCopy=&Copy mnuPaste=&Paste",
                            "mnuView=&View: mnuZoomIn=Zoom &In mnuZoomOut=Zoom &Out mnuFit=&Fit mnuActualSize=&Actual Size "
                            "mnuViewLine=- mnuColour=&Colour mnuCheckerboard=Colour over C&heckerboard mnuRed=&Red "
                            "mnuGreen=&Green mnuBlue=&Blue mnuAlpha=A&lpha mnuViewLine2=- mnuNextMip=&Next Mip Level "
                            "mnuPreviousMip=&Previous Mip Level",
                            "mnuImage=&Image: mnuInfo=Im&age Information... mnuImageLine=- mnuMode=&Mode mnuTexType=&TEX Type "
                            "mnuScale=&Scale Image...",
                            "mnuColors=&Colors: mnuEditPallet=Edit Pallet mnuSwitch=Switch RGBA Channels",
                            "mnuTools=&Tools: mnuFlip=Flip mnuMirror=Mirror mnuRotate=Rotate mnuLine2=- mnuOptions=Options",
                            "mnuHelp=&Help: mnuShortcuts=&Keyboard Shortcuts mnuAbout=About",
                        }));
    }

    void menuItems_data()
    {
        effectRows({{"mnuNew", Effect::ClearPicture},
                    {"mnuOpen", Effect::OpenDialog},
                    {"mnuSave", Effect::SaveDialog},
                    {"mnuExit", Effect::EndProgram},
                    {"mnuInfo", Effect::Info},
                    {"mnuEditPallet", Effect::Pallet},
                    {"mnuSwitch", Effect::Switch},
                    {"mnuFlip", Effect::Flip},
                    {"mnuMirror", Effect::Mirror},
                    {"mnuRotate", Effect::Rotate},
                    {"mnuOptions", Effect::Nothing},
                    {"mnuAbout", Effect::About}});
    }

    // Every menu item reaches its own handler and nothing else; the file
    // dialogs are cancelled, so they change nothing either.
    void menuItems()
    {
        QFETCH(QString, name);
        QFETCH(Effect, effect);
        openSquare();
        const Observed before = observe();
        QAction* action = window->menuAction(name);
        QVERIFY(action);
        action->trigger();
        QCOMPARE(observe(), expected(before, effect));
    }

    void aboutMessage()
    {
        window->menuAction(QStringLiteral("mnuAbout"))->trigger();
        QCOMPARE(platform.messages.size(), std::size_t{1});
        const RecordedMessage& m = platform.messages.front();
        QCOMPARE(m.style, MessageStyle::Information);
        QCOMPARE(m.title, QStringLiteral("About"));
        QVERIFY(!m.text.contains(QLatin1Char('\n')));
        QVERIFY(m.text.contains(QStringLiteral("Vellicor Texture Tool")));
        QVERIFY(m.text.contains(QStringLiteral("Vellicor Texture Tool " VTT_VERSION " ")));
        QVERIFY(m.text.contains(QStringLiteral(".example.org")));
    }

    void toolbarButtons_data()
    {
        effectRows({{"new", Effect::ClearPicture},
                    {"open", Effect::OpenDialog},
                    {"save", Effect::SaveDialog},
                    {"flip", Effect::Flip},
                    {"mirror", Effect::Mirror},
                    {"rotate", Effect::Rotate},
                    {"info", Effect::Info}});
    }

    // A real click on each button runs the menu procedure of its key.
    void toolbarButtons()
    {
        QFETCH(QString, name);
        QFETCH(Effect, effect);
        openSquare();
        QAction* button = nullptr;
        for (QAction* action : toolbar()->actions())
            if (action->data().toString() == name)
                button = action;
        QVERIFY(button);
        auto* widget = qobject_cast<QToolButton*>(toolbar()->widgetForAction(button));
        QVERIFY(widget && widget->isVisible());
        const Observed before = observe();
        QTest::mouseClick(widget, Qt::LeftButton);
        QCOMPARE(observe(), expected(before, effect));
    }

    void unknownKeys_data()
    {
        QTest::addColumn<QString>("key");
        for (const char* key : {"Flip", "NEW", "Open", "flip ", " save", "", "paintpot", "about", "exit"})
            QTest::newRow(key) << QString::fromLatin1(key);
    }

    // Keys compare exactly and case-sensitively; any other key does nothing.
    void unknownKeys()
    {
        QFETCH(QString, key);
        openSquare();
        const Observed before = observe();
        window->Toolbar1_ButtonClick(key);
        QCOMPARE(observe(), before);
    }

    // New clears the picture only: the held document is still saved, and
    // still drawn again by the next redraw.
    void newKeepsTheDocument()
    {
        openSquare();
        const std::vector<std::uint8_t> held = bytesOf(doc.PixelBytes());
        window->mnuNew_Click();
        QCOMPARE(window->picture()->pixelAt(0, 0), blank);
        QCOMPARE(bytesOf(doc.PixelBytes()), held);
        QCOMPARE(doc.area(), std::size_t(4));

        const QString path = dir.filePath(QStringLiteral("saved.tex"));
        platform.answerFile(path, 1);
        window->mnuSave_Click();
        QFile saved(path);
        QVERIFY2(saved.open(QIODevice::ReadOnly), "Save after New wrote no file");
        const QByteArray data = saved.readAll();
        const std::vector<std::uint8_t> bytes(data.begin(), data.end());
        ReadResult result = readTex(bytes);
        QVERIFY(result.has_value());
        QCOMPARE(bytesOf(result.value().PixelBytes()), held);

        window->mnuMirror_Click();
        QCOMPARE(window->picture()->pixelAt(0, 0), Green);
    }

    void scrollBarStartsAtTheText()
    {
        QCOMPARE(scroll()->value(), -1);
        QCOMPARE(mips()->text(), QStringLiteral("1"));
        // 10 sits at the top end of the bar: it holds the negated count.
        QCOMPARE(scroll()->minimum(), -10);
        QCOMPARE(scroll()->maximum(), 0);
    }

    // The upper arrow counts up to 10 and stops; the lower one counts back
    // down to 0 and stops. Every step shows in txtMips.
    void scrollArrowsCountTheMips()
    {
        auto* tabs = window->findChild<TabControl*>(QStringLiteral("SSTab1"));
        QVERIFY(tabs);
        tabs->setCurrentIndex(1);
        QVERIFY(scroll()->isVisible());
        for (int i = 2; i <= 12; ++i) {
            clickArrow(true);
            QCOMPARE(mips()->text(), QString::number(std::min(i, 10)));
        }
        for (int i = 9; i >= -2; --i) {
            clickArrow(false);
            QCOMPARE(mips()->text(), QString::number(std::max(i, 0)));
        }
        // From whatever the box holds, typed or above the arrows' top; a
        // changed box is a change of the document.
        openSquare();
        for (const auto& [typed, upper, shown] : {std::tuple{"5", true, "6"}, std::tuple{"5", false, "4"},
                                                 std::tuple{"12", true, "12"}, std::tuple{"12", false, "11"}}) {
            mips()->setText(QLatin1String(typed));
            clickArrow(upper);
            QCOMPARE(mips()->text(), QLatin1String(shown));
        }
        window->mnuExit_Click();
        QCOMPARE(platform.questions.back(), QStringLiteral("Save changes to square.tex?"));
    }

    void editPalletTwiceKeepsOneWindow()
    {
        window->mnuEditPallet_Click();
        QPointer<frmPallet> first = window->palletWindow();
        window->mnuEditPallet_Click();
        QCOMPARE(window->palletWindow(), first.data());
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            count += qobject_cast<frmPallet*>(w) != nullptr;
        QCOMPARE(count, 1);
    }

    void exitWithToolWindowsOpenEndsTheProgram()
    {
        window->mnuEditPallet_Click();
        window->mnuSwitch_Click();
        window->menuAction(QStringLiteral("mnuExit"))->trigger();
        QCOMPARE(platform.endRequests, 1);
        QVERIFY(platform.messages.empty());
    }

    // Closing the main window closes the tool windows, a hidden channel
    // dialog included, and ends the event loop.
    void closingTheMainWindowEndsTheProgram()
    {
        window->mnuEditPallet_Click();
        window->mnuSwitch_Click();
        QPointer<frmPallet> pallet = window->palletWindow();
        QPointer<frmSwitchRGBA> switcher = window->switchWindow();
        switcher->cmdOK_Click(); // hidden, not closed
        QVERIFY(switcher && !switcher->isVisible());
        QVERIFY(pallet->isVisible());

        QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
        QTimer::singleShot(0, window.get(), [this] { window->close(); });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(99); }); // the loop would run on
        const int code = QCoreApplication::exec();
        QCOMPARE(code, 0);
        QCOMPARE(quitting.count(), 1);
        QVERIFY(!window->isVisible());
        QVERIFY(!pallet || !pallet->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(pallet.isNull());
        QVERIFY(switcher.isNull());
        QCOMPARE(platform.endRequests, 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
