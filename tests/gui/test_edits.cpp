#include "palette/frmPallet.h"
#include "shell/frmRotate.h"
#include "shell/frmSkelvo.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "support/TexFiles.h"
#include "view/PictureArea.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

namespace {

constexpr std::int32_t Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000, White = 0xFFFFFF;

// 2 x 2, 32-bit: red, green / blue, white.
std::vector<std::uint8_t> square()
{
    auto f = texHeader(2, 2, 18, 1, 0, 0);
    append(f, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
    return f;
}

enum class Trigger { Close, Open, Exit, Drop };

} // namespace

Q_DECLARE_METATYPE(Trigger)
Q_DECLARE_METATYPE(SaveAnswer)

class EditsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ImageDocument doc;
    ScriptedPlatform platform;
    std::unique_ptr<frmSkelvo> window;
    QString squarePath, otherPath, savedPath;

    void trigger(const QString& name) { window->menuAction(name)->trigger(); }
    std::int32_t topLeft() const { return window->picture()->pixelAt(0, 0); }
    QString text(const char* name) const { return window->menuAction(QLatin1String(name))->text(); }

private slots:
    void init()
    {
        doc = ImageDocument{};
        platform = ScriptedPlatform{};
        squarePath = writeTestFile(dir, "square.tex", square());
        auto other = texHeader(1, 1, 18, 1, 0, 0);
        append(other, {1, 2, 3, 4});
        otherPath = writeTestFile(dir, "other.tex", other);
        savedPath = dir.filePath("saved.tex");
        QFile::remove(savedPath);
        window = std::make_unique<frmSkelvo>(doc, platform);
        window->show();
        window->openNamed(squarePath);
        QCOMPARE(topLeft(), Red);
    }

    void cleanup()
    {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void guard_data()
    {
        QTest::addColumn<Trigger>("how");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<SaveAnswer>("answer");
        QTest::addColumn<bool>("saveDialogCancelled");
        QTest::addColumn<bool>("goesOn");
        const std::pair<const char*, Trigger> triggers[] = {
            {"close", Trigger::Close}, {"open", Trigger::Open}, {"exit", Trigger::Exit}, {"drop", Trigger::Drop}};
        for (const auto& [name, how] : triggers) {
            const QByteArray n(name);
            QTest::newRow(n + ", unmodified") << how << false << SaveAnswer::Cancel << false << true;
            QTest::newRow(n + ", save") << how << true << SaveAnswer::Save << false << true;
            QTest::newRow(n + ", save cancelled") << how << true << SaveAnswer::Save << true << false;
            QTest::newRow(n + ", discard") << how << true << SaveAnswer::Discard << false << true;
            QTest::newRow(n + ", cancel") << how << true << SaveAnswer::Cancel << false << false;
        }
    }

    void guard()
    {
        QFETCH(Trigger, how);
        QFETCH(bool, modified);
        QFETCH(SaveAnswer, answer);
        QFETCH(bool, saveDialogCancelled);
        QFETCH(bool, goesOn);
        if (modified)
            trigger("mnuFlip");
        QCOMPARE(window->windowTitle(), (modified ? "*" : "") + ProgramTitle);
        platform.saveAnswers.push_back(answer);
        if (saveDialogCancelled)
            platform.cancelFile();
        else if (answer == SaveAnswer::Save)
            platform.answerFile(savedPath, TexFilterIndex);
        platform.answerFile(otherPath, TexFilterIndex);

        bool wentOn = false;
        switch (how) {
        case Trigger::Close: wentOn = window->close(); break;
        case Trigger::Exit:
            trigger("mnuExit");
            wentOn = platform.endRequests == 1;
            break;
        case Trigger::Open: trigger("mnuOpen"); [[fallthrough]];
        case Trigger::Drop:
            if (how == Trigger::Drop)
                window->openNamed(otherPath);
            wentOn = doc.PixelCount == 1;
            break;
        }
        QCOMPARE(wentOn, goesOn);
        QCOMPARE(platform.questions, modified ? std::vector<QString>{"Save changes to square.tex?"}
                                              : std::vector<QString>{});
        QCOMPARE(QFile::exists(savedPath), answer == SaveAnswer::Save && modified && !saveDialogCancelled);
        if (!goesOn) // everything as it was
            QCOMPARE(topLeft(), Blue);
    }

    void undoRedoAndTheSavedState()
    {
        QVERIFY(!window->menuAction("mnuUndo")->isEnabled());
        QCOMPARE(window->menuAction("mnuUndo")->shortcut(), QKeySequence("Ctrl+Z"));
        QCOMPARE(window->menuAction("mnuRedo")->shortcuts(),
                 (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
        trigger("mnuFlip");
        trigger("mnuMirror");
        QCOMPARE(topLeft(), White);
        QCOMPARE(text("mnuUndo"), "&Undo Mirror");
        trigger("mnuUndo");
        QCOMPARE(topLeft(), Blue);
        QCOMPARE(text("mnuRedo"), "&Redo Mirror");
        QVERIFY(window->isModified());
        platform.answerFile(savedPath, TexFilterIndex);
        trigger("mnuSave");
        QCOMPARE(window->windowTitle(), ProgramTitle);
        trigger("mnuUndo");
        QCOMPARE(window->windowTitle(), "*" + ProgramTitle);
        QCOMPARE(topLeft(), Red);
        trigger("mnuRedo");
        QVERIFY(!window->isModified());
        window->openNamed(otherPath);
        QVERIFY(!window->menuAction("mnuUndo")->isEnabled() && !window->menuAction("mnuRedo")->isEnabled());
    }

    void rotateDialog_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<std::int32_t>("shown");
        QTest::newRow("defaults: 90 right") << QStringList{"cmdOK"} << Blue;
        QTest::newRow("180 left") << QStringList{"opt180", "opyLeft", "cmdOK"} << White;
        QTest::newRow("90 left") << QStringList{"opyLeft", "cmdOK"} << Green;
        QTest::newRow("270 right") << QStringList{"opt270", "cmdOK"} << Green;
        QTest::newRow("cancel") << QStringList{"opt180", "cmdCancel"} << Red;
    }

    void rotateDialog()
    {
        QFETCH(QStringList, clicks);
        QFETCH(std::int32_t, shown);
        window->Toolbar1_ButtonClick("rotate");
        QPointer<frmRotate> dialog = window->findChild<frmRotate*>();
        QVERIFY(dialog && dialog->isVisible());
        for (const QString& name : clicks)
            dialog->findChild<QAbstractButton*>(name)->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!dialog);
        QCOMPARE(topLeft(), shown);
        QCOMPARE(window->isModified(), shown != Red);
    }

    void paletteEditIsOneStep()
    {
        const PaletteColours before = doc.Palette;
        trigger("mnuEditPallet");
        frmPallet* pallet = window->palletWindow();
        for (int k : {3, 200}) {
            platform.answerColour(0x123456 + k);
            QTest::mouseClick(pallet->findChild<QWidget*>(QStringLiteral("lblPallet_%1").arg(k)), Qt::LeftButton);
        }
        pallet->findChild<QAbstractButton*>("cmdOK")->click();
        QCOMPARE(doc.Palette[4 * 200], std::uint8_t(0x56 + 200));
        QCOMPARE(text("mnuUndo"), "&Undo Edit Pallet");
        trigger("mnuUndo");
        QVERIFY(doc.Palette == before);
        QVERIFY(!window->menuAction("mnuUndo")->isEnabled());
    }
};

QTEST_MAIN(EditsTest)
#include "test_edits.moc"
