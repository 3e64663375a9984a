#include "operations/Commands.h"
#include "palette/frmPallet.h"
#include "shell/frmRotate.h"
#include "shell/frmSkelvo.h"
#include "support/SavedImages.h"
#include "support/ShownTitle.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "support/TexFiles.h"
#include "view/PictureArea.h"

#include <QFileInfo>
#include <QAbstractButton>
#include <QAction>
#include <QTemporaryDir>
#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

namespace {
constexpr std::int32_t Red = 0x0000FF, Blue = 0xFF0000, White = 0xFFFFFF;
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
    QString otherPath, savedPath;

    void trigger(const char* name) { window->menuAction(QLatin1String(name))->trigger(); }
    std::int32_t topLeft() const { return window->picture()->pixelAt(0, 0); }

private slots:
    // A 2 x 2 image, red, green / blue, white, opened afresh for each test.
    void init()
    {
        doc = ImageDocument{};
        platform = ScriptedPlatform{};
        auto square = texHeader(2, 2, 18, 1, 0, 0), other = texHeader(1, 1, 18, 1, 0, 0);
        append(square, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
        append(other, {1, 2, 3, 4});
        otherPath = writeTestFile(dir, "other.tex", other);
        savedPath = dir.filePath("saved.tex");
        QFile::remove(savedPath);
        window = std::make_unique<frmSkelvo>(doc, platform);
        window->show();
        window->openNamed(writeTestFile(dir, "square.tex", square));
    }

    void cleanup() { window.reset(); }

    void guard_data()
    {
        QTest::addColumn<Trigger>("how");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<SaveAnswer>("answer");
        QTest::addColumn<bool>("saveDialogCancelled");
        QTest::addColumn<bool>("goesOn");
        for (const auto& [name, how] : {std::pair{"close", Trigger::Close}, std::pair{"open", Trigger::Open},
                                        std::pair{"exit", Trigger::Exit}, std::pair{"drop", Trigger::Drop}}) {
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
        if (modified)
            trigger("mnuFlip");
        QCOMPARE(shownTitle(window.get()), (modified ? "*" : "") + QStringLiteral("square.tex - ") + ProgramTitle);
        platform.saveAnswers.push_back(answer);
        if (answer == SaveAnswer::Save)
            saveDialogCancelled ? platform.cancelFile() : platform.answerFile(savedPath, TexFilterIndex);
        platform.answerFile(otherPath, TexFilterIndex);
        bool wentOn = how == Trigger::Close && window->close();
        if (how == Trigger::Exit)
            trigger("mnuExit");
        else if (how == Trigger::Open)
            trigger("mnuOpen");
        else if (how == Trigger::Drop)
            window->openNamed(otherPath);
        wentOn = wentOn || platform.endRequests == 1 || doc.area() == 1;
        QTEST(wentOn, "goesOn");
        QCOMPARE(platform.questions, std::vector<QString>(modified, "Save changes to square.tex?"));
        QCOMPARE(QFile::exists(savedPath), answer == SaveAnswer::Save && modified && !saveDialogCancelled);
        if (!wentOn)
            QCOMPARE(topLeft(), Blue); // still flipped
    }

    // Undo and Redo name their step and return to the saved state; the
    // rotate dialog and the palette window's OK are one step each.
    void undoRedoRotateAndPalette()
    {
        QCOMPARE(window->menuAction("mnuUndo")->shortcut(), QKeySequence("Ctrl+Z"));
        QCOMPARE(window->menuAction("mnuRedo")->shortcuts(),
                 (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
        trigger("mnuFlip");
        window->Toolbar1_ButtonClick("rotate");
        auto* rotate = window->findChild<frmRotate*>();
        rotate->findChild<QAbstractButton*>("opyLeft")->click();
        rotate->findChild<QAbstractButton*>("cmdOK")->click(); // flipped, then 90 left: white, green / blue, red
        QVERIFY(!rotate->isVisible());
        QCOMPARE(topLeft(), White);
        QCOMPARE(window->menuAction("mnuUndo")->text(), "&Undo Rotate");
        trigger("mnuUndo");
        QCOMPARE(topLeft(), Blue);
        QCOMPARE(window->menuAction("mnuRedo")->text(), "&Redo Rotate");
        platform.answerFile(savedPath, TexFilterIndex);
        trigger("mnuSave");
        const QString saved = QFileInfo(savedPath).fileName() + QStringLiteral(" - ") + ProgramTitle;
        QCOMPARE(shownTitle(window.get()), saved);
        trigger("mnuUndo");
        QCOMPARE(shownTitle(window.get()), "*" + saved);
        QCOMPARE(topLeft(), Red);
        trigger("mnuRedo");
        QVERIFY(!window->isModified());
        trigger("mnuUndo");
        QCOMPARE(topLeft(), Red);
        platform.saveAnswers.push_back(SaveAnswer::Discard);
        window->openNamed(writeTestFile(dir, "mapped.tga", tgaFile(1, 1, 8, 0))); // a palette to edit
        QVERIFY(!window->menuAction("mnuUndo")->isEnabled() && !window->menuAction("mnuRedo")->isEnabled());

        const PaletteEntries256 before = doc.Palette();
        trigger("mnuEditPallet");
        for (int k : {3, 200}) {
            platform.answerColour(0x123456 + k);
            QTest::mouseClick(window->palletWindow()->findChild<QWidget*>(QStringLiteral("lblPallet_%1").arg(k)),
                              Qt::LeftButton);
        }
        window->palletWindow()->findChild<QAbstractButton*>("cmdOK")->click();
        QCOMPARE(doc.Palette()[4 * 200], std::uint8_t(0x56 + 200));
        QCOMPARE(window->menuAction("mnuUndo")->text(), "&Undo Edit Pallet");
        trigger("mnuUndo");
        QVERIFY(doc.Palette() == before);
    }
};

QTEST_MAIN(EditsTest)
#include "test_edits.moc"
