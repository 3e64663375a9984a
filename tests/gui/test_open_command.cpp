#include "document/ImageDocument.h"
#include "operations/Commands.h"
#include "palette/frmPallet.h"
#include "support/Documents.h"
#include "widgets/TabControl.h"
#include "shell/frmSkelvo.h"
#include "support/ShownTitle.h"
#include "support/SavedImages.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "support/TexFiles.h"
#include "widgets/ColourValue.h"
#include "view/PictureArea.h"

#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include <sys/stat.h>

using namespace vtt;
using namespace vtt::testing;

namespace {

struct PanelTexts {
    QString width, height, type, mips, unknown, bits;
    bool operator==(const PanelTexts&) const = default;
};

} // namespace

class OpenCommandTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ImageDocument doc;
    ScriptedPlatform platform;
    std::unique_ptr<frmSkelvo> window;

    QString write(const QString& name, const std::vector<std::uint8_t>& bytes)
    {
        return writeTestFile(dir, name, bytes);
    }

    void open(const QString& path, int filter = 1)
    {
        platform.answerFile(path, filter);
        window->mnuOpen_Click();
    }

    PanelTexts panel() const
    {
        auto label = [&](const char* n) { return window->findChild<QLabel*>(QLatin1String(n))->text(); };
        auto box = [&](const char* n) { return window->findChild<QLineEdit*>(QLatin1String(n))->text(); };
        return {label("lblWidth"), label("lblHeight"), label("lblType"), box("txtMips"), box("txtUnknown"), box("txtBits")};
    }

    std::int32_t shown(int x, int y) const { return window->picture()->pixelAt(x, y); }

    // 2 x 2 type 18: red, green / blue, white with varied alpha.
    static std::vector<std::uint8_t> rgbaSquare(std::int16_t mips = 3, std::int16_t unknown = -1,
                                                std::int32_t bits = 2147483647)
    {
        auto f = texHeader(2, 2, 18, mips, unknown, bits);
        append(f, {255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255, 255, 255, 255, 7});
        return f;
    }

    // 512 x 512 type 18 whose pixel (x, y) is red x mod 256, green y mod 256.
    QString ramp()
    {
        auto f = texHeader(512, 512, 18);
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 512; ++x)
                append(f, {std::uint8_t(x), std::uint8_t(y), 0, 255});
        return write("ramp.tex", f);
    }

    // Keys as named ("+", "Num++", "Right"), or a drag by (-40, -20),
    // or one wheel notch at (100, 50): down, Shift+down or Ctrl+up.
    void input(const QString& what)
    {
        PictureArea* p = window->picture();
        const QPointF at(100, 50), global = p->mapToGlobal(at);
        if (what.endsWith("wheel")) {
            const bool ctrl = what.startsWith("ctrl");
            const auto shift = what.startsWith("shift") ? Qt::ShiftModifier : Qt::NoModifier;
            QWheelEvent wheel(at, global, {}, {0, ctrl ? 120 : -120}, Qt::NoButton, ctrl ? Qt::ControlModifier : shift,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(p, &wheel);
        } else if (what == "drag") {
            QTest::mousePress(p, Qt::LeftButton, {}, {100, 100});
            QMouseEvent move(QEvent::MouseMove, QPointF(60, 80), global, Qt::NoButton, Qt::LeftButton, {});
            QCoreApplication::sendEvent(p, &move);
            QTest::mouseRelease(p, Qt::LeftButton, {}, {60, 80});
        } else {
            for (const QString& key : what.split(' '))
                QTest::keyClick(p, QKeySequence(key)[0].key(), QKeySequence(key)[0].keyboardModifiers());
        }
    }

private slots:
    void init()
    {
        doc = ImageDocument{};
        platform = ScriptedPlatform{};
        window = std::make_unique<frmSkelvo>(doc, platform);
        window->show();
    }

    void startsWithDesignTexts()
    {
        QCOMPARE(panel(), (PanelTexts{"Width:", "Height:", "Type:", "1", "0", ""}));
        QCOMPARE(shownTitle(window.get()), QStringLiteral("Vellicor Texture Tool"));
        QCOMPARE(window->findChild<TabControl*>("SSTab1")->currentIndex(), 0);
    }

    void controlBytesInTheNameAreShownEscaped()
    {
        open(write("e\x1b[2J.tex", rgbaSquare()));
        QCOMPARE(shownTitle(window.get()), QStringLiteral("e\\x1b[2J.tex - Vellicor Texture Tool"));
    }

    void openTexFillsPanelDocumentAndPicture()
    {
        const QString path = write("square.tex", rgbaSquare());
        open(path);
        QVERIFY(platform.messages.empty());
        QCOMPARE(panel(), (PanelTexts{"Width: 2", "Height: 2", "Type: 18", "3", "-1", "2147483647"}));
        QCOMPARE(doc.Facts.FileName, path.toStdString());
        QCOMPARE(doc.Facts.Kind, ImageFormat::Tex);
        QCOMPARE(doc.area(), 4);
        QCOMPARE(shown(0, 0), colourValue(255, 0, 0));
        QCOMPARE(shown(1, 0), colourValue(0, 255, 0));
        QCOMPARE(shown(0, 1), colourValue(0, 0, 255));
        QCOMPARE(shown(1, 1), 16777215);
        const std::int32_t background = shown(2, 0);
        QVERIFY(background != 16777215);
        QCOMPARE(shown(0, 2), background);
        // Hovering names the pixel as stored, alpha included; nothing outside.
        PictureArea* p = window->picture();
        QHelpEvent hover(QEvent::ToolTip, QPoint(2, 3), p->mapToGlobal(QPoint(2, 3)));
        QCoreApplication::sendEvent(p, &hover);
        QCOMPARE(QToolTip::text(), QStringLiteral("0, 1: 0 0 255 255"));
        QCOMPARE(p->pixelText(1, 0), QStringLiteral("1, 0: 0 255 0 128"));
        QCOMPARE(p->pixelText(2, 0), QString());
    }

    void palettePixelsAreDrawnInTheirEntryColour()
    {
        auto f = texHeader(4, 2, 1);
        appendRepeated(f, 1024, 0);
        f[14 + 4 * 9 + 0] = 10; // blue
        f[14 + 4 * 9 + 1] = 20; // green
        f[14 + 4 * 9 + 2] = 30; // red
        append(f, {0, 0, 0, 0, 9, 0, 0, 9});
        open(write("pal.tex", f));
        QCOMPARE(shown(0, 1), colourValue(30, 20, 10));
        QCOMPARE(shown(3, 1), colourValue(30, 20, 10));
        QCOMPARE(shown(1, 1), 0);
        QCOMPARE(window->picture()->pixelText(3, 1), QStringLiteral("3, 1: 30 20 10 0 (index 9)"));
    }

    void type15IsDrawnFromItsSixteenEntries()
    {
        auto f = texHeader(2, 1, 15);
        append(f, {1, 2, 3, 4});
        appendRepeated(f, 56, 0);
        append(f, {200, 100, 50, 0}); // entry 15, red first
        append(f, {15, 0});
        open(write("t15.tex", f));
        QVERIFY(platform.messages.empty());
        QCOMPARE(doc.BitDepth(), std::uint8_t(8));
        QCOMPARE(shown(0, 0), colourValue(200, 100, 50));
        QCOMPARE(shown(1, 0), colourValue(1, 2, 3));
    }

    void pictureSurvivesTabSwitch()
    {
        open(write("square.tex", rgbaSquare()));
        auto* tabs = window->findChild<TabControl*>("SSTab1");
        tabs->setCurrentIndex(1);
        QVERIFY(!window->picture()->isVisible());
        tabs->setCurrentIndex(0);
        QCOMPARE(shown(0, 0), colourValue(255, 0, 0));
    }

    void viewFollowsInputAndOpenResetsIt_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QPointF>("origin");
        QTest::newRow("+, =, keypad +") << "+ = Num++" << 8.0 << QPointF(110.25, 110.25);
        QTest::newRow("-") << "-" << 0.5 << QPointF(0, 0);
        QTest::newRow("F") << "F" << 0.4921875 << QPointF(0, 0);
        QTest::newRow("+ then 1") << "+ 1" << 1.0 << QPointF(0, 0);
        QTest::newRow("arrows") << "Right Down" << 1.0 << QPointF(32, 32);
        QTest::newRow("drag") << "drag" << 1.0 << QPointF(40, 20);
        QTest::newRow("wheel") << "wheel" << 1.0 << QPointF(0, 48);
        QTest::newRow("shift+wheel") << "shift+wheel" << 1.0 << QPointF(48, 0);
        QTest::newRow("ctrl+wheel at pointer") << "ctrl+wheel" << 2.0 << QPointF(49, 24);
    }
    // Redraws keep the view; only an open resets it to 1:1 at the top left.
    void viewFollowsInputAndOpenResetsIt()
    {
        QFETCH(QString, what);
        QFETCH(double, scale);
        QFETCH(QPointF, origin);
        const QString path = ramp();
        open(path);
        input(what);
        window->mnuFlip_Click();
        window->mnuFlip_Click();
        const ViewTransform& view = window->picture()->view();
        QCOMPARE(view.scale(), scale);
        QCOMPARE(QPointF(view.originX(), view.originY()), origin);
        // From 1:1 up every picture pixel shows the ramp pixel the view maps
        // it to (the ramp covers the whole area in every row); below, the
        // picture averages (test_view_pyramid).
        const QImage picture = window->picture()->visiblePicture();
        for (int y = 0; scale >= 1 && y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb expected = qRgb(view.columnAt(x) & 255, view.rowAt(y) & 255, 0);
                QVERIFY2(picture.pixel(x, y) == expected, qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
            }
        platform.saveAnswers.push_back(SaveAnswer::Discard); // the two flips
        open(path);
        QCOMPARE(view.scale(), 1.0);
        QCOMPARE(QPointF(view.originX(), view.originY()), QPointF(0, 0));
    }

    void cancelChangesNothing()
    {
        const QString path = write("square.tex", rgbaSquare());
        open(path);
        const PanelTexts before = panel();
        platform.cancelFile();
        window->mnuOpen_Click();
        QCOMPARE(panel(), before);
        QCOMPARE(doc.Facts.FileName, path.toStdString());
        QCOMPARE(shown(0, 0), colourValue(255, 0, 0));
        QCOMPARE(platform.dialogState().path, path);
        QVERIFY(platform.messages.empty());
    }

    void dialogRemembersNameAndFilter()
    {
        const QString path = write("square.tex", rgbaSquare());
        open(path, 1);
        platform.cancelFile();
        window->mnuOpen_Click();
        QCOMPARE(platform.fileDialogStarts.at(0).filterIndex, 1);
        QVERIFY(platform.fileDialogStarts.at(0).path.isEmpty());
        QCOMPARE(platform.fileDialogStarts.at(1).path, path);
        QCOMPARE(platform.fileDialogStarts.at(1).filterIndex, 1);
    }

    void unsupportedTypeKeepsEverything()
    {
        open(write("square.tex", rgbaSquare()));
        const PanelTexts before = panel();
        const auto pixels = doc.PixelBytes();
        auto f = texHeader(8, 8, 16, 9, 9, 9);
        appendRepeated(f, 300, 1);
        open(write("t16.tex", f));

        QCOMPARE(platform.messages.size(), std::size_t(1));
        const RecordedMessage& m = platform.messages.front();
        QCOMPARE(m.text, QStringLiteral("You have opend a tex file whit unsupported type so please email the "
                                        "filename to the author"));
        QCOMPARE(m.title, QStringLiteral("Error"));
        QCOMPARE(m.style, MessageStyle::Stop);
        QCOMPARE(panel(), before);
        QCOMPARE(doc.Facts.Tex.Type, std::int16_t(18));
        QVERIFY(bytesOf(doc.PixelBytes()) == bytesOf(pixels));
        QCOMPARE(shown(0, 0), colourValue(255, 0, 0));
    }

    void badFilesAreNamedAndChangeNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::vector<std::uint8_t>>("bytes"); // empty name: no file at all
        QTest::addColumn<QString>("mentions");
        auto shortType1 = texHeader(4, 2, 1);
        appendRepeated(shortType1, 100, 0);
        auto huge = texHeader(32767, 32767, 18);
        appendRepeated(huge, 6, 0);
        QTest::addRow("missing") << "" << std::vector<std::uint8_t>{} << "does not exist";
        QTest::addRow("empty") << "empty.tex" << std::vector<std::uint8_t>{} << "0 bytes";
        QTest::addRow("short header") << "hdr.tex" << std::vector<std::uint8_t>(9, 1) << "9 bytes";
        QTest::addRow("short body") << "body.tex" << shortType1 << "1046 bytes";
        QTest::addRow("huge claim") << "huge.tex" << huge << "only 20 bytes";
        QTest::addRow("negative width") << "neg.tex" << texHeader(-4, 2, 18) << "negative";
        QTest::addRow("FIFO") << "|pipe.tga" << std::vector<std::uint8_t>{} << "it is not a regular file";
        QTest::addRow("escape bytes in the name") << "e\x1b[2J.tex" << std::vector<std::uint8_t>(9, 1) << "e\\x1b[2J.tex";
    }
    void badFilesAreNamedAndChangeNothing()
    {
        QFETCH(QString, name);
        QFETCH(std::vector<std::uint8_t>, bytes);
        QFETCH(QString, mentions);
        const QString good = write("square.tex", rgbaSquare());
        open(good);
        const PanelTexts before = panel();

        QString path = name.isEmpty() ? dir.filePath("no-such-file.tex") : dir.filePath(name.mid(1));
        if (name.startsWith('|')) // a FIFO with no writer: opening it for reading must not wait
            QCOMPARE(::mkfifo(qPrintable(path), 0600), 0);
        else if (!name.isEmpty())
            path = write(name, bytes);
        open(path);
        QCOMPARE(platform.messages.size(), std::size_t(1));
        const RecordedMessage& m = platform.messages.front();
        QCOMPARE(m.style, MessageStyle::Stop);
        QVERIFY2(m.text.contains(QString(path).replace(QChar(0x1b), "\\x1b")), qPrintable(m.text));
        QVERIFY2(m.text.contains(mentions) && !m.text.contains(QChar(0x1b)), qPrintable(m.text));
        QCOMPARE(panel(), before);
        QCOMPARE(doc.Facts.FileName, good.toStdString());
        QCOMPARE(doc.area(), 4);
        QCOMPARE(shown(1, 0), colourValue(0, 255, 0));
    }

    void secondFilterReadsAsTargaWhateverTheName()
    {
        // A 2 x 1 24-bit Targa under a .tex name: blue, green, red order.
        std::vector<std::uint8_t> tga(18, 0);
        tga[2] = 2;
        tga[12] = 2;
        tga[14] = 1;
        tga[16] = 24;
        tga[17] = 0x20;
        append(tga, {1, 2, 3, 4, 5, 6});
        open(write("really-a-png.tga", testDataFile("png/rgb8-pil.png")), 3);
        QCOMPARE(doc.Facts.Kind, ImageFormat::Png);
        open(write("really-a-targa.tex", tga), 2);
        QVERIFY2(platform.messages.empty(), platform.messages.empty() ? "" : qPrintable(platform.messages[0].text));
        QCOMPARE(doc.Facts.Kind, ImageFormat::Tga);
        QCOMPARE(shown(0, 0), colourValue(3, 2, 1));
        QCOMPARE(shown(1, 0), colourValue(6, 5, 4));
        // The panel shows the Targa, with the type a TEX save would write;
        // the boxes belong to TEX files.
        QCOMPARE(panel(), (PanelTexts{"Width: 2", "Height: 1", "Type: 17", "1", "0", ""}));
    }

    // The filter is tried first; a file it refuses is read as its PNG
    // signature or its extension says.
    void refusedByTheFilterReadAsTheFileSays()
    {
        for (const auto& [name, filter, bytes, kind] :
             {std::tuple{"small.tga", 1, tgaFile(2, 1, 24, 0x20), ImageFormat::Tga},
              std::tuple{"pic.tex", 2, testDataFile("png/rgb8-pil.png"), ImageFormat::Png},
              std::tuple{"any", 4, testDataFile("png/rgb8-pil.png"), ImageFormat::Png}}) {
            open(write(QLatin1String(name), bytes), filter);
            QVERIFY(platform.messages.empty());
            QCOMPARE(doc.Facts.Kind, kind);
            QCOMPARE(platform.dialogState().filterIndex, filterForFormat(kind)); // and Save starts as it
        }
    }

    // The tab tells the current document after every open, edit and save;
    // a changed box is a change of the document until it is saved.
    void panelFollowsOpensEditsAndSaves()
    {
        open(write("wide.tga", tgaFile(3, 1, 8, 0x20)), 2);
        QCOMPARE(panel(), (PanelTexts{"Width: 3", "Height: 1", "Type: 1", "1", "0", ""}));
        window->session().perform(std::make_unique<RotateCommand>(90));
        QCOMPARE(panel().height, QStringLiteral("Height: 3"));
        window->session().undo();
        window->findChild<QLineEdit*>("txtUnknown")->setText("5");
        QCOMPARE(shownTitle(window.get()), QStringLiteral("*wide.tga - Vellicor Texture Tool"));
        platform.answerFile(dir.filePath("wide.tex"), 1);
        window->mnuSave_Click();
        QCOMPARE(shownTitle(window.get()), QStringLiteral("wide.tex - Vellicor Texture Tool"));
        QCOMPARE(panel(), (PanelTexts{"Width: 3", "Height: 1", "Type: 1", "1", "5", ""}));
    }

    // Next and Previous File walk the folder's images in name order, past
    // other names, folders and FIFOs, and stop at either end.
    void nextAndPreviousFile()
    {
        QVERIFY(QDir(dir.path()).mkpath("walk/b.tex"));
        QCOMPARE(::mkfifo(qPrintable(dir.filePath("walk/c.tga")), 0600), 0);
        const QString first = write("walk/A.tga", tgaFile(2, 1, 24, 0x20)), last = write("walk/e.TEX", rgbaSquare());
        window->openNamed(first);
        QAction* next = window->menuAction("mnuNextFile");
        next->trigger();
        next->trigger(); // past the end: stays
        QCOMPARE(doc.Facts.FileName, last.toStdString());
        window->session().perform(std::make_unique<FlipCommand>());
        window->menuAction("mnuPreviousFile")->trigger(); // Cancel: nothing opened
        QCOMPARE(platform.questions, std::vector<QString>{"Save changes to e.TEX?"});
        platform.saveAnswers = {SaveAnswer::Discard};
        window->menuAction("mnuPreviousFile")->trigger();
        QCOMPARE(doc.Facts.FileName, first.toStdString());
    }

    // A true-colour image has no palette to edit: the window says so.
    void paletteWindowWithoutAPalette()
    {
        open(write("rgb.tga", tgaFile(2, 1, 24, 0x20)), 2);
        window->mnuEditPallet_Click();
        QVERIFY(window->palletWindow()->findChild<QWidget*>("lblNoPallet")->isVisible());
        QVERIFY(!window->palletWindow()->findChild<QWidget*>("lblPallet_0")->isVisible());
        QVERIFY(!window->palletWindow()->findChild<QWidget*>("cmdOK")->isEnabled());
    }

    // Named on the program's command line, or dropped on the main window.
    void namedOrDroppedFileIsReadAsItsNameSays_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::vector<std::uint8_t>>("bytes");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<int>("kind"); // -1: refused with a message
        QTest::addRow("named, upper-case TEX") << "a.TEX" << rgbaSquare() << false << int(ImageFormat::Tex);
        QTest::addRow("dropped tex") << "b.tex" << rgbaSquare() << true << int(ImageFormat::Tex);
        QTest::addRow("named, no extension") << "c" << tgaFile(2, 2, 32, 0) << false << int(ImageFormat::Tga);
        QTest::addRow("dropped tga") << "d.tga" << tgaFile(2, 2, 8, 0) << true << int(ImageFormat::Tga);
        QTest::addRow("named, short") << "e.tga" << std::vector<std::uint8_t>(9, 1) << false << -1;
        const auto png = testDataFile("png/palette4-pil.png");
        QTest::addRow("dropped, upper-case PNG") << "f.PNG" << png << true << int(ImageFormat::Png);
        QTest::addRow("named png, cut short") << "g.png" << std::vector<std::uint8_t>(png.begin(), png.end() - 1)
                                              << false << -1;
    }
    void namedOrDroppedFileIsReadAsItsNameSays()
    {
        QFETCH(QString, name);
        QFETCH(std::vector<std::uint8_t>, bytes);
        QFETCH(bool, drop);
        QFETCH(int, kind);
        const QString path = write(name, bytes);
        if (drop) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(path)});
            QDragEnterEvent enter({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window.get(), &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent dropped({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window.get(), &dropped);
        } else {
            window->openNamed(path);
        }
        QCOMPARE(doc.Facts.Kind ? int(*doc.Facts.Kind) : -1, kind);
        QCOMPARE(platform.messages.size(), std::size_t(kind == -1));
        if (kind == -1)
            QVERIFY(platform.messages[0].text.contains(path));
        else
            QCOMPARE(doc.Facts.FileName, path.toStdString());
    }
};

QTEST_MAIN(OpenCommandTest)
#include "test_open_command.moc"
