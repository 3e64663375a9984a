// The document's factories refuse whatever would make it wrong, and every
// operation leaves it whole, in every mode.

#include "codecs/SaveConversion.h"
#include "operations/ChannelSwitch.h"
#include "operations/Commands.h"
#include "operations/EditHistory.h"
#include "operations/FlipMirror.h"
#include "operations/Rotate.h"
#include "support/Documents.h"

#include <QtTest>

#include <functional>

using namespace vtt;

namespace {

bool whole(const ImageDocument& doc)
{
    return doc.pixels().size() == doc.area() * std::size_t(doc.pixelSize())
        && doc.PixelBytes().size() + doc.PixelIndices().size() == doc.pixels().size()
        && (doc.BitDepth() == PaletteDepth || doc.BitDepth() == 24 || doc.BitDepth() == 32);
}

} // namespace

class ImageDocumentTest : public QObject {
    Q_OBJECT

private slots:
    void factoriesRefuseWhatCannotBe_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("paletteBytes"); // -1: no palette given
        QTest::addColumn<int>("kind");         // int(ErrorKind), -1: made
        const int inconsistent = int(ErrorKind::Inconsistent);
        QTest::newRow("negative width") << -2 << 2 << 32 << -1 << inconsistent;
        QTest::newRow("negative height") << 2 << -1 << 8 << -1 << inconsistent;
        QTest::newRow("wider than 32767") << 32768 << 1 << 8 << -1 << inconsistent;
        QTest::newRow("0 bits") << 2 << 2 << 0 << -1 << inconsistent;
        QTest::newRow("15 bits") << 2 << 2 << 15 << -1 << inconsistent;
        QTest::newRow("16 bits") << 2 << 2 << 16 << -1 << inconsistent;
        QTest::newRow("64 bits") << 2 << 2 << 64 << -1 << inconsistent;
        QTest::newRow("short palette") << 2 << 2 << 8 << 1020 << inconsistent;
        QTest::newRow("long palette") << 2 << 2 << 8 << 1028 << inconsistent;
        QTest::newRow("empty palette") << 2 << 2 << 32 << 0 << inconsistent;
        QTest::newRow("0 x 0") << 0 << 0 << 32 << -1 << -1;
        QTest::newRow("0 x 5, palette") << 0 << 5 << 8 << 1024 << -1;
        QTest::newRow("24 bits with a palette") << 3 << 1 << 24 << 1024 << -1;
    }
    void factoriesRefuseWhatCannotBe()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, depth);
        QFETCH(int, paletteBytes);
        QFETCH(int, kind);
        const std::vector<std::uint8_t> palette(std::size_t(std::max(paletteBytes, 0)), 7);
        const Result<ImageDocument> made = paletteBytes < 0 ? ImageDocument::create(width, height, depth)
                                                            : ImageDocument::create(width, height, depth, palette);
        QCOMPARE(made ? -1 : int(made.error().kind), kind);
        if (made) {
            QVERIFY(whole(*made));
            QCOMPARE(made->ImageWidth(), std::int16_t(width));
            QCOMPARE(made->area(), std::size_t(width) * std::size_t(height));
            QCOMPARE(int(made->Palette()[5]), paletteBytes < 0 ? 0 : 7);
        }
    }

    // A depth may change only within direct colour; a turned store must be
    // the size of the one it replaces.
    void changesKeepTheModeAndTheSize()
    {
        ImageDocument direct = testing::documentOf(3, 2, 24), palette = testing::documentOf(3, 2, 8);
        QVERIFY(direct.setBitDepth(32) && direct.BitDepth() == 32);
        QVERIFY(!direct.setBitDepth(8) && !direct.setBitDepth(16) && direct.BitDepth() == 32);
        QVERIFY(!palette.setBitDepth(32) && palette.BitDepth() == 8);
        QVERIFY(!palette.exchangeSides(PixelArray(5)) && palette.ImageWidth() == 3);
        QVERIFY(palette.exchangeSides(PixelArray(6)) && palette.ImageWidth() == 2 && palette.ImageHeight() == 3);
    }

    void everyOperationLeavesAWholeDocument_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        static const char* const names[] = {"flip", "mirror", "rotate 90", "rotate 180", "rotate 270", "switch",
                                            "save as TGA", "undo and redo"};
        for (int operation = 0; operation < 8; ++operation)
            for (int depth : {8, 24, 32})
                for (const auto& [w, h] : {std::pair{5, 3}, std::pair{0, 4}, std::pair{1, 1}})
                    QTest::addRow("%s, %d bits, %d x %d", names[operation], depth, w, h) << operation << depth << w
                                                                                         << h;
    }
    void everyOperationLeavesAWholeDocument()
    {
        QFETCH(int, operation);
        QFETCH(int, depth);
        QFETCH(int, width);
        QFETCH(int, height);
        ImageDocument doc = testing::documentOf(width, height, depth);
        doc.Facts.Kind = ImageFormat::Tex;
        doc.Facts.Tex.Type = depth == 8 ? 1 : depth == 24 ? 17 : 18;
        EditHistory history;
        ChannelMapping swap;
        swap[Channel::Red] = Channel::Alpha;
        switch (operation) {
        case 0: flipImage(doc); break;
        case 1: mirrorImage(doc); break;
        case 2: case 3: case 4: QCOMPARE(rotateImage(doc, 90 * (operation - 1)).value_or(false), !doc.empty()); break;
        case 5: switchChannels(doc, swap); break;
        case 6: QVERIFY(applySaveChanges(doc, tgaSaveChanges(doc, {}))); break;
        case 7:
            QVERIFY(history.perform(std::make_unique<RotateCommand>(90), doc)
                    && history.perform(std::make_unique<SwitchChannelsCommand>(swap), doc));
            while (history.undo(doc).value_or(false)) {
            }
            while (history.redo(doc).value_or(false)) {
            }
            break;
        }
        QVERIFY(whole(doc));
        const bool turned = (operation == 2 || operation == 4 || operation == 7) && width * height != 0;
        QCOMPARE(doc.ImageWidth(), std::int16_t(turned ? height : width));
    }
};

QTEST_APPLESS_MAIN(ImageDocumentTest)
#include "test_image_document.moc"
