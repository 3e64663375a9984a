#include "palette/frmPallet.h"
#include "support/Documents.h"
#include "shell/frmImageInfo.h"
#include "shell/frmRotate.h"
#include "shell/frmShortcuts.h"
#include "shell/frmSkelvo.h"
#include "shell/frmSwitchRGBA.h"
#include "support/SavedImages.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "support/TexFiles.h"
#include "view/PictureArea.h"
#include "widgets/LineView.h"
#include "widgets/TabControl.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

class WindowKeysTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ImageDocument doc;
    ScriptedPlatform platform;

    // 4 x 2, type 18, three levels: pixel n holds 4n, 4n+1, 4n+2 and alpha (4n+3) * 5.
    void openTexture(frmSkelvo& window)
    {
        auto file = texHeader(4, 2, 18, 3);
        for (int i = 0; i < 4 * 11; ++i)
            file.push_back(static_cast<std::uint8_t>(i % 4 == 3 ? i * 5 : i));
        platform.answerFile(writeTestFile(dir, QStringLiteral("wheel.tex"), file), 1);
        window.mnuOpen_Click();
    }
    static bool showActive(QWidget& window) { return window.show(), QTest::qWaitForWindowActive(&window); }
    static QString field(frmSkelvo& w, const char* name) { return w.statusBar()->findChild<QLabel*>(name)->text(); }

