#include "shell/ModeDialogs.h"
#include "shell/frmOptions.h"
#include "shell/frmSkelvo.h"
#include "support/ScriptedPlatform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

class TextureDialogsTest : public QObject {
    Q_OBJECT

    template <class W>
    static W* child(QWidget* dialog, const char* name)
    {
        return dialog->findChild<W*>(QLatin1String(name));
    }

private slots:
    // The colour count is held between 2 and the mode's largest; the
    // dithering starts from the remembered choice.
    void indexedLimits_data()
    {
        QTest::addColumn<int>("largest");
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("held");
        QTest::addColumn<int>("dither");
        QTest::newRow("256, untouched") << 256 << -1 << 256 << 0;
        QTest::newRow("256, 300 asked") << 256 << 300 << 256 << 1;
        QTest::newRow("256, 1 asked") << 256 << 1 << 2 << 0;
        QTest::newRow("16, untouched") << 16 << -1 << 16 << 1;
        QTest::newRow("16, 17 asked") << 16 << 17 << 16 << 0;
        QTest::newRow("16, 9 typed") << 16 << 9 << 9 << 0;
    }

    void indexedLimits()
    {
        QFETCH(int, largest);
        QFETCH(int, typed);
        QFETCH(int, dither);
        frmIndexed dialog(QStringLiteral("Indexed"), largest, quantize::Dither(dither));
        auto* colours = child<QSpinBox>(&dialog, "spnColours");
        if (typed == 9) {
            colours->selectAll();
            QTest::keyClicks(colours, QStringLiteral("9"));
        } else if (typed >= 0) {
            colours->setValue(typed);
        }
        child<QCheckBox>(&dialog, "chkAlpha")->setChecked(false);
        const quantize::Options o = dialog.chosen();
        QTEST(o.colours, "held");
        QCOMPARE(int(o.dither), dither);
        QVERIFY(!o.alphaInPalette);
    }

