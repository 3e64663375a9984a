#include "codecs/TgaReader.h"
#include "support/TexFiles.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

namespace {

const QString Conformance = QStringLiteral(VTT_TEST_DATA_DIR "/tga-conformance/");

std::vector<std::uint8_t> load(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", qPrintable(path));
    const QByteArray all = f.readAll();
    return std::vector<std::uint8_t>(all.begin(), all.end());
}

ReadResult read(const std::vector<std::uint8_t>& file, const ImageDocument& previous = {})
{
    return readTga(Bytes(file.data(), file.size()), previous);
}

std::vector<std::uint8_t> header(std::uint8_t mapType, std::uint8_t imageType, std::uint16_t first,
                                 std::uint16_t length, std::uint8_t entryBits, std::uint16_t w, std::uint16_t h,
                                 std::uint8_t depth, std::uint8_t descriptor = 0, std::uint8_t idLength = 0)
{
    std::vector<std::uint8_t> out{idLength, mapType, imageType};
    putLe(out, first, 2);
    putLe(out, length, 2);
    out.push_back(entryBits);
    putLe(out, 0, 4);
    putLe(out, w, 2);
    putLe(out, h, 2);
    out.push_back(depth);
    out.push_back(descriptor);
    return out;
}

// RGBA of document pixel n, whatever its depth.
QRgb pixelOf(const ImageDocument& d, std::size_t n)
{
    const std::uint8_t* p = d.isPaletted() ? &d.Palette[4 * d.PixelIndices[n]] : &d.PixelBytes[4 * n];
    return qRgba(p[0], p[1], p[2], p[3]);
}

} // namespace

