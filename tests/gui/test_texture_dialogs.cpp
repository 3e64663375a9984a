#include "shell/ModeDialogs.h"
#include "shell/frmOptions.h"
#include "shell/frmSkelvo.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "support/TexFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
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

    // Accepts the next modal dialog as it comes up, after `fill`.
    static void acceptNext(std::function<void(QDialog*)> fill = {})
    {
        QTimer::singleShot(0, [fill] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            if (fill)
                fill(dialog);
            child<QPushButton>(dialog, "cmdOK")->click();
        });
    }

    static QString checkedIn(frmSkelvo& window, const char* menu)
    {
        for (QAction* a : window.findChild<QMenu*>(QLatin1String(menu))->actions())
            if (a->isChecked())
                return a->objectName();
        return {};
    }

private slots:
    // From a 3 x 2 RGBA texture with one clear pixel, through Image > Mode
    // and Image > TEX Type: what is checked after, the size, what was asked.
    // i256, i16, rgb, rgba: the modes; t<n>: a type; up: Scale Image to the
    // next power of two; y / n: the answer to the alpha question; u: undo.
    void modeMenu_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("undoable");
        QTest::newRow("as opened") << "" << "mnuModeRgba" << "mnuTexType18" << 0 << 3 << 0;
        QTest::newRow("RGB, agreed") << "rgb y" << "mnuModeRgb" << "mnuTexType17" << 1 << 3 << 1;
        QTest::newRow("RGB, refused") << "rgb n" << "mnuModeRgba" << "mnuTexType18" << 1 << 3 << 0;
        QTest::newRow("RGB then RGBA asks no more") << "rgb y rgba" << "mnuModeRgba" << "mnuTexType18" << 1 << 3 << 2;
        QTest::newRow("16 colours") << "i16" << "mnuModeIndexed16" << "mnuTexType15" << 0 << 3 << 1;
        QTest::newRow("16 colours, undone") << "i16 u" << "mnuModeRgba" << "mnuTexType18" << 0 << 3 << 0;
        QTest::newRow("16 then 256 colours") << "i16 i256" << "mnuModeIndexed256" << "mnuTexType1" << 0 << 3 << 2;
        QTest::newRow("type 14: mode, then type") << "t14" << "mnuModeIndexed256" << "mnuTexType14" << 0 << 3 << 2;
        QTest::newRow("type 14, type undone") << "t14 u" << "mnuModeIndexed256" << "mnuTexType1" << 0 << 3 << 1;
        QTest::newRow("type 17 asks first") << "t17 y" << "mnuModeRgb" << "mnuTexType17" << 1 << 3 << 1;
        QTest::newRow("scaled") << "up" << "mnuModeRgba" << "mnuTexType18" << 0 << 4 << 1;
        QTest::newRow("indexed, scaled, undone") << "i256 up u" << "mnuModeIndexed256" << "mnuTexType1" << 0 << 3 << 1;
    }

    void modeMenu()
    {
        QFETCH(QString, script);
        QTemporaryDir dir;
        ImageDocument doc;
        ScriptedPlatform platform;
        frmSkelvo window(doc, platform);
        QVERIFY(!window.menuAction(QStringLiteral("mnuMode"))->isEnabled());
        auto tex = texHeader(3, 2, 18);
        append(tex, {9, 9, 9, 0, 200, 0, 0, 255, 0, 200, 0, 255, 0, 0, 200, 255, 50, 60, 70, 255, 1, 2, 3, 255});
        window.openNamed(writeTestFile(dir, QStringLiteral("clear.tex"), tex));
        for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
            if (step == "y" || step == "n")
                continue;
            const qsizetype next = script.indexOf(step) + step.size() + 1;
            platform.yesNoAnswers.push_back(script.mid(next, 1) == "y");
            if (step == "u")
                window.menuAction(QStringLiteral("mnuUndo"))->trigger();
            else if (step.startsWith('t')) {
                if (step != "t17" && step != "t18") // from RGBA these need the Indexed dialog
                    acceptNext();
                window.menuAction(QStringLiteral("mnuTexType") + step.mid(1))->trigger();
            }
            else if (step == "up") {
                acceptNext([](QDialog* d) { child<QPushButton>(d, "cmdNextPowerOfTwo")->click(); });
                window.menuAction(QStringLiteral("mnuScale"))->trigger();
            } else {
                if (step.startsWith('i'))
                    acceptNext();
                window.menuAction(step.startsWith('i') ? QStringLiteral("mnuModeIndexed") + step.mid(1)
                                  : step == "rgb"      ? QStringLiteral("mnuModeRgb")
                                                       : QStringLiteral("mnuModeRgba"))
                    ->trigger();
            }
            platform.yesNoAnswers.clear();
        }
        QTEST(checkedIn(window, "mnuMode"), "mode");
        QTEST(checkedIn(window, "mnuTexType"), "type");
        QTEST(int(platform.questions.size()), "questions");
        QTEST(int(window.session().document().ImageWidth()), "width");
        int undos = 0;
        for (; window.session().history().nextUndo(); ++undos)
            window.menuAction(QStringLiteral("mnuUndo"))->trigger();
        QTEST(undos, "undoable");
        QCOMPARE(checkedIn(window, "mnuMode"), QStringLiteral("mnuModeRgba"));
    }


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
