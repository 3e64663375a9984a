#include "operations/EditHistory.h"

#include <QtTest>

using namespace vtt;

namespace {

ImageDocument startingImage(bool paletted)
{
    ImageDocument doc;
    doc.ImageWidth = 3;
    doc.ImageHeight = 2;
    doc.BitDepth = paletted ? PaletteDepth : 32;
    doc.PixelCount = 6;
    for (int i = 0; i < 24; ++i)
        (paletted && i >= 6 ? doc.PixelBytes : paletted ? doc.PixelIndices : doc.PixelBytes)
            .push_back(std::uint8_t(i * 37 + 11));
    for (std::size_t i = 0; i < doc.Palette.size(); ++i)
        doc.Palette[i] = std::uint8_t(i * 7);
    doc.Tex = {18, 3, -4, 99};
    doc.Tga.Descriptor = 8;
    doc.FileName = "a.tex";
    return doc;
}

bool same(const ImageDocument& a, const ImageDocument& b)
{
    return a.ImageWidth == b.ImageWidth && a.ImageHeight == b.ImageHeight && a.BitDepth == b.BitDepth
           && a.PixelCount == b.PixelCount && a.PixelBytes == b.PixelBytes && a.PixelIndices == b.PixelIndices
           && a.Palette == b.Palette && a.Tex == b.Tex && a.Tga == b.Tga && a.FileName == b.FileName;
}

ChannelMapping mappingOf(const QString& letters)
{
    ChannelMapping m;
    for (int d = 0; d < 4; ++d)
        m.source[std::size_t(d)] = Channel(QStringLiteral("RGBA").indexOf(letters[d]));
    return m;
}

} // namespace

class EditHistoryTest : public QObject {
    Q_OBJECT

private slots:
    // Steps: F flip, M mirror, R<deg> rotate, S:<map> switch, P palette;
    // u undo, r redo, s the document saved. Every state is checked against
    // whole copies taken as the script runs, and so is every undo left at
    // the end. The bound counts in steps of one lost channel (S:RRBA).
    void sequences_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("paletted");
        QTest::addColumn<double>("bound"); // 0: the default
        QTest::addColumn<int>("undoable");
        QTest::addColumn<bool>("modified");
        QTest::newRow("flip undone") << "F u" << false << 0.0 << 0 << false;
        QTest::newRow("flip mirror rotate, undo redo") << "F M R90 u u r" << false << 0.0 << 2 << true;
        QTest::newRow("permutations") << "S:BGRA S:GBAR u r u u r" << false << 0.0 << 1 << true;
        QTest::newRow("green lost") << "S:RRBA u r" << false << 0.0 << 1 << true;
        QTest::newRow("three lost, then two") << "S:AAAA S:GRRA F u u r" << false << 0.0 << 2 << true;
        QTest::newRow("rotations, non-square") << "R90 R270 R180 R90 u u r" << false << 0.0 << 3 << true;
        QTest::newRow("palette image rotates, no switch") << "R270 S:BGRA M u r" << true << 0.0 << 2 << true;
        QTest::newRow("palette edits") << "P P u P r u" << false << 0.0 << 1 << true;
        QTest::newRow("undo back to the saved state") << "F s M R90 u u" << false << 0.0 << 1 << false;
        QTest::newRow("redo back to the saved state") << "F s u r" << false << 0.0 << 1 << false;
        QTest::newRow("saved state lost with the redo") << "F s u M u" << false << 0.0 << 0 << true;
        QTest::newRow("overflow drops the oldest") << "S:RRBA S:BBBA S:RRRA F u r" << false << 2.0 << 2 << true;
        QTest::newRow("one step past the bound") << "F S:RRBA" << false << 0.9 << 0 << true;
        QTest::newRow("past the bound, then flips") << "S:RRBA F M" << false << 0.9 << 1 << true;
    }

    void sequences()
    {
        QFETCH(QString, script);
        QFETCH(bool, paletted);
        QFETCH(double, bound);
        QFETCH(int, undoable);
        QFETCH(bool, modified);

        std::size_t stepCost = 0;
        {
            EditHistory probe;
            ImageDocument doc = startingImage(false);
            probe.switchChannels(doc, mappingOf("RRBA"));
            stepCost = probe.storedBytes();
        }
        EditHistory history(bound > 0 ? std::size_t(bound * double(stepCost)) : EditHistory::DefaultBound);
        ImageDocument doc = startingImage(paletted);
        std::vector<ImageDocument> done{doc}, undone;
        int colour = 0;
        for (const QString& token : script.split(' ')) {
            bool stepped = false;
            if (token == "F")
                stepped = history.flip(doc);
            else if (token == "M")
                stepped = history.mirror(doc);
            else if (token.startsWith('R'))
                stepped = history.rotate(doc, token.mid(1).toInt());
            else if (token.startsWith("S:"))
                stepped = history.switchChannels(doc, mappingOf(token.mid(2)));
            else if (token == "P") {
                PaletteColours colours = doc.Palette;
                colours[4 * 9 + 1] = std::uint8_t(++colour);
                stepped = history.setPalette(doc, colours);
            } else if (token == "s") {
                history.markSaved();
            } else if (token == "u" && history.undo(doc)) {
                undone.push_back(done.back());
                done.pop_back();
            } else if (token == "r" && history.redo(doc)) {
                done.push_back(undone.back());
                undone.pop_back();
            }
            if (stepped) {
                done.push_back(doc);
                undone.clear();
            }
            QVERIFY2(same(doc, done.back()), qPrintable("after " + token));
        }
        QCOMPARE(history.modified(), modified);
        int undos = 0;
        while (history.undo(doc)) {
            done.pop_back();
            QVERIFY2(same(doc, done.back()), qPrintable(QStringLiteral("undo %1 at the end").arg(++undos)));
        }
        QCOMPARE(undos, undoable);
    }

    void namesTheNextSteps()
    {
        EditHistory history;
        ImageDocument doc = startingImage(false);
        QVERIFY(!history.nextUndo());
        QVERIFY(history.switchChannels(doc, ChannelMapping{}));
        history.rotate(doc, 90);
        history.switchChannels(doc, mappingOf("BGRA"));
        history.undo(doc);
        QCOMPARE(editName(*history.nextUndo()), "Rotate");
        QCOMPARE(editName(*history.nextRedo()), "Switch RGBA Channels");
        history.clear();
        QVERIFY(!history.nextUndo() && !history.nextRedo() && !history.modified());
        QCOMPARE(history.storedBytes(), std::size_t(0));
    }
};

QTEST_APPLESS_MAIN(EditHistoryTest)
#include "test_edit_history.moc"
