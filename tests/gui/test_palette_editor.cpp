#include "palette/SwatchLabel.h"
#include "operations/EditHistory.h"
#include "palette/frmPallet.h"
#include "support/ScriptedPlatform.h"
#include "widgets/ColourValue.h"

#include <QPointer>
#include <QTemporaryDir>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace vtt;
using vtt::testing::ScriptedPlatform;

namespace {

using vtt::PaletteArray;

// Every byte different from its neighbours, alpha bytes included.
PaletteArray patterned()
{
    PaletteArray bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return bytes;
}

std::int32_t entryColour(const PaletteArray& bytes, int k)
{
    const auto at = static_cast<std::size_t>(4 * k);
    return colourValue(bytes[at], bytes[at + 1], bytes[at + 2]);
}

// Waits for this very window to be the active one: the toolkit's own wait
// also counts a window as active while a window it owns is.
bool activate(QWidget* window)
{
    window->show();
    window->activateWindow();
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// A picker that is a real window, as on a desktop: it takes the activation
// from the palette window and, depending on the mode, hands it back before
// returning, sends only the bare activation event, or leaves that to the
// caller (desktops that re-activate the owner after the picker has gone, or
// that never do).
class WindowedPicker : public ScriptedPlatform {
public:
    enum class Return { Activation, BareEvent, Later, Never };
    Return mode = Return::Later;
    bool tookActivation = false;

    std::optional<std::int32_t> pickColour(QWidget* parent, std::int32_t start) override
    {
        {
            QWidget picker;
            picker.setWindowTitle(QStringLiteral("picker"));
            tookActivation = activate(&picker) && QApplication::activeWindow() != parent;
        }
        if (mode == Return::Activation) {
            if (!activate(parent))
                return std::nullopt;
        } else if (mode == Return::BareEvent) {
            QEvent activation(QEvent::WindowActivate);
            QCoreApplication::sendEvent(parent, &activation);
        }
        return ScriptedPlatform::pickColour(parent, start);
    }
};

} // namespace

Q_DECLARE_METATYPE(WindowedPicker::Return)

class PaletteEditorTest : public QObject {
    Q_OBJECT

    ImageDocument doc;
    EditHistory history;
    ScriptedPlatform platform;
    std::unique_ptr<QWidget> mainWindow; // stands in for the program's main window
    QPointer<frmPallet> window;
    int redraws = 0; // commands that changed the document, each redrawn by the main window

    IssueCommand issue()
    {
        return [this](std::unique_ptr<Command> command) { redraws += history.perform(std::move(command), doc).value_or(false); };
    }

    void open(Platform& with)
    {
        if (!window)
            window = new frmPallet(doc, issue(), with, mainWindow.get());
        QVERIFY(activate(window));
    }
    void open() { open(platform); }
    // Away to the main window and back, as after running a command there.
    void switchAwayAndBack()
    {
        QVERIFY(activate(mainWindow.get()));
        QVERIFY(activate(window));
    }

    SwatchLabel* swatch(int k) const
    {
        auto* s = window->findChild<SwatchLabel*>(QStringLiteral("lblPallet_%1").arg(k));
        if (!s)
            qFatal("no swatch %d", k);
        return s;
    }
    std::int32_t colourOf(int k) const { return swatch(k)->colour(); }
    void clickSwatch(int k) { QTest::mouseClick(swatch(k), Qt::LeftButton); }
    QPushButton* button(const char* name) const
    {
        auto* b = window->findChild<QPushButton*>(QString::fromLatin1(name));
        if (!b)
            qFatal("no button %s", name);
        return b;
    }
    void clickButton(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    void press(const char* name, Qt::Key key)
    {
        button(name)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), key);
    }

    // First swatch whose colour is not that of the palette entry, or -1.
    int firstMismatch(const PaletteArray& bytes) const
    {
        for (int k = 0; k < PaletteEntries; ++k)
            if (colourOf(k) != entryColour(bytes, k))
                return k;
        return -1;
    }

private slots:
    void init()
    {
        doc = ImageDocument{};
        platform = ScriptedPlatform{};
        redraws = 0;
        mainWindow = std::make_unique<QWidget>();
        mainWindow->resize(200, 200);
    }
    void cleanup()
    {
        mainWindow.reset(); // takes the palette window with it
        QVERIFY(window.isNull());
    }

