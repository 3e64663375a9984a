#include "shell/ModeDialogs.h"
#include "shell/frmOptions.h"
#include "shell/frmSkelvo.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "support/TexFiles.h"

#include <QAction>
#include <QActionGroup>
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

    static QString checkedIn(frmSkelvo& window, const char* menu)
    {
        QAction* a = window.findChild<QMenu*>(QLatin1String(menu))->findChild<QActionGroup*>()->checkedAction();
        return a ? a->objectName() : QString();
    }

private slots:
    // A 3 x 2 RGBA texture with one clear pixel through Image > Mode, TEX Type
    // and Scale Image (dialogs accepted, scaled to the next power of two, the
    // alpha question answered `yes`): checks, width, questions, undo steps.
    void modeMenu_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("undoable");
        QTest::newRow("as opened") << "" << true << "Rgba" << "18" << 0 << 3 << 0;
        QTest::newRow("RGB, agreed") << "Rgb" << true << "Rgb" << "17" << 1 << 3 << 1;
        QTest::newRow("RGB, refused") << "Rgb" << false << "Rgba" << "18" << 1 << 3 << 0;
        QTest::newRow("16 then 256") << "Indexed16 Indexed256" << true << "Indexed256" << "1" << 0 << 3 << 2;
        QTest::newRow("type 14: mode, then type") << "14" << true << "Indexed256" << "14" << 0 << 3 << 2;
        QTest::newRow("type 15, undone") << "15 Undo" << true << "Rgba" << "18" << 0 << 3 << 0;
        QTest::newRow("type 17 asks first") << "17" << true << "Rgb" << "17" << 1 << 3 << 1;
        QTest::newRow("indexed, scaled") << "Indexed256 Scale" << true << "Indexed256" << "1" << 0 << 4 << 2;
    }

    void modeMenu()
    {
        QFETCH(QString, script);
        QFETCH(bool, yes);
        QTemporaryDir dir;
        ImageDocument doc;
        ScriptedPlatform platform;
        frmSkelvo window(doc, platform);
        QVERIFY(!window.menuAction(QStringLiteral("mnuMode"))->isEnabled());
        auto tex = texHeader(3, 2, 18);
        append(tex, {9, 9, 9, 0, 200, 0, 0, 255, 0, 200, 0, 255, 0, 0, 200, 255, 50, 60, 70, 255, 1, 2, 3, 255});
        window.openNamed(writeTestFile(dir, QStringLiteral("clear.tex"), tex));
        platform.yesNoAnswers.push_back(yes);
        for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
            const bool type = step[0].isDigit(), dialog = step.startsWith("Indexed") || step == "14" || step == "15";
            if (dialog || step == "Scale")
                QTimer::singleShot(0, [] {
                    QWidget* d = QApplication::activeModalWidget();
                    if (auto* up = child<QPushButton>(d, "cmdNextPowerOfTwo"))
                        up->click();
                    child<QPushButton>(d, "cmdOK")->click();
                });
            window.menuAction(QLatin1String(type ? "mnuTexType" : step == "Undo" || step == "Scale" ? "mnu" : "mnuMode")
                              + step)
                ->trigger();
        }
        QTEST(checkedIn(window, "mnuMode").mid(7), "mode");
        QTEST(checkedIn(window, "mnuTexType").mid(10), "type");
        QTEST(int(platform.questions.size()), "questions");
        QTEST(int(window.session().document().ImageWidth()), "width");
        int undos = 0;
        for (; window.session().history().nextUndo(); ++undos)
            window.menuAction(QStringLiteral("mnuUndo"))->trigger();
        QTEST(undos, "undoable");
    }

    // The colour count is held between 2 and the mode's largest; the
    // dithering starts from the remembered choice.
    void indexedLimits_data()
    {
        QTest::addColumn<int>("largest");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("held");
        QTest::addColumn<int>("dither");
        QTest::newRow("256, as it opens") << 256 << "" << 256 << 1;
        QTest::newRow("256, 300 typed") << 256 << "300" << 30 << 0;
        QTest::newRow("16, 17 typed") << 16 << "17" << 16 << 1;
        QTest::newRow("16, 9 typed") << 16 << "9" << 9 << 0;
    }

    void indexedLimits()
    {
        QFETCH(int, largest);
        QFETCH(QString, typed);
        QFETCH(int, dither);
        frmIndexed dialog(QStringLiteral("Indexed"), largest, quantize::Dither(dither));
        auto* colours = child<QSpinBox>(&dialog, "spnColours");
        if (!typed.isEmpty()) {
            colours->selectAll();
            QTest::keyClicks(colours, typed); // a digit that would pass the largest is refused
        }
        child<QCheckBox>(&dialog, "chkAlpha")->setChecked(false);
        const quantize::Options o = dialog.chosen();
        QTEST(o.colours, "held");
        QCOMPARE(int(o.dither), dither);
        QVERIFY(!o.alphaInPalette);
        QCOMPARE(colours->minimum(), 2);
        QCOMPARE(colours->maximum(), largest);
    }

    // Buttons and typing on a w x h image: the boxes after, and whether OK
    // (and Enter) may be pressed. "W=" / "H=" type into a box, "unlink"
    // clears Keep aspect ratio, "up" and "down" press the powers of two.
    void scaleBoxes_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QSize>("boxes");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("next power of two") << QSize(300, 200) << QStringList{"up"} << QSize(512, 256) << true;
        QTest::newRow("previous power of two") << QSize(300, 200) << QStringList{"down"} << QSize(256, 128) << true;
        QTest::newRow("aspect from width") << QSize(300, 200) << QStringList{"W=600"} << QSize(600, 400) << true;
        QTest::newRow("aspect, at least 1") << QSize(1000, 10) << QStringList{"W=3"} << QSize(3, 1) << true;
        QTest::newRow("unlinked") << QSize(300, 200) << QStringList{"unlink", "W=600"} << QSize(600, 200) << true;
        QTest::newRow("next power past the limit") << QSize(20000, 9) << QStringList{"up"} << QSize(32768, 16) << false;
        QTest::newRow("letters refused") << QSize(300, 200) << QStringList{"W=2x"} << QSize(2, 1) << true;
        QTest::newRow("empty width") << QSize(300, 200) << QStringList{"W="} << QSize(-1, 200) << false;
    }

    void scaleBoxes()
    {
        QFETCH(QSize, image);
        QFETCH(QStringList, steps);
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
        QTEST(QSize(width->text().isEmpty() ? -1 : width->text().toInt(), height->text().toInt()), "boxes");
        QCOMPARE(dialog.chosen().has_value(), accepted);
        QCOMPARE(child<QLabel>(&dialog, "lblProblem")->text().isEmpty(), accepted);
        if (accepted)
            QCOMPARE(dialog.chosen()->filter, resample::Filter::Mitchell);
        QTest::keyClick(width, Qt::Key_Return);
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
    }

    void scaleIndexedSaysNearest()
    {
        frmScaleImage dialog(8, 8, true);
        QVERIFY(!child<QComboBox>(&dialog, "cboFilter")->isEnabled()
                && child<QLabel>(&dialog, "lblNearest")->text().contains(QLatin1String("nearest neighbour")));
    }

    // Tools > Options over a stored 64 MiB bound, which the window applied
    // at start: OK (by button or Enter) stores the choice and bounds the
    // live history; Cancel (by button or Esc) leaves both.
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
        window.menuAction(QStringLiteral("mnuOptions"))->trigger();
        auto* dialog = window.findChild<frmOptions*>(QStringLiteral("frmOptions"));
        QVERIFY(dialog->isVisible());
        child<QComboBox>(dialog, "cboMipFilter")->setCurrentIndex(1);
        child<QComboBox>(dialog, "cboDither")->setCurrentIndex(1);
        auto* undo = child<QSpinBox>(dialog, "spnUndoMemory");
        QCOMPARE(undo->value(), 64);
        undo->setValue(3);
        if (how == "ok" || how == "cancel")
            child<QPushButton>(dialog, how == "ok" ? "cmdOK" : "cmdCancel")->click();
        else
            QTest::keyClick(undo, how == "enter" ? Qt::Key_Return : Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        const ToolOptions want = applied ? ToolOptions{mip::MipFilter::LinearLight, quantize::Dither::FloydSteinberg, 3}
                                         : ToolOptions{mip::MipFilter::BoxStored, quantize::Dither::None, 64};
        QVERIFY(loadOptions(platform) == want);
        QCOMPARE(window.session().history().bound(), std::size_t(want.undoMiB) << 20);
    }
};

QTEST_MAIN(TextureDialogsTest)
#include "test_texture_dialogs.moc"
