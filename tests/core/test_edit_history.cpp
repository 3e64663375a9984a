#include "operations/Commands.h"
#include "operations/EditHistory.h"
#include "operations/Rotate.h"
#include "support/Documents.h"

#include <QtTest>

using namespace vtt;
using testing::bytesOf;
using testing::documentOf;

namespace {

ImageDocument startingImage(bool paletted)
{
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < (paletted ? 6 : 24); ++i)
        pixels.push_back(std::uint8_t(i * 37 + 11));
    ImageDocument doc = documentOf(3, 2, paletted ? PaletteDepth : 32, pixels);
    for (std::size_t i = 0; i < doc.Palette().size(); ++i)
        doc.Palette()[i] = std::uint8_t(i * 7);
    doc.Facts.Tex = {18, 3, -4, 99};
    return doc;
}

bool same(const ImageDocument& a, const ImageDocument& b)
{
    return a.ImageWidth() == b.ImageWidth() && a.ImageHeight() == b.ImageHeight() && a.BitDepth() == b.BitDepth()
           && bytesOf(a.pixels()) == bytesOf(b.pixels()) && a.Palette() == b.Palette()
           && a.Facts.Tex == b.Facts.Tex;
}

ChannelMapping mappingOf(const QString& letters)
{
    ChannelMapping m;
    for (std::size_t d = 0; d < 4; ++d)
        m.source[d] = Channel(QStringLiteral("RGBA").indexOf(letters[qsizetype(d)]));
    return m;
}

} // namespace

