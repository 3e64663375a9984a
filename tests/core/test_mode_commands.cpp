#include "files/DocumentSession.h"
#include "files/FileCommands.h"
#include "operations/ModeChange.h"
#include "operations/ScaleImage.h"
#include "support/Documents.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace vtt;
using namespace vtt::testing;
using Bytes8 = std::vector<std::uint8_t>;

namespace {

// Twelve colours, three of them see-through, over 6 x 4 pixels: few enough
// for every mode to hold them exactly.
constexpr std::uint8_t Colours[12][4] = {{255, 0, 0, 255},   {0, 255, 0, 255},  {0, 0, 255, 255},
                                          {10, 20, 30, 0},    {90, 80, 70, 128}, {1, 2, 3, 255},
                                          {200, 100, 50, 255}, {7, 7, 7, 255},    {255, 255, 255, 255},
                                          {0, 0, 0, 255},     {60, 0, 90, 64},   {9, 200, 9, 255}};

ImageDocument source(const QString& kind)
{
    ImageDocument doc = ImageDocument::create(6, 4, kind.startsWith("indexed") ? 8 : kind == "rgb" ? 24 : 32).value();
    doc.Facts.Kind = kind == "indexed16" ? ImageFormat::Tex : ImageFormat::Tga;
    doc.Facts.Tex.Type = kind == "indexed16" ? 15 : 0;
    const int spread = kind == "indexed256" ? 7 : 1; // entries past 16 too
    for (std::size_t i = 0; i < doc.area(); ++i) {
        const std::size_t c = (i * 5) % 12;
        if (doc.isPaletted()) {
            doc.PixelIndices()[i] = std::uint8_t(c * spread);
            std::copy_n(Colours[c], 4, doc.Palette().begin() + 4 * c * spread);
        } else {
            std::copy_n(Colours[c], 4, doc.PixelBytes().begin() + 4 * i);
            doc.PixelBytes()[4 * i + 3] = kind == "rgb" ? 255 : Colours[c][3];
        }
    }
    return doc;
}

// The picture as it shows: RGBA, opaque when the mode has no alpha.
Bytes8 shown(const ImageDocument& doc)
{
    Bytes8 rgba(4 * doc.area());
    if (doc.isPaletted())
        quantize::expandIndices(doc.PixelIndices(), doc.Palette(), rgba);
    else
        rgba.assign(doc.PixelBytes().begin(), doc.PixelBytes().end());
    for (std::size_t i = 3; modeOf(doc) == ColourMode::Rgb && i < rgba.size(); i += 4)
        rgba[i] = 255;
    return rgba;
}

auto snapshot(const ImageDocument& d)
{
    return std::tuple(bytesOf(d.pixels()), d.Palette(), d.ImageWidth(), d.ImageHeight(), d.BitDepth(),
                      d.Facts.Tex.Type);
}

ImageDocument readBack(const EncodedFile& file, ImageFormat format)
{
    return formatEntry(format).read(Bytes(file.bytes.data(), file.bytes.size())).value();
}

} // namespace