    void activationShowsEntry_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QByteArray>("bytes"); // red, green, blue, alpha
        QTest::addColumn<int>("colour");
        QTest::newRow("entry 0 red") << 0 << QByteArray("\xFF\x00\x00\x07", 4) << 255;
        QTest::newRow("entry 255 blue") << 255 << QByteArray("\x00\x00\xFF\xC8", 4) << 16711680;
        QTest::newRow("entry 3 green") << 3 << QByteArray("\x00\xFF\x00\x00", 4) << 65280;
        QTest::newRow("white, alpha not shown") << 100 << QByteArray("\xFF\xFF\xFF\xFF", 4) << 16777215;
        QTest::newRow("byte order") << 17 << QByteArray("\x01\x02\x03\x04", 4) << (1 + 2 * 256 + 3 * 65536);
    }
    // The window is opened over an all-zero palette, which the entry then
    // changes: only the activation can bring the new colour in.
    void activationShowsEntry()
    {
        QFETCH(int, entry);
        QFETCH(QByteArray, bytes);
        QFETCH(int, colour);
        open();
        QCOMPARE(firstMismatch(doc.Palette()), -1); // all black
        for (int i = 0; i < 4; ++i)
            doc.Palette()[static_cast<std::size_t>(4 * entry + i)] = static_cast<std::uint8_t>(bytes[i]);
        switchAwayAndBack();
        QCOMPARE(colourOf(entry), colour);
        QCOMPARE(firstMismatch(doc.Palette()), -1);
    }

    // Shown but not (yet) activated, the window already shows the palette.
    void filledBeforeFirstActivation()
    {
        doc.Palette() = patterned();
        window = new frmPallet(doc, issue(), platform, mainWindow.get());
        QCOMPARE(firstMismatch(doc.Palette()), -1);
    }

    void okWithoutPicksKeepsEveryByte()
    {
        doc.Palette() = patterned();
        open();
        for (int round = 0; round < 3; ++round) {
            clickButton("cmdOK");
            switchAwayAndBack();
        }
        QVERIFY(doc.Palette() == patterned());
        QVERIFY(window->isVisible());
    }

    void pickThenOkWritesThatEntryOnly()
    {
        doc.Palette() = patterned();
        open();
        platform.answerColour(65280);
        clickSwatch(3);
        QCOMPARE(colourOf(3), 65280);
        QVERIFY(doc.Palette() == patterned()); // nothing written before OK
        QCOMPARE(redraws, 0);

        clickButton("cmdOK");
        QCOMPARE(redraws, 1);
        PaletteArray expected = patterned();
        expected[12] = 0;
        expected[13] = 255;
        expected[14] = 0;
        QVERIFY(doc.Palette() == expected);
        QVERIFY(window->isVisible());
        QCOMPARE(colourOf(3), 65280);
    }

    // Picks, write-backs and refills in turn never reach an alpha byte.
    void alphaSurvivesFillsAndWriteBacks()
    {
        doc.Palette() = patterned();
        open();
        for (int round = 0; round < 4; ++round) {
            for (int k = round; k < PaletteEntries; k += 37) {
                platform.answerColour(colourValue(static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(round),
                                                  static_cast<std::uint8_t>(255 - k)));
                clickSwatch(k);
            }
            clickButton("cmdOK");
            switchAwayAndBack();
            QCOMPARE(firstMismatch(doc.Palette()), -1);
        }
        const PaletteArray original = patterned();
        for (std::size_t alpha = 3; alpha < original.size(); alpha += 4)
            QCOMPARE(doc.Palette()[alpha], original[alpha]);
        QCOMPARE(colourOf(3), colourValue(3, 3, 252));
    }

    void cancelledPickChangesNothing_data()
    {
        QTest::addColumn<bool>("queued");
        QTest::newRow("cancel answered") << true;
        QTest::newRow("picker failing") << false; // empty queue: the double cancels
    }
    void cancelledPickChangesNothing()
    {
        QFETCH(bool, queued);
        doc.Palette() = patterned();
        open();
        if (queued)
            platform.cancelColour();
        clickSwatch(9);
        QCOMPARE(platform.colourStarts.size(), std::size_t(1));
        QCOMPARE(firstMismatch(patterned()), -1);
        QVERIFY(platform.messages.empty());
        clickButton("cmdOK");
        QVERIFY(doc.Palette() == patterned());
    }

    void closingDiscardsPicks_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel") << false;
        QTest::newRow("close box") << true;
    }
    void closingDiscardsPicks()
    {
        QFETCH(bool, closeBox);
        doc.Palette() = patterned();
        open();
        platform.answerColour(65280);
        clickSwatch(40);
        if (closeBox)
            window->close();
        else
            clickButton("cmdCancel");
        QTRY_VERIFY(window.isNull());
        QVERIFY(doc.Palette() == patterned());

        open(); // the next "Edit Pallet"
        QCOMPARE(colourOf(40), entryColour(patterned(), 40));
    }

    // Each click starts at the clicked swatch's own colour, not at whatever
    // colour the last fill or pick happened to handle.
    void pickerStartsAtSwatchColour()
    {
        doc.Palette() = patterned();
        open();
        platform.answerColour(123456);
        clickSwatch(7);
        clickSwatch(0);
        clickSwatch(7);
        clickSwatch(200);
        const std::vector<std::int32_t> expected{entryColour(patterned(), 7), entryColour(patterned(), 0), 123456,
                                                 entryColour(patterned(), 200)};
        QCOMPARE(platform.colourStarts, expected);
    }

    // Coming back from another window shows the palette as it now is,
    // including what a command changed meanwhile, and drops unwritten picks.
    void switchingWindowsRefills()
    {
        doc.Palette() = patterned();
        open();
        platform.answerColour(65280);
        clickSwatch(5);
        QCOMPARE(colourOf(5), 65280);
        doc.Palette()[4 * 9] = 1; // as an opened file would
        switchAwayAndBack();
        QCOMPARE(colourOf(5), entryColour(patterned(), 5));
        QCOMPARE(colourOf(9), entryColour(doc.Palette(), 9));
        QCOMPARE(firstMismatch(doc.Palette()), -1);
    }

    void pickSurvivesPickerClose_data()
    {
        QTest::addColumn<WindowedPicker::Return>("mode");
        QTest::newRow("activation back inside the picker") << WindowedPicker::Return::Activation;
        QTest::newRow("bare activation event inside the picker") << WindowedPicker::Return::BareEvent;
        QTest::newRow("activation back after the picker returned") << WindowedPicker::Return::Later;
        QTest::newRow("activation never handed back") << WindowedPicker::Return::Never;
    }
    void pickSurvivesPickerClose()
    {
        QFETCH(WindowedPicker::Return, mode);
        WindowedPicker picker;
        picker.mode = mode;
        doc.Palette() = patterned();
        open(picker);
        for (int k : {2, 5}) {
            picker.answerColour(65280 + k);
            clickSwatch(k);
            QVERIFY(picker.tookActivation);
            if (mode == WindowedPicker::Return::Later)
                QVERIFY(activate(window));
            QCOMPARE(colourOf(2), 65280 + 2); // the first pick is not lost by the second
            QCOMPARE(colourOf(k), 65280 + k);
        }
        // Returning from the picker is over: another window and back refills.
        switchAwayAndBack();
        QCOMPARE(firstMismatch(patterned()), -1);
    }

    // Load and Save with their file dialogs cancelled.
    void cancelledLoadAndSaveChangeNothing()
    {
        doc.Palette() = patterned();
        open();
        platform.answerColour(65280);
        clickSwatch(11);
        clickButton("cmdLoad");
        clickButton("cmdSave");
        QVERIFY(doc.Palette() == patterned());
        QCOMPARE(colourOf(11), 65280);
        QCOMPARE(platform.colourStarts.size(), std::size_t(1));
        QVERIFY(platform.messages.empty());
        QVERIFY(platform.fileDialogStarts.empty());
        QCOMPARE(platform.paletteDialogWasSave, (std::vector<bool>{false, true}));
        QVERIFY(window->isVisible());
    }

    // Load fills the swatches the file defines, and only OK applies them; a
    // malformed file is named in a message and changes nothing. Save writes
    // what the swatches show.
    void loadAndSave()
    {
        QTemporaryDir dir;
        QFile bad(dir.filePath("bad.pal")), good(dir.filePath("good.gpl")), saved(dir.filePath("p.act"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("JASC-PAL\n0100\n2\n10 20 30\n") > 0);
        QVERIFY(good.open(QIODevice::WriteOnly) && good.write("GIMP Palette\n10 20 30\n") > 0);
        bad.close(), good.close();
        doc.Palette() = patterned();
        open();
        platform.answerColour(0x030201);
        clickSwatch(1);
        for (QFile* file : {&bad, &good, &saved}) {
            platform.answerPaletteFile(file->fileName());
            clickButton(file == &saved ? "cmdSave" : "cmdLoad");
        }
        QVERIFY(doc.Palette() == patterned());
        QCOMPARE(platform.messages.size(), std::size_t(1));
        QVERIFY(platform.messages.front().text.contains(bad.fileName()));
        clickButton("cmdOK");
        PaletteArray expected = patterned();
        expected[0] = 10, expected[1] = 20, expected[2] = 30, expected[4] = 1, expected[5] = 2, expected[6] = 3;
        QVERIFY(doc.Palette() == expected);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll().left(6), QByteArray("\x0a\x14\x1e\1\2\3"));
    }

    void frame()
    {
        open();
        QCOMPARE(window->windowTitle(), QStringLiteral("Pallet"));
        QCOMPARE(window->size(), QSize(345, 273)); // 5175 x 4095 twips
        QVERIFY(window->isWindow());
        QVERIFY(window->windowFlags().testFlags(Qt::WindowMinMaxButtonsHint));
    }

    void controlPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("place"); // twips / 15
        QTest::newRow("swatch 0") << "lblPallet_0" << "" << QRect(8, 8, 17, 17);
        QTest::newRow("swatch 15") << "lblPallet_15" << "" << QRect(248, 8, 17, 17);
        QTest::newRow("swatch 100") << "lblPallet_100" << "" << QRect(72, 104, 17, 17);
        QTest::newRow("swatch 255") << "lblPallet_255" << "" << QRect(248, 248, 17, 17);
        QTest::newRow("OK") << "cmdOK" << "OK" << QRect(272, 8, 65, 25);
        QTest::newRow("Cancel") << "cmdCancel" << "Cancel" << QRect(272, 32, 65, 25);
        QTest::newRow("Load") << "cmdLoad" << "Load" << QRect(272, 64, 65, 25);
        QTest::newRow("Save") << "cmdSave" << "Save" << QRect(272, 88, 65, 25);
    }
    // Resizing, larger or smaller, moves nothing.
    void controlPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, place);
        open();
        auto* control = window->findChild<QWidget*>(name);
        QVERIFY(control);
        for (const QSize size : {QSize(700, 500), QSize(150, 120)}) {
            window->resize(size);
            QCOMPARE(control->geometry(), place);
        }
        if (auto* b = qobject_cast<QPushButton*>(control))
            QCOMPARE(b->text(), caption);
    }

    // All 256 carry their index, take no focus and overlap their right-hand
    // neighbour by one pixel; each is painted in its colour.
    void swatchGroup()
    {
        open();
        const auto swatches = window->findChildren<SwatchLabel*>();
        QCOMPARE(swatches.size(), qsizetype(PaletteEntries));
        for (const SwatchLabel* s : swatches) {
            const int k = s->property("index").toInt();
            QCOMPARE(s->objectName(), QStringLiteral("lblPallet_%1").arg(k));
            QCOMPARE(s->focusPolicy(), Qt::NoFocus);
            if (k % 16 != 15)
                QCOMPARE(swatch(k + 1)->geometry().left(), s->geometry().right());
        }
        swatch(42)->setColour(255 + 128 * 256);
        const QImage image = swatch(42)->grab().toImage();
        QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2), QColor(255, 128, 0));
    }

    void focusOrder()
    {
        open();
        QCOMPARE(QApplication::focusWidget(), button("cmdSave"));
        for (const char* next : {"cmdLoad", "cmdOK", "cmdCancel", "cmdSave"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), button(next));
        }
    }

    // Enter presses the button with the focus; Esc is Cancel.
    void enterAndEscape()
    {
        open();
        doc.Palette()[4] = 9; // swatch 1 stays black until the next activation
        press("cmdSave", Qt::Key_Return);
        QVERIFY(window->isVisible());
        QCOMPARE(doc.Palette()[4], std::uint8_t(9));
        press("cmdOK", Qt::Key_Return);
        QCOMPARE(doc.Palette()[4], std::uint8_t(0));
        press("cmdOK", Qt::Key_Escape);
        QTRY_VERIFY(window.isNull());
    }
};

QTEST_MAIN(PaletteEditorTest)
#include "test_palette_editor.moc"