private slots:
    void statusBar_data()
    {
        QTest::addColumn<int>("zoomIns");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<int>("nextLevels");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QStringList>("want");
        QTest::newRow("1:1") << 0 << "mnuColour" << 0 << QPoint(1, 1)
                             << QStringList{"4 \u00d7 2, 32-bit RGBA", "Zoom 100%", "Channel: Colour",
                                            "Mip level 0 (0\u20132)", "1, 1: 20 21 22 115"};
        QTest::newRow("zoomed, alpha") << 3 << "mnuAlpha" << 0 << QPoint(3, 0)
                                       << QStringList{"4 \u00d7 2, 32-bit RGBA", "Zoom 800%", "Channel: Alpha",
                                                      "Mip level 0 (0\u20132)", "3, 0: 12 13 14 75"};
        QTest::newRow("level 1") << 1 << "mnuRed" << 1 << QPoint(0, 0)
                                 << QStringList{"2 \u00d7 1, 32-bit RGBA", "Zoom 200%", "Channel: Red",
                                                "Mip level 1 (0\u20132)", "0, 0: 32 33 34 175"};
    }

    void statusBar()
    {
        QFETCH(int, zoomIns);
        QFETCH(QString, channel);
        QFETCH(int, nextLevels);
        QFETCH(QPoint, pixel);
        QFETCH(QStringList, want);
        frmSkelvo window(doc, platform);
        openTexture(window);
        PictureArea* pic = window.picture();
        for (int i = 0; i < nextLevels; ++i)
            window.menuAction(QStringLiteral("mnuNextMip"))->trigger();
        for (int i = 0; i < zoomIns; ++i)
            pic->zoomIn();
        window.menuAction(channel)->trigger();
        const QPointF at = QPointF(pic->view().pictureXOf(pixel.x() + 0.5), pic->view().pictureYOf(pixel.y() + 0.5))
                         + pic->contentsRect().topLeft();
        QMouseEvent move(QEvent::MouseMove, at, pic->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pic, &move);
        QStringList got;
        for (const char* name : {"staImage", "staZoom", "staChannel", "staLevel", "staPixel"})
            got << field(window, name);
        QCOMPARE(got, want);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(pic, &leave); // off the picture: no pixel
        QCOMPARE(field(window, "staPixel"), QString());
    }

    void viewKeysActAfterOpenButNotInTextBoxes()
    {
        frmSkelvo window(doc, platform);
        QVERIFY(showActive(window));
        QCOMPARE(QApplication::focusWidget(), window.picture());
        openTexture(window);
        QCOMPARE(QApplication::focusWidget(), window.picture());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus);
        QCOMPARE(window.picture()->view().scale(), 2.0);
        window.findChild<TabControl*>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
        auto* mips = window.findChild<QLineEdit*>(QStringLiteral("txtMips"));
        mips->setFocus();
        QTest::keyClick(mips, Qt::Key_Plus);
        QCOMPARE(window.picture()->view().scale(), 2.0);
    }

    // Every key of every action is listed, once.
    void shortcutsListEveryKey()
    {
        frmSkelvo window(doc, platform);
        const std::vector<ShortcutRow> rows = shortcutRows(window.menuBar(), window.picture());
        int keyed = 0;
        for (const QAction* action : window.findChildren<QAction*>())
            keyed += !action->shortcuts().isEmpty();
        QCOMPARE(static_cast<int>(rows.size()), keyed);
        QStringList shown;
        for (const ShortcutRow& r : rows)
            shown << r.command + " | " + r.keys + " | " + r.where;
        for (const char* row : {"Edit > Copy | Ctrl+C | Window", "View > Zoom In | +, = | Picture",
                                "Pan Left | Left | Picture"})
            QVERIFY2(shown.contains(QString::fromLatin1(row)), row);
    }

    void dialogsTakeEnterAndEsc_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("stillShown");
        QTest::addColumn<int>("widthAfter"); // of the document: 2 once turned
        QTest::newRow("rotate Enter") << "frmRotate" << int(Qt::Key_Return) << false << 2;
        QTest::newRow("rotate Esc") << "frmRotate" << int(Qt::Key_Escape) << false << 4;
        // The focused push button takes Enter: here the first channel button.
        QTest::newRow("switch Enter picks") << "frmSwitchRGBA" << int(Qt::Key_Enter) << true << 4;
        QTest::newRow("switch Esc") << "frmSwitchRGBA" << int(Qt::Key_Escape) << false << 4;
        // A true-colour picture has no palette: only Cancel is left to take it.
        QTest::newRow("palette Enter, no palette") << "frmPallet" << int(Qt::Key_Return) << false << 4;
        QTest::newRow("palette Esc") << "frmPallet" << int(Qt::Key_Escape) << false << 4;
        QTest::newRow("information Esc") << "frmImageInfo" << int(Qt::Key_Escape) << false << 4;
        QTest::newRow("shortcuts Esc") << "frmShortcuts" << int(Qt::Key_Escape) << false << 4;
    }

    void dialogsTakeEnterAndEsc()
    {
        QFETCH(QString, dialog);
        QFETCH(int, key);
        QFETCH(bool, stillShown);
        QFETCH(int, widthAfter);
        frmSkelvo window(doc, platform);
        QVERIFY(showActive(window));
        openTexture(window);
        const QMap<QString, QString> opener{{"frmRotate", "mnuRotate"}, {"frmSwitchRGBA", "mnuSwitch"}, {"frmPallet",
            "mnuEditPallet"}, {"frmImageInfo", "mnuInfo"}, {"frmShortcuts", "mnuShortcuts"}};
        window.menuAction(opener[dialog])->trigger();
        QPointer<QWidget> shown;
        for (QWidget* top : QApplication::topLevelWidgets())
            shown = top->objectName() == dialog && top->isVisible() ? top : shown.data();
        QVERIFY(shown);
        QVERIFY(QTest::qWaitForWindowActive(shown));
        QTest::keyClick(shown->focusWidget() ? shown->focusWidget() : shown.data(), Qt::Key(key));
        QCOMPARE(shown && shown->isVisible(), stillShown);
        QCOMPARE(int(window.session().document().ImageWidth()), widthAfter);
    }

    // Stored values, alpha 0 included, survive the clipboard both ways.
    void copyAndPastePicture()
    {
        const std::vector<std::uint8_t> bytes{200, 100, 50, 0, 1, 2, 3, 1, 255, 255, 255, 128};
        const QImage picture(bytes.data(), 3, 1, QImage::Format_RGBA8888);
        QGuiApplication::clipboard()->setImage(picture);
        frmSkelvo window(doc, platform);
        window.menuAction(QStringLiteral("mnuPaste"))->trigger();
        QCOMPARE(bytesOf(window.session().document().PixelBytes()), bytes);
        QVERIFY(window.isModified());
        QGuiApplication::clipboard()->clear();
        window.menuAction(QStringLiteral("mnuCopy"))->trigger();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGBA8888), picture);
        window.menuAction(QStringLiteral("mnuPaste"))->trigger(); // unsaved: asked, and Cancel keeps it
        QCOMPARE(platform.questions.size(), std::size_t(1));
        QCOMPARE(window.session().document().ImageWidth(), 3);
    }

    void hexCopyIsCapped()
    {
        platform.answerFile(writeTestFile(dir, QStringLiteral("big.tga"), tgaFile(512, 512, 32, 8)), 2);
        frmSkelvo window(doc, platform);
        QVERIFY(showActive(window));
        window.mnuOpen_Click();
        window.findChild<TabControl*>(QStringLiteral("SSTab1"))->setCurrentIndex(2);
        auto* hex = window.findChild<LineView*>(QStringLiteral("txtHexDump"));
        hex->setFocus(), hex->selectAll();
        QVERIFY(hex->selectedCount() > LineView::CopyLimit);
        window.menuAction(QStringLiteral("mnuCopy"))->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text().count(QLatin1Char('\n')), qsizetype(LineView::CopyLimit - 1));
        QVERIFY(window.statusBar()->currentMessage().endsWith(QStringLiteral("at most 65,536 lines.")));
    }
};

QTEST_MAIN(WindowKeysTest)
#include "test_window_keys.moc"