class ModeCommandsTest : public QObject {
    Q_OBJECT

private slots:
    // Every mode from every mode: the picture stays (alpha dropped for
    // RGB), each type that fits writes a TEX file that reads back as it,
    // and undo restores every byte.
    void modeChangesRoundTrip_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("to");
        for (const char* from : {"rgba", "rgb", "indexed256", "indexed16"})
            for (int to = 0; to < 4; ++to)
                QTest::addRow("%s to mode %d", from, to) << QString(from) << to;
    }
    void modeChangesRoundTrip()
    {
        QFETCH(QString, from);
        QFETCH(int, to);
        const ColourMode mode = ColourMode(to);
        ImageDocument doc = source(from);
        const auto before = snapshot(doc);
        Bytes8 expected = shown(doc);
        for (std::size_t i = 3; mode == ColourMode::Rgb && i < expected.size(); i += 4)
            expected[i] = 255;

        ModeCommand command(mode, {mode == ColourMode::Indexed16 ? 16 : 256});
        const Result<bool> applied = command.apply(doc, std::size_t(1) << 20);
        QVERIFY(applied);
        QCOMPARE(*applied, modeOf(source(from)) != mode);
        QCOMPARE(modeOf(doc), mode);
        QCOMPARE(shown(doc), expected);
        QCOMPARE(losesAlpha(doc), mode != ColourMode::Rgb && from != "rgb");

        const std::vector<int> types = mode == ColourMode::Indexed256 ? std::vector{1, 14}
                                     : mode == ColourMode::Indexed16  ? std::vector{15}
                                     : std::vector{mode == ColourMode::Rgb ? 17 : 18};
        for (int type : types) {
            ImageDocument typed = doc;
            QVERIFY(chooseTexType(typed, type, {}, [&](auto step) { return step->apply(typed, 0); }));
            QCOMPARE(bytesOf(typed.pixels()), bytesOf(doc.pixels()));
            const auto file = encodeImage(typed, ImageFormat::Tex, {3, 0, 0});
            QVERIFY(file);
            QCOMPARE(int(file->changes.Tex.Type), type);
            QCOMPARE(shown(readBack(*file, ImageFormat::Tex)), expected);
        }
        // Targa and PNG read back, by us and by another reader when Debian's
        // interpreter has its imaging package; neither writes a palette's alpha.
        Bytes8 want = expected;
        for (std::size_t i = 3; doc.isPaletted() && i < want.size(); i += 4)
            want[i] = 255;
        static const bool pil = QProcess::execute("/usr/bin/python3", {"-c", "import PIL"}) == 0;
        QTemporaryDir dir;
        for (const char* name : {"x.tga", "x.png"}) {
            const ImageFormat format = formatForPath(name);
            QCOMPARE(shown(readBack(encodeImage(doc, format, {}).value(), format)), want);
            QVERIFY(saveImage(doc, dir.filePath(name).toStdString(), format, {}));
            QProcess other;
            other.start("/usr/bin/python3", {"-c", "import sys; from PIL import Image; sys.stdout.buffer.write("
                                                   "Image.open(sys.argv[1]).convert('RGBA').tobytes())",
                                             dir.filePath(name)});
            const QByteArray seen = pil && other.waitForFinished(30000) ? other.readAllStandardOutput() : QByteArray();
            QVERIFY(!pil || Bytes8(seen.begin(), seen.end()) == want);
        }

        if (*applied)
            QVERIFY(command.revert(doc).value());
        QVERIFY(snapshot(doc) == before);
    }

    void impossibleOptionsAreRefused()
    {
        ImageDocument doc = source("rgba");
        for (auto [mode, colours] : {std::pair{ColourMode::Indexed16, 17}, {ColourMode::Indexed256, 1}})
            QCOMPARE(ModeCommand(mode, {colours}).apply(doc, 0).error().kind, ErrorKind::BadValue);
        for (auto [w, h] : {std::pair{32768, 4}, {4, 40000}, {0, 4}})
            QCOMPARE(ScaleCommand(w, h, resample::Filter::Box).apply(doc, 0).error().kind, ErrorKind::BadValue);
        QVERIFY(snapshot(doc) == snapshot(source("rgba")));
    }

    // Sizes games need, 1 x N, the limit; a palette image keeps its
    // palette and takes each pixel from the source; undo restores all.
    void scaleImage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("to");
        // Expected for a palette image: pixel centres on source pixels (the
        // source's pixel i holds entry (5i mod 12) x spread).
        QTest::addColumn<Bytes8>("indices");
        QTest::newRow("rgba to a power of two") << "rgba" << QSize(8, 4) << Bytes8{};
        QTest::newRow("rgba to 1 x 16") << "rgba" << QSize(1, 16) << Bytes8{};
        QTest::newRow("palette halved") << "indexed256" << QSize(3, 2) << Bytes8{77, 63, 49, 77, 63, 49};
        QTest::newRow("palette to 1 x 3") << "indexed16" << QSize(1, 3) << Bytes8{3, 3, 9};
    }
    void scaleImage()
    {
        QFETCH(QString, kind);
        QFETCH(QSize, to);
        QFETCH(Bytes8, indices);
        ImageDocument doc = source(kind);
        const auto before = snapshot(doc);
        ScaleCommand command(to.width(), to.height(), resample::Filter::Mitchell);
        QVERIFY(command.apply(doc, std::size_t(1) << 20).value());
        QCOMPARE(QSize(doc.ImageWidth(), doc.ImageHeight()), to);
        QCOMPARE(doc.BitDepth(), std::get<4>(before));
        QVERIFY(doc.Palette() == std::get<1>(before));
        if (doc.isPaletted())
            QCOMPARE(bytesOf(doc.PixelIndices()), indices);
        QVERIFY(command.revert(doc).value());
        QVERIFY(snapshot(doc) == before);
        QVERIFY(command.apply(doc, 0).value()); // redo
        QCOMPARE(QSize(doc.ImageWidth(), doc.ImageHeight()), to);
    }

    // The type choice through the session: the mode change and the choice
    // of 14 are steps of their own; 16 is refused.
    void typeChoiceIsUndoable()
    {
        ImageDocument doc = source("rgba");
        RecentFilesInMemory recent;
        DocumentSession session(doc, recent);
        QVERIFY(session.chooseTexType(14));
        QCOMPARE(int(texSaveChanges(doc, {}).Tex.Type), 14);
        QCOMPARE(QString(session.history().nextUndo()), QString("TEX Type"));
        QVERIFY(session.undo() == EditOutcome::Changed && session.undo() == EditOutcome::Changed);
        QVERIFY(snapshot(doc) == snapshot(source("rgba")));
        const auto refused = session.chooseTexType(16);
        QVERIFY(!refused);
        QCOMPARE(refused.error().kind, ErrorKind::Unwritable);
        QVERIFY(!session.modified());
    }
};

QTEST_GUILESS_MAIN(ModeCommandsTest)
#include "test_mode_commands.moc"