    // Buttons and typing on a w x h image: the boxes after, and whether OK
    // may be pressed. "W=" types into the width box, "H=" into the height's,
    // "unlink" clears Keep aspect ratio, "up" and "down" the powers of two.
    void scaleBoxes_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QSize>("boxes");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("next power of two") << QSize(300, 200) << QStringList{"up"} << QSize(512, 256) << true;
        QTest::newRow("previous power of two") << QSize(300, 200) << QStringList{"down"} << QSize(256, 128) << true;
        QTest::newRow("powers of two already") << QSize(64, 8) << QStringList{"up", "down"} << QSize(64, 8) << true;
        QTest::newRow("one wide") << QSize(1, 37) << QStringList{"up"} << QSize(1, 64) << true;
        QTest::newRow("aspect kept from width") << QSize(300, 200) << QStringList{"W=600"} << QSize(600, 400) << true;
        QTest::newRow("aspect kept from height") << QSize(300, 200) << QStringList{"H=50"} << QSize(75, 50) << true;
        QTest::newRow("aspect kept, at least 1") << QSize(1000, 10) << QStringList{"W=3"} << QSize(3, 1) << true;
        QTest::newRow("aspect unlinked") << QSize(300, 200) << QStringList{"unlink", "W=600"} << QSize(600, 200)
                                         << true;
        QTest::newRow("next power above the limit") << QSize(20000, 100) << QStringList{"up"} << QSize(32768, 128)
                                                    << false;
        QTest::newRow("typed above the limit") << QSize(300, 200) << QStringList{"unlink", "H=40000"}
                                               << QSize(300, 40000) << false;
        QTest::newRow("largest side") << QSize(300, 200) << QStringList{"unlink", "W=32767"} << QSize(32767, 200)
                                      << true;
        QTest::newRow("zero") << QSize(300, 200) << QStringList{"W=0"} << QSize(0, 1) << false;
        QTest::newRow("letters cannot be typed") << QSize(300, 200) << QStringList{"W=2x"} << QSize(2, 1) << true;
        QTest::newRow("empty width") << QSize(300, 200) << QStringList{"W="} << QSize(-1, 200) << false;
    }

    void scaleBoxes()
    {
        QFETCH(QSize, image);
        QFETCH(QStringList, steps);
        QFETCH(QSize, boxes);
        QFETCH(bool, accepted);
        frmScaleImage dialog(image.width(), image.height(), false);
        dialog.show();
        auto* width = child<QLineEdit>(&dialog, "txtWidth");
        auto* height = child<QLineEdit>(&dialog, "txtHeight");
        for (const QString& step : steps) {
            if (step == "up" || step == "down")
                child<QPushButton>(&dialog, step == "up" ? "cmdNextPowerOfTwo" : "cmdPreviousPowerOfTwo")->click();
            else if (step == "unlink")
                child<QCheckBox>(&dialog, "chkKeepAspect")->setChecked(false);
            else {
                QLineEdit* box = step[0] == 'W' ? width : height;
                box->selectAll();
                QTest::keyClick(box, Qt::Key_Backspace);
                QTest::keyClicks(box, step.mid(2));
            }
        }
        QCOMPARE(QSize(width->text().isEmpty() ? -1 : width->text().toInt(), height->text().toInt()), boxes);
        QCOMPARE(child<QPushButton>(&dialog, "cmdOK")->isEnabled(), accepted);
        QCOMPARE(dialog.chosen().has_value(), accepted);
        auto* problem = child<QLabel>(&dialog, "lblProblem");
        QCOMPARE(problem->text().isEmpty(), accepted);
        if (boxes.height() == 40000)
            QVERIFY2(problem->text().contains(QLatin1String("32767")), qPrintable(problem->text()));
        if (accepted)
            QCOMPARE(dialog.chosen()->filter, resample::Filter::Mitchell);
        // Enter presses OK only when it may be pressed.
        QTest::keyClick(width, Qt::Key_Return);
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
    }

    void scaleIndexedSaysNearest()
    {
        frmScaleImage dialog(8, 8, true);
        QVERIFY(!child<QComboBox>(&dialog, "cboFilter")->isEnabled());
        QVERIFY(child<QLabel>(&dialog, "lblNearest")->text().contains(QLatin1String("nearest neighbour")));
    }

    // Through Tools > Options: OK (by button or Enter) stores the choice and
    // bounds the live history; Cancel (by button or Esc) leaves both.
    void options_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("applied");
        QTest::newRow("OK") << "ok" << true;
        QTest::newRow("Enter") << "enter" << true;
        QTest::newRow("Cancel") << "cancel" << false;
        QTest::newRow("Esc") << "esc" << false;
    }

    void options()
    {
        QFETCH(QString, how);
        QFETCH(bool, applied);
        ImageDocument doc;
        ScriptedPlatform platform;
        platform.settings.insert(QStringLiteral("options/undoMemoryMiB"), 64);
        frmSkelvo window(doc, platform);
        QCOMPARE(loadOptions(platform).undoMiB, 64);
        const std::size_t before = window.session().history().bound();
        window.menuAction(QStringLiteral("mnuOptions"))->trigger();
        auto* dialog = window.findChild<frmOptions*>(QStringLiteral("frmOptions"));
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(child<QSpinBox>(dialog, "spnUndoMemory")->value(), 64);
        QCOMPARE(child<QComboBox>(dialog, "cboMipFilter")->currentText(), QStringLiteral("Box in stored values"));
        child<QComboBox>(dialog, "cboMipFilter")->setCurrentIndex(1);
        child<QComboBox>(dialog, "cboDither")->setCurrentIndex(1);
        child<QSpinBox>(dialog, "spnUndoMemory")->setValue(3);
        if (how == "ok" || how == "cancel")
            child<QPushButton>(dialog, how == "ok" ? "cmdOK" : "cmdCancel")->click();
        else
            QTest::keyClick(child<QSpinBox>(dialog, "spnUndoMemory"), how == "enter" ? Qt::Key_Return : Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        const ToolOptions want = applied ? ToolOptions{mip::MipFilter::LinearLight, quantize::Dither::FloydSteinberg, 3}
                                         : ToolOptions{mip::MipFilter::BoxStored, quantize::Dither::None, 64};
        QVERIFY(loadOptions(platform) == want);
        QCOMPARE(window.session().history().bound(), applied ? std::size_t(3) << 20 : before);
    }
};

QTEST_MAIN(TextureDialogsTest)
#include "test_texture_dialogs.moc"
