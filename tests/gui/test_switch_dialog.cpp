#include "operations/EditHistory.h"
#include "shell/frmSwitchRGBA.h"
#include "support/Documents.h"

#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <vector>

using namespace vtt;
using vtt::testing::bytesOf;

namespace {

using Bytes = std::vector<std::uint8_t>;

const QStringList InitialRight{"Red", "Green", "Blue", "Alpha"};

// Two pixels: 10 20 30 40 and 50 60 70 80.
ImageDocument twoPixels(std::uint8_t depth)
{
    if (depth == PaletteDepth)
        return vtt::testing::documentOf(2, 1, depth, {10, 20});
    return vtt::testing::documentOf(2, 1, depth, {10, 20, 30, 40, 50, 60, 70, 80});
}

} // namespace

class SwitchDialogTest : public QObject {
    Q_OBJECT

    ImageDocument doc;
    EditHistory history;
    QPointer<frmSwitchRGBA> dialog;
    int redraws = 0;

    // Opens the dialog the way the main window does: a new one when there is
    // none (first time, or after it was closed), otherwise the one there is.
    void open()
    {
        if (!dialog)
            dialog = new frmSwitchRGBA(
                [this](std::unique_ptr<Command> command) { redraws += history.perform(std::move(command), doc).value_or(false); });
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
    }

    QPushButton* button(const QString& name) const
    {
        auto* b = dialog->findChild<QPushButton*>(name);
        if (!b)
            qFatal("no button %s", qPrintable(name));
        return b;
    }
    QPushButton* switchButton(int index) const { return button(QStringLiteral("cmdSwitch_%1").arg(index)); }
    void click(int index) { QTest::mouseClick(switchButton(index), Qt::LeftButton); }
    void clickOK() { QTest::mouseClick(button("cmdOK"), Qt::LeftButton); }
    void clickCancel() { QTest::mouseClick(button("cmdCancel"), Qt::LeftButton); }

    QStringList captions(int first) const
    {
        QStringList out;
        for (int i = first; i < 8; i += 2)
            out << switchButton(i)->text();
        return out;
    }

    void settleDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

private slots:
    void init()
    {
        doc = twoPixels(32);
        redraws = 0;
    }
    void cleanup()
    {
        delete dialog.data();
        settleDeletes();
    }

    void layout()
    {
        open();
        QCOMPARE(dialog->objectName(), QStringLiteral("frmSwitchRGBA"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Switch RGBA Channel"));
        QVERIFY(dialog->isWindow());
        QVERIFY(!dialog->parentWidget());
        QVERIFY(!dialog->isModal());
        QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(dialog->minimumSize(), QSize(169, 209));
        QCOMPARE(dialog->maximumSize(), QSize(169, 209));
        const Qt::WindowFlags flags = dialog->windowFlags();
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);

        const struct {
            const char* name;
            QString caption;
            QRect rect;
        } controls[] = {
            {"cmdSwitch_0", "Red", {8, 8, 65, 33}},     {"Label1", ">", {80, 16, 9, 17}},
            {"cmdSwitch_1", "Red", {96, 8, 65, 33}},    {"cmdSwitch_2", "Green", {8, 48, 65, 33}},
            {"Label2", ">", {80, 56, 9, 17}},           {"cmdSwitch_3", "Green", {96, 48, 65, 33}},
            {"cmdSwitch_4", "Blue", {8, 88, 65, 33}},   {"Label3", ">", {80, 96, 9, 17}},
            {"cmdSwitch_5", "Blue", {96, 88, 65, 33}},  {"cmdSwitch_6", "Alpha", {8, 128, 65, 33}},
            {"Label4", ">", {80, 136, 9, 17}},          {"cmdSwitch_7", "Alpha", {96, 128, 65, 33}},
            {"cmdOK", "OK", {8, 176, 57, 25}},          {"cmdCancel", "Cancel", {104, 176, 57, 25}},
        };
        for (const auto& c : controls) {
            QWidget* w = dialog->findChild<QWidget*>(c.name);
            QVERIFY2(w, c.name);
            QCOMPARE(w->geometry(), c.rect);
            if (auto* b = qobject_cast<QPushButton*>(w)) {
                QCOMPARE(b->text(), c.caption);
                QVERIFY2(!b->autoDefault() && !b->isDefault(), c.name);
            } else {
                QCOMPARE(qobject_cast<QLabel*>(w)->text(), c.caption);
            }
        }
        for (int i = 0; i < 8; ++i)
            QCOMPARE(switchButton(i)->property("index").toInt(), i);

        auto* line = dialog->findChild<QFrame*>("Line1");
        QVERIFY(line);
        QCOMPARE(line->frameShape(), QFrame::HLine);
        QCOMPARE(line->geometry().left(), 8);
        QCOMPARE(line->geometry().right(), 159);
        QCOMPARE(line->geometry().top(), 168);

        // Focus runs row by row, left before right, then OK, then Cancel.
        QStringList order;
        QWidget* w = switchButton(0);
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                order << w->objectName();
            w = w->nextInFocusChain();
        } while (w != switchButton(0));
        QCOMPARE(order, (QStringList{"cmdSwitch_0", "cmdSwitch_1", "cmdSwitch_2", "cmdSwitch_3", "cmdSwitch_4",
                                     "cmdSwitch_5", "cmdSwitch_6", "cmdSwitch_7", "cmdOK", "cmdCancel"}));
    }