class TgaReaderTest : public QObject {
    Q_OBJECT

private slots:
    // Every GIMP file decodes to its family's reference image, seen in
    // stored row order: bottom-left files show the reference upside down.
    void conformanceFilesMatchTheirReference_data()
    {
        QTest::addColumn<QString>("tga");
        QTest::addColumn<QString>("png");
        const QDir common(Conformance + "common");
        for (const QString& name : common.entryList({"*.tga"})) {
            const QString family = name.section('_', 0, 1);
            QTest::newRow(qPrintable(name)) << common.filePath(name) << common.filePath(family + ".png");
        }
        QTest::newRow("cross_scan_line") << Conformance + "extra/cross_scan_line.tga"
                                         << Conformance + "extra/cross_scan_line.png";
        QTest::newRow("p_16") << Conformance + "extra/p_16.tga" << Conformance + "extra/p_16.png";
        QTest::newRow("origin edited") << Conformance + "extra/200x32_p_bl_raw_origin.tga"
                                       << Conformance + "common/200x32_p.png";
    }
    void conformanceFilesMatchTheirReference()
    {
        QFETCH(QString, tga);
        QFETCH(QString, png);
        const auto file = load(tga);
        ReadResult r = read(file);
        QVERIFY2(r.ok(), r.ok() ? "" : r.error().detail.c_str());
        const ImageDocument& d = r.document();
        QImage ref = QImage(png).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!ref.isNull());
        QCOMPARE(int(d.ImageWidth), ref.width());
        QCOMPARE(int(d.ImageHeight), ref.height());
        const std::uint8_t descriptor = file[17];
        if (!(descriptor & 0x20))
            ref = ref.mirrored(false, true);
        if (descriptor & 0x10)
            ref = ref.mirrored(true, false);
        QVERIFY(d.BitDepth == 8 || d.BitDepth == 24 || d.BitDepth == 32);
        for (int y = 0; y < ref.height(); ++y)
            for (int x = 0; x < ref.width(); ++x) {
                const QRgb got = pixelOf(d, static_cast<std::size_t>(y) * ref.width() + x);
                const QRgb want = ref.pixel(x, y);
                if (got != want)
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2): got %3, want %4")
                                         .arg(x).arg(y).arg(got, 8, 16).arg(want, 8, 16)));
            }
    }

    void greyAndPaletteFilesBecomePaletteDocuments()
    {
        ReadResult grey = read(load(Conformance + "common/200x32_l_bl_rle.tga"));
        QVERIFY(grey.ok());
        QCOMPARE(grey.document().BitDepth, std::uint8_t(8));
        for (int c = 0; c < 256; ++c) {
            QCOMPARE(grey.document().Palette[4 * c], std::uint8_t(c));
            QCOMPARE(grey.document().Palette[4 * c + 3], std::uint8_t(255));
        }
        ReadResult la = read(load(Conformance + "common/200x32_la_tl_raw.tga"));
        QVERIFY(la.ok());
        QCOMPARE(la.document().BitDepth, std::uint8_t(32));
        QVERIFY(la.document().PixelIndices.empty());
    }

    void extraFilesDecodeAsDescribed()
    {
        ReadResult id = read(load(Conformance + "extra/tga_id_field.tga"));
        QVERIFY(id.ok());
        QCOMPARE(id.document().ImageWidth, std::int16_t(100));
        QCOMPARE(id.document().TgaIdLength, std::uint8_t(6));

        ReadResult rgba16 = read(load(Conformance + "extra/rgba16.tga"));
        QVERIFY(rgba16.ok());
        const auto& p = rgba16.document().PixelBytes;
        const int want[8] = {172, 0, 255, 255, 0, 255, 82, 0};
        for (int i = 0; i < 8; ++i)
            QVERIFY2(std::abs(int(p[i]) - want[i]) <= 1, qPrintable(QString("byte %1 is %2").arg(i).arg(p[i])));

        ReadResult la = read(load(Conformance + "extra/la.tga"));
        QVERIFY(la.ok());
        const auto& lp = la.document().PixelBytes;
        int transparent = 0;
        for (std::size_t i = 3; i < lp.size(); i += 4)
            transparent += lp[i] == 0;
        QCOMPARE(transparent, 559);
        QCOMPARE(lp[0], std::uint8_t(0));
        QCOMPARE(lp[3], std::uint8_t(255));

        // Right-to-left files keep stored order: the same pixels as the original.
        ReadResult base = read(load(Conformance + "extra/rgb32rle.tga"));
        QVERIFY(base.ok());
        for (const char* name : {"extra/rgb32rle_top_right.tga", "extra/rgb32rle_bottom_right.tga"}) {
            ReadResult r = read(load(Conformance + name));
            QVERIFY(r.ok());
            QVERIFY(r.document().PixelBytes == base.document().PixelBytes);
            QCOMPARE(r.document().TgaDescriptor, load(Conformance + name)[17]);
        }
    }

    void brokenConformanceFilesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("p_8") << "extra/p_8.tga";
        QTest::newRow("cross_scan_line_truncated") << "extra/cross_scan_line_truncated.tga";
    }
    void brokenConformanceFilesAreRefused()
    {
        QFETCH(QString, name);
        QVERIFY(!read(load(Conformance + name)).ok());
    }

    void everyTruncationOfEveryFileIsRefused()
    {
        const QDir common(Conformance + "common");
        for (const QString& name : common.entryList({"*.tga"})) {
            const auto file = load(common.filePath(name));
            ReadResult whole = read(file);
            QVERIFY(whole.ok());
            // Bytes after the pixels (a footer) may go; the pixel data may not.
            std::vector<std::size_t> cuts{0, 5, 17, 18};
            if (file.size() > 200)
                cuts.push_back(file.size() / 2);
            for (std::size_t cut : cuts) {
                std::vector<std::uint8_t> part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
                QVERIFY2(!read(part).ok(), qPrintable(name + QString(" cut at %1").arg(cut)));
            }
        }
    }

    void twentyFourBitPixelsAreBlueFirstAndOpaque()
    {
        auto f = header(0, 2, 0, 0, 0, 2, 1, 24);
        append(f, {1, 2, 3, 4, 5, 6});
        ReadResult r = read(f);
        QVERIFY(r.ok());
        QCOMPARE(r.document().BitDepth, std::uint8_t(24));
        QCOMPARE(r.document().PixelBytes, (std::vector<std::uint8_t>{3, 2, 1, 255, 6, 5, 4, 255}));
        QCOMPARE(r.document().FileKind, DocumentKind::Tga);
    }

    void thirtyTwoBitPixelsKeepTheirAlpha()
    {
        auto f = header(0, 2, 0, 0, 0, 1, 2, 32, 8);
        append(f, {10, 20, 30, 0, 40, 50, 60, 99});
        ReadResult r = read(f);
        QVERIFY(r.ok());
        QCOMPARE(r.document().PixelBytes, (std::vector<std::uint8_t>{30, 20, 10, 0, 60, 50, 40, 99}));
    }

    void paletteImage16x16IsRedLastInTheFile()
    {
        auto f = header(1, 1, 0, 256, 24, 16, 16, 8);
        std::vector<std::uint8_t> map(768, 0);
        map[0] = 10;
        map[1] = 20;
        map[2] = 30;
        f.insert(f.end(), map.begin(), map.end());
        for (int i = 0; i < 256; ++i)
            f.push_back(static_cast<std::uint8_t>(255 - i));
        QCOMPARE(f.size(), std::size_t(1042));
        ReadResult r = read(f);
        QVERIFY(r.ok());
        const ImageDocument& d = r.document();
        QCOMPARE(d.BitDepth, std::uint8_t(8));
        QCOMPARE(d.Palette[0], std::uint8_t(30));
        QCOMPARE(d.Palette[1], std::uint8_t(20));
        QCOMPARE(d.Palette[2], std::uint8_t(10));
        QCOMPARE(d.Palette[3], std::uint8_t(255));
        QCOMPARE(d.PixelIndices[0], std::uint8_t(255));
        QVERIFY(d.PixelBytes.empty());
    }

    void shortMapFillsOnlyItsEntries()
    {
        auto f = header(1, 1, 5, 2, 32, 1, 1, 8);
        append(f, {1, 2, 3, 4, 5, 6, 7, 8});
        f.push_back(6);
        ImageDocument previous;
        previous.Palette.fill(9);
        ReadResult r = read(f, previous);
        QVERIFY(r.ok());
        const auto& p = r.document().Palette;
        QCOMPARE((std::vector<std::uint8_t>(p.begin() + 20, p.begin() + 28)),
                 (std::vector<std::uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}));
        QCOMPARE((std::vector<std::uint8_t>(p.begin(), p.begin() + 4)), (std::vector<std::uint8_t>{0, 0, 0, 255}));
        QCOMPARE(p[1020 + 3], std::uint8_t(255));
    }

    void legacyHeaderLoadsAsTrueColour()
    {
        for (std::uint8_t depth : {std::uint8_t(24), std::uint8_t(32)}) {
            auto f = header(1, 1, 0, 256, 24, 1, 1, depth);
            QCOMPARE((std::vector<std::uint8_t>(f.begin(), f.begin() + 8)),
                     (std::vector<std::uint8_t>{0, 1, 1, 0, 0, 0, 1, 24}));
            append(f, {1, 2, 3, 4});
            f.resize(18 + depth / 8);
            ReadResult r = read(f);
            QVERIFY2(r.ok(), r.ok() ? "" : r.error().detail.c_str());
            QCOMPARE(r.document().BitDepth, depth);
            QCOMPARE(r.document().PixelBytes[0], std::uint8_t(3));
            QCOMPARE(r.document().PixelBytes[2], std::uint8_t(1));
            QCOMPARE(r.document().TgaMapSpecC, std::int16_t(6145));
        }
    }

    void runsCrossRowsAndLongRunsAreCut()
    {
        // 3 x 2 grey: a run of 4 then a run of 100 of which only 2 are used.
        auto f = header(0, 11, 0, 0, 0, 3, 2, 8);
        append(f, {0x83, 7, 0xE3, 9});
        ReadResult r = read(f);
        QVERIFY(r.ok());
        QCOMPARE(r.document().PixelIndices, (std::vector<std::uint8_t>{7, 7, 7, 7, 9, 9}));
    }

    void keepsHeaderPiecesAndTexFields()
    {
        auto f = header(0, 2, 0x1234, 0x5678, 0, 1, 1, 24, 0x20);
        append(f, {0, 0, 0});
        ImageDocument previous;
        previous.TexType = 17;
        previous.MipCount = 4;
        previous.TexBits = -9;
        ReadResult r = read(f, previous);
        QVERIFY(r.ok());
        const ImageDocument& d = r.document();
        QCOMPARE(d.TgaMapSpecA, std::uint8_t(0x34));
        QCOMPARE(d.TgaMapSpecB, std::int16_t(0x7812));
        QCOMPARE(d.TgaMapSpecC, std::int16_t(0x0056));
        QCOMPARE(d.TgaDescriptor, std::uint8_t(0x20));
        QCOMPARE(d.TexType, std::int16_t(17));
        QCOMPARE(d.MipCount, std::int16_t(4));
        QCOMPARE(d.TexBits, -9);
    }

    void unsupportedOrBrokenHeadersAreRefused_data()
    {
        QTest::addColumn<std::vector<std::uint8_t>>("file");
        QTest::addColumn<QString>("mentions");
        auto withPixels = [](std::vector<std::uint8_t> h, std::size_t n) {
            h.resize(h.size() + n, 0);
            return h;
        };
        QTest::addRow("short header") << std::vector<std::uint8_t>(17, 0) << "18-byte";
        QTest::addRow("map type 2") << withPixels(header(2, 2, 0, 0, 0, 1, 1, 24), 3) << "colour-map type";
        QTest::addRow("image type 0") << withPixels(header(0, 0, 0, 0, 0, 1, 1, 24), 3) << "image type";
        QTest::addRow("image type 32") << withPixels(header(0, 32, 0, 0, 0, 1, 1, 24), 3) << "image type";
        QTest::addRow("16-bit indices") << withPixels(header(1, 1, 0, 2, 24, 1, 1, 16), 8) << "indices";
        QTest::addRow("map past 256") << withPixels(header(1, 1, 200, 57, 24, 1, 1, 8), 200) << "256";
        QTest::addRow("8-bit map entries") << withPixels(header(1, 1, 0, 2, 8, 1, 1, 8), 3) << "8 bits";
        QTest::addRow("mapped without map") << withPixels(header(0, 1, 0, 0, 0, 1, 1, 8), 1) << "no colour map";
        QTest::addRow("depth 12") << withPixels(header(0, 2, 0, 0, 0, 1, 1, 12), 2) << "12 bits";
        QTest::addRow("grey depth 24") << withPixels(header(0, 3, 0, 0, 0, 1, 1, 24), 3) << "24 bits";
        QTest::addRow("ID field cut") << withPixels(header(0, 2, 0, 0, 0, 1, 1, 24, 0, 10), 5) << "ID field";
        QTest::addRow("map cut") << withPixels(header(1, 1, 0, 256, 24, 1, 1, 8), 700) << "colour map";
        QTest::addRow("pixels cut") << withPixels(header(0, 2, 0, 0, 0, 2, 2, 32), 15) << "34 bytes";
        QTest::addRow("too wide") << withPixels(header(0, 3, 0, 0, 0, 40000, 1, 8), 40000) << "32767";
        QTest::addRow("rle cut") << std::vector<std::uint8_t>{[&] {
            auto h = header(0, 10, 0, 0, 0, 4, 1, 24);
            append(h, {0x01, 1, 2, 3});
            return h;
        }()} << "inside a packet";
        QTest::addRow("rle huge claim") << withPixels(header(0, 10, 0, 0, 0, 32767, 32767, 32), 10) << "cannot hold";
    }
    void unsupportedOrBrokenHeadersAreRefused()
    {
        QFETCH(std::vector<std::uint8_t>, file);
        QFETCH(QString, mentions);
        ReadResult r = read(file);
        QVERIFY(!r.ok());
        QCOMPARE(r.error().kind, ReadFailure::Malformed);
        QVERIFY2(QString::fromStdString(r.error().detail).contains(mentions), r.error().detail.c_str());
    }
};

QTEST_GUILESS_MAIN(TgaReaderTest)
#include "test_tga_reader.moc"