class EditHistoryTest : public QObject {
    Q_OBJECT

private slots:
    // F flip, M mirror, R<deg> rotate, S:<map> switch, P palette; u undo,
    // r redo, s saved. Each state is held to whole copies taken as the
    // script runs, and so is every undo left at the end. The bound counts
    // in steps that lose one channel (S:RRBA); b<n> sets it anew.
    void sequences_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("paletted");
        QTest::addColumn<double>("bound"); // 0: the default
        QTest::addColumn<int>("undoable");
        QTest::addColumn<bool>("modified");
        QTest::newRow("flip undone") << "F u" << false << 0.0 << 0 << false;
        QTest::newRow("flip mirror rotate") << "F M R90 u u r" << false << 0.0 << 2 << true;
        QTest::newRow("permutations") << "S:BGRA S:GBAR u r u u r" << false << 0.0 << 1 << true;
        QTest::newRow("green lost") << "S:RRBA u r" << false << 0.0 << 1 << true;
        QTest::newRow("three lost, then two") << "S:AAAA S:GRRA F u u r" << false << 0.0 << 2 << true;
        QTest::newRow("identity is no step") << "S:RGBA" << false << 0.0 << 0 << false;
        QTest::newRow("rotations, non-square") << "R90 R270 R180 R90 u u r" << false << 0.0 << 3 << true;
        QTest::newRow("palette image, no switch") << "R270 S:BGRA M u r" << true << 0.0 << 2 << true;
        QTest::newRow("palette edits") << "P P u P r u" << false << 0.0 << 1 << true;
        QTest::newRow("undo to the saved state") << "F s M R90 u u" << false << 0.0 << 1 << false;
        QTest::newRow("redo to the saved state") << "F s u r" << false << 0.0 << 1 << false;
        QTest::newRow("saved state gone with redo") << "F s u M u" << false << 0.0 << 0 << true;
        QTest::newRow("overflow drops the oldest") << "S:RRBA S:BBBA S:RRRA F u r" << false << 2.0 << 2 << true;
        QTest::newRow("one step past the bound") << "F S:RRBA" << false << 0.9 << 0 << true;
        QTest::newRow("past the bound, then flips") << "S:RRBA F M" << false << 0.9 << 1 << true;
        QTest::newRow("bound lowered: oldest go") << "S:RRBA S:BBBA S:RRRA b1.5" << false << 0.0 << 1 << true;
        QTest::newRow("bound lowered: farthest redo goes") << "S:RRBA S:BBBA u u b1.5 r" << false << 0.0 << 1 << true;
    }

    void sequences()
    {
        QFETCH(QString, script);
        QFETCH(bool, paletted);
        QFETCH(double, bound);
        QFETCH(int, undoable);
        EditHistory probe;
        ImageDocument doc = startingImage(false);
        QVERIFY(probe.perform(std::make_unique<SwitchChannelsCommand>(mappingOf("RRBA")), doc).value_or(false));
        EditHistory history(bound > 0 ? std::size_t(bound * double(probe.storedBytes())) : EditHistory::DefaultBound);
        // Every change is heard once, and says whether the document changed.
        QString heard;
        history.listen([&](bool documentChanged) { heard += documentChanged ? 'd' : 'h'; });
        doc = startingImage(paletted);
        std::vector<ImageDocument> done{doc}, undone;
        for (const QString& token : script.split(' ')) {
            PaletteEntries256 colours = doc.Palette();
            colours[37] = std::uint8_t(colours[37] + 1);
            std::unique_ptr<Command> command;
            if (token == "F")
                command = std::make_unique<FlipCommand>();
            else if (token == "M")
                command = std::make_unique<MirrorCommand>();
            else if (token == "P")
                command = std::make_unique<PaletteCommand>(colours);
            else if (token[0] == 'R')
                command = std::make_unique<RotateCommand>(token.mid(1).toInt());
            else if (token[0] == 'S')
                command = std::make_unique<SwitchChannelsCommand>(mappingOf(token.mid(2)));
            heard.clear();
            if (token[0] == 'b')
                history.setBound(std::size_t(token.mid(1).toDouble() * double(probe.storedBytes())));
            const bool stepped = command && history.perform(std::move(command), doc).value_or(false);
            if (token == "s")
                history.markSaved();
            auto& from = token == "u" ? done : undone;
            const bool moved = (token == "u" && history.undo(doc).value_or(false))
                               || (token == "r" && history.redo(doc).value_or(false));
            if (moved) {
                (token == "u" ? undone : done).push_back(from.back());
                from.pop_back();
            }
            QCOMPARE(heard, QString(stepped || moved ? "d" : token == "s" || token == "b1.5" ? "h" : ""));
            if (stepped && token != "S:RGBA") {
                done.push_back(doc);
                undone.clear();
            }
            QVERIFY2(same(doc, done.back()), qPrintable("after " + token));
        }
        QTEST(history.modified(), "modified");
        int undos = 0;
        for (; history.undo(doc).value_or(false); ++undos) {
            done.pop_back();
            QVERIFY2(same(doc, done.back()), qPrintable(QStringLiteral("undo %1 at the end").arg(undos + 1)));
        }
        QCOMPARE(undos, undoable);
    }

    // 1 2 3 / 4 5 6 by the rotate dialog's six choices, then sizes with
    // whole blocks, tiles and ragged edges, where pixel (x, y) must land at
    // (h-1-y, x) clockwise and at (y, w-1-x) counter-clockwise.
    void rotation()
    {
        const std::vector<std::uint8_t> right90{4, 1, 5, 2, 6, 3}, half{6, 5, 4, 3, 2, 1}, left90{3, 6, 2, 5, 1, 4};
        const std::tuple<int, bool, std::vector<std::uint8_t>> choices[] = {
            {90, false, right90}, {180, false, half}, {270, false, left90},
            {90, true, left90},   {180, true, half},  {270, true, right90}};
        for (bool paletted : {true, false})
            for (const auto& [degrees, left, want] : choices) {
                ImageDocument doc = startingImage(paletted);
                std::vector<std::uint8_t> before = bytesOf(doc.pixels()), turned;
                QVERIFY(rotateImage(doc, clockwiseDegrees(degrees, left)).value_or(false));
                for (std::uint8_t n : want)
                    for (std::size_t k = 0; k < (paletted ? 1u : 4u); ++k)
                        turned.push_back(before[(n - 1) * (paletted ? 1u : 4u) + k]);
                QVERIFY(bytesOf(doc.pixels()) == turned && doc.ImageWidth() == (degrees == 180 ? 3 : 2));
            }
        for (auto [w, h] : {std::pair{301, 67}, std::pair{64, 256}, std::pair{1, 19}})
            for (bool paletted : {true, false})
                for (int clockwise : {90, 270}) {
                    const int size = paletted ? 1 : 4;
                    std::vector<std::uint8_t> before;
                    for (int i = 0; i < w * h * size; ++i)
                        before.push_back(std::uint8_t(i / size % w * 7 + i / size / w * 13 + i % size));
                    ImageDocument doc = documentOf(w, h, paletted ? PaletteDepth : 32, before);
                    QVERIFY(rotateImage(doc, clockwise).value_or(false));
                    const std::span<const std::uint8_t> pixels = doc.pixels();
                    for (int i = 0; i < w * h * size; ++i) {
                        const int x = i / size % w, y = i / size / w;
                        const int at = (clockwise == 90 ? x * h + (h - 1 - y) : (w - 1 - x) * h + y) * size + i % size;
                        if (pixels[std::size_t(at)] != before[std::size_t(i)])
                            QFAIL(qPrintable(QStringLiteral("%1 x %2 by %3: %4").arg(w).arg(h).arg(clockwise).arg(i)));
                    }
                }
    }
};

QTEST_APPLESS_MAIN(EditHistoryTest)
#include "test_edit_history.moc"