    // Enter presses the focused button, Esc is Cancel.
    void enterAndEscape()
    {
        open();
        click(4);
        click(1);
        button("cmdOK")->setFocus();
        QTest::keyClick(button("cmdOK"), Qt::Key_Enter);
        QVERIFY(dialog && !dialog->isVisible());
        QCOMPARE(redraws, 1);
        open();
        QTest::keyClick(button("cmdOK"), Qt::Key_Escape);
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(redraws, 1);
    }

    void clicksThenOK_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QStringList>("right");
        QTest::addColumn<bool>("pending");
        QTest::addColumn<Bytes>("pixels");
        const struct {
            const char* name;
            QList<int> clicks;
            QStringList right;
            bool pending;
            Bytes pixels;
        } cases[] = {
            {"fresh", {}, InitialRight, false, {10, 20, 30, 40, 50, 60, 70, 80}},
            {"left Blue onto row 1", {4, 1}, {"Blue", "Green", "Blue", "Alpha"}, false,
             {30, 20, 30, 40, 70, 60, 70, 80}},
            {"right Green onto row 4", {3, 7}, {"Red", "Green", "Blue", "Green"}, false,
             {10, 20, 30, 20, 50, 60, 70, 60}},
            {"Red onto row 2", {0, 3}, {"Red", "Red", "Blue", "Alpha"}, false, {10, 10, 30, 40, 50, 50, 70, 80}},
            {"Red onto row 4", {1, 7}, {"Red", "Green", "Blue", "Red"}, false, {10, 20, 30, 10, 50, 60, 70, 50}},
            // The pick is dropped, so 6 picks and 1 places.
            {"two left clicks drop the pick", {4, 0, 6, 1}, {"Alpha", "Green", "Blue", "Alpha"}, false,
             {40, 20, 30, 40, 80, 60, 70, 80}},
            // Row 2 gets its own caption back and no pick remains: 5 picks.
            {"same right button twice", {3, 3, 5, 1}, {"Blue", "Green", "Blue", "Alpha"}, false,
             {30, 20, 30, 40, 70, 60, 70, 80}},
            {"red and green exchanged", {2, 1, 0, 3}, {"Green", "Red", "Blue", "Alpha"}, false,
             {20, 10, 30, 40, 60, 50, 70, 80}},
            {"a placed caption can be picked again", {6, 1, 1, 5}, {"Alpha", "Green", "Alpha", "Alpha"}, false,
             {40, 20, 40, 40, 80, 60, 80, 80}},
            {"pick left pending", {4}, InitialRight, true, {10, 20, 30, 40, 50, 60, 70, 80}},
        };
        for (int depth : {24, 32})
            for (const auto& c : cases)
                QTest::addRow("%s, depth %d", c.name, depth) << depth << c.clicks << c.right << c.pending << c.pixels;
    }
    void clicksThenOK()
    {
        QFETCH(int, depth);
        QFETCH(QList<int>, clicks);
        QFETCH(QStringList, right);
        QFETCH(bool, pending);
        QFETCH(Bytes, pixels);
        doc = twoPixels(static_cast<std::uint8_t>(depth));
        open();
        for (int index : clicks)
            click(index);
        QCOMPARE(captions(1), right);
        QCOMPARE(captions(0), InitialRight);
        QCOMPARE(dialog->pickPending(), pending);
        QCOMPARE(redraws, 0);

        clickOK();
        QCOMPARE(bytesOf(doc.PixelBytes()), pixels);
        QCOMPARE(redraws, 1);
        QVERIFY(dialog);
        QVERIFY(!dialog->isVisible());
    }

    void okLeavesOtherImagesAlone_data()
    {
        QTest::addColumn<bool>("palette");
        QTest::newRow("palette image") << true;
        QTest::newRow("no image") << false;
    }
    void okLeavesOtherImagesAlone()
    {
        QFETCH(bool, palette);
        doc = ImageDocument{};
        if (palette) {
            doc = twoPixels(8);
            vtt::testing::setPixels(doc, {3, 200});
            for (std::size_t i = 0; i < doc.Palette().size(); ++i)
                doc.Palette()[i] = static_cast<std::uint8_t>(i);
        }
        const ImageDocument before = doc;
        open();
        click(6);
        click(1);
        clickOK();
        QCOMPARE(bytesOf(doc.PixelIndices()), bytesOf(before.PixelIndices()));
        QCOMPARE(bytesOf(doc.PixelBytes()), bytesOf(before.PixelBytes()));
        QVERIFY(doc.Palette() == before.Palette());
        QCOMPARE(redraws, 0);
        QVERIFY(dialog);
        QVERIFY(!dialog->isVisible());
    }

    void reopensAsLeftAfterOK()
    {
        open();
        click(4);
        click(1);
        click(2); // picked, not yet placed
        clickOK();
        QCOMPARE(bytesOf(doc.PixelBytes()), (Bytes{30, 20, 30, 40, 70, 60, 70, 80}));
        QPointer<frmSwitchRGBA> first = dialog;

        doc = twoPixels(24); // a new image opened meanwhile
        open();
        QCOMPARE(dialog.data(), first.data());
        QCOMPARE(captions(1), (QStringList{"Blue", "Green", "Blue", "Alpha"}));
        QVERIFY(dialog->pickPending());
        QCOMPARE(dialog->pickedCaption(), QStringLiteral("Green"));
        click(7); // completes the pick made before OK
        clickOK();
        QCOMPARE(bytesOf(doc.PixelBytes()), (Bytes{30, 20, 30, 20, 70, 60, 70, 60}));
        QCOMPARE(redraws, 2);
    }

    void startsAfreshAfterClosing_data()
    {
        QTest::addColumn<bool>("viaCancel");
        QTest::newRow("Cancel") << true;
        QTest::newRow("close box") << false;
    }
    void startsAfreshAfterClosing()
    {
        QFETCH(bool, viaCancel);
        open();
        click(4);
        click(1);
        click(6); // pending pick, discarded with the window
        viaCancel ? clickCancel() : void(dialog->close());
        QCOMPARE(bytesOf(doc.PixelBytes()), bytesOf(twoPixels(32).PixelBytes()));
        QCOMPARE(redraws, 0);
        settleDeletes();
        QVERIFY(!dialog);

        open();
        QCOMPARE(captions(0), InitialRight);
        QCOMPARE(captions(1), InitialRight);
        QVERIFY(!dialog->pickPending());
        click(3); // picks rather than places
        QCOMPARE(captions(1), InitialRight);
        QVERIFY(dialog->pickPending());
        QCOMPARE(dialog->pickedCaption(), QStringLiteral("Green"));
    }
};

QTEST_MAIN(SwitchDialogTest)
#include "test_switch_dialog.moc"
