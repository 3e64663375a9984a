#include "shell/frmImageInfo.h"
#include "shell/frmSkelvo.h"
#include "support/ShownTitle.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "support/TexFiles.h"
#include "view/PictureArea.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

class WindowViewsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ImageDocument doc;
    ScriptedPlatform platform;

    // 4 x 2, type 18, three levels announced; `missing` bytes cut off the end.
    void openTexture(frmSkelvo& window, int missing = 0)
    {
        auto file = texHeader(4, 2, 18, 3);
        for (int i = 0; i < 4 * 11 - missing; ++i)
            file.push_back(static_cast<std::uint8_t>(i % 4 == 3 ? i * 5 : i));
        platform.answerFile(writeTestFile(dir, QStringLiteral("wheel.tex"), file), 1);
        window.mnuOpen_Click();
    }

private slots:
    void placeRestored_data()
    {
        QTest::addColumn<QVariant>("saved");
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<QRect>("want"); // empty: the design size
        QTest::newRow("none") << QVariant() << false << QRect();
        QTest::newRow("saved") << QVariant(QRect(50, 40, 900, 700)) << false << QRect(50, 40, 900, 700);
        QTest::newRow("off every screen") << QVariant(QRect(-5000, -5000, 900, 700)) << true << QRect();
        QTest::newRow("maximized") << QVariant(QRect(50, 40, 900, 700)) << true << QRect(50, 40, 900, 700);
    }

    void placeRestored()
    {
        QFETCH(QVariant, saved);
        QFETCH(bool, maximized);
        QFETCH(QRect, want);
        platform.settings = {{QStringLiteral("mainWindow/geometry"), saved},
                             {QStringLiteral("mainWindow/maximized"), maximized}};
        frmSkelvo window(doc, platform);
        QCOMPARE(window.isMaximized(), maximized && !want.isEmpty());
        if (want.isEmpty())
            QCOMPARE(window.centralWidget()->sizeHint(), QSize(twips(4125), twips(4875)));
        else
            QCOMPARE(window.normalGeometry(), want);
        window.resize(800, 600);
        window.mnuExit_Click();
        QCOMPARE(platform.settings.value(QStringLiteral("mainWindow/geometry")).toRect().size(), QSize(800, 600));
    }

    void mipLevelsThroughTheWindow()
    {
        frmSkelvo window(doc, platform);
        openTexture(window, 1);
        QCOMPARE(window.mipLevelsOffered(), 2);
        openTexture(window);
        QCOMPARE(shownTitle(&window), QStringLiteral("wheel.tex - Vellicor Texture Tool"));
        QCOMPARE(window.hexDump().rowsFormatted(), std::size_t(0));
        QAction* next = window.menuAction(QStringLiteral("mnuNextMip"));
        QAction* previous = window.menuAction(QStringLiteral("mnuPreviousMip"));
        QVERIFY(next->isEnabled() && !previous->isEnabled());
        next->trigger();
        next->trigger();
        QCOMPARE(window.mipLevel(), 2);
        QVERIFY(!next->isEnabled() && previous->isEnabled());
        QCOMPARE(window.picture()->pixelText(0, 0), QStringLiteral("level 2: 0, 0: 40 41 42 215"));
        window.mnuFlip_Click(); // edits apply to level 0, shown again
        QCOMPARE(window.mipLevel(), 0);
        QCOMPARE(window.picture()->pixelText(0, 0), QStringLiteral("0, 0: 16 17 18 95"));
    }

    void infoFollowsTheDocument()
    {
        frmSkelvo window(doc, platform);
        openTexture(window);
        window.mnuInfo_Click();
        const QStringList facts = window.infoWindow()->shownFacts();
        QVERIFY2(facts.contains(QStringLiteral("Mip levels: 3 stored")), qPrintable(facts.join('\n')));
        QVERIFY(facts.contains(QStringLiteral("Alpha: in use, from 15 to 155")));
        QVERIFY(facts.contains(QStringLiteral("Distinct colours: 8")));
        QVERIFY(facts.contains(QStringLiteral("File size: 58 bytes")));
    }

    // Nothing stored: at least 1024 x 768 where the screen has room.
    void firstStartSize()
    {
        platform.settings.clear();
        frmSkelvo window(doc, platform);
        openAtWorkingSize(&window, platform);
        const QSize room = window.screen()->availableGeometry().size();
        QVERIFY(window.width() >= std::min(1024, room.width()) && window.height() >= std::min(768, room.height()));
        QVERIFY(window.width() <= room.width() && window.height() <= room.height());
    }

    // Plain keys of the View menu act on the picture only: typed into a
    // header box they are text.
    void viewKeysNeedThePicture()
    {
        frmSkelvo window(doc, platform);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        openTexture(window);
        auto* mips = window.findChild<QLineEdit*>(QStringLiteral("txtMips"));
        mips->setFocus();
        QTest::keyClicks(mips, QStringLiteral("ra"));
        QCOMPARE(mips->text(), QStringLiteral("3ra"));
        QCOMPARE(window.picture()->channelMode(), ChannelMode::Colour);
        window.picture()->setFocus();
        QTest::keyClick(window.picture(), Qt::Key_A);
        QCOMPARE(window.picture()->channelMode(), ChannelMode::Alpha);
        QTest::keyClick(window.picture(), Qt::Key_PageDown);
        QCOMPARE(window.mipLevel(), 1);
    }

    // A picture key acts on the picture only: typed into a header box it is
    // text, and inside an open menu a plain key is that menu's access key
    // (A in View is Actual Size, not Alpha; R in Tools is nothing).
    void keysActOnlyWhereTheyBelong_data()
    {
        QTest::addColumn<QString>("where"); // "picture", "box", or the menu opened by Alt+letter
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("scale");
        QTest::newRow("picture") << "picture" << int(Qt::Key_A) << int(ChannelMode::Alpha) << 2.0;
        QTest::newRow("box") << "box" << int(Qt::Key_A) << int(ChannelMode::Colour) << 2.0;
        QTest::newRow("box, fit") << "box" << int(Qt::Key_F) << int(ChannelMode::Colour) << 2.0;
        QTest::newRow("open View menu") << "V" << int(Qt::Key_A) << int(ChannelMode::Colour) << 1.0;
        QTest::newRow("open Tools menu") << "T" << int(Qt::Key_R) << int(ChannelMode::Colour) << 2.0;
    }

    void keysActOnlyWhereTheyBelong()
    {
        QFETCH(QString, where);
        QFETCH(int, key);
        frmSkelvo window(doc, platform);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        openTexture(window);
        window.picture()->zoomIn();
        QWidget* target = window.picture();
        if (where == "box")
            target = window.findChild<QLineEdit*>(QStringLiteral("txtMips"));
        target->setFocus();
        if (where.size() == 1) {
            QTest::keyClick(target, Qt::Key(where[0].toLatin1()), Qt::AltModifier);
            QTRY_VERIFY(QApplication::activePopupWidget());
            target = QApplication::activePopupWidget();
        }
        QTest::keyClick(target, Qt::Key(key));
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        QTEST(int(window.picture()->channelMode()), "mode");
        QTEST(window.picture()->view().scale(), "scale");
    }

    void fitKeepsFittingAsTheWindowGrows()
    {
        frmSkelvo window(doc, platform);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        openTexture(window);
        window.picture()->fitToArea();
        window.resize(1200, 900);
        QTRY_COMPARE(window.size(), QSize(1200, 900));
        const ViewTransform& view = window.picture()->view();
        QCOMPARE(view.scale(), std::min(view.viewWidth() / 4.0, view.viewHeight() / 2.0));
    }
};

QTEST_MAIN(WindowViewsTest)
#include "test_window_views.moc"
