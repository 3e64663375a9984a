// Targa files written by other encoders, each decoded and compared with the
// true image its README names. The reader honours the origin bits, so every
// file, bottom-left or top-left, must decode to its reference as it stands.

#include "codecs/TgaReader.h"
#include "support/Documents.h"

#include <QtTest>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>

using namespace vtt;
using vtt::testing::bytesOf;

namespace {

const QString Root = QStringLiteral(VTT_TEST_DATA_DIR "/tga-conformance/");

std::vector<std::uint8_t> load(const QString& relative)
{
    QFile f(Root + relative);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", qPrintable(relative));
    const QByteArray bytes = f.readAll();
    return {bytes.begin(), bytes.end()};
}

ReadResult read(const std::vector<std::uint8_t>& file) { return readTga(Bytes(file.data(), file.size())); }

// The document as the colours it holds, palette documents looked up.
QImage imageOf(const ImageDocument& doc)
{
    QImage image(doc.ImageWidth(), doc.ImageHeight(), QImage::Format_RGBA8888);
    for (int y = 0; y < doc.ImageHeight(); ++y) {
        std::uint8_t* row = image.scanLine(y);
        for (int x = 0; x < doc.ImageWidth(); ++x) {
            const std::size_t n = std::size_t(y) * doc.ImageWidth() + x;
            const std::uint8_t* px = doc.isPaletted() ? &doc.Palette()[4 * std::size_t(doc.PixelIndices()[n])]
                                                      : &doc.PixelBytes()[4 * n];
            std::memcpy(row + 4 * x, px, 4);
        }
    }
    return image;
}

// Empty when equal, otherwise where and how they first differ.
QString difference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1 x %2, expected %3 x %4")
            .arg(actual.width()).arg(actual.height()).arg(expected.width()).arg(expected.height());
    for (int y = 0; y < actual.height(); ++y) {
        const std::uint8_t* a = actual.constScanLine(y);
        const std::uint8_t* e = expected.constScanLine(y);
        for (int x = 0; x < actual.width(); ++x, a += 4, e += 4)
            if (std::memcmp(a, e, 4) != 0)
                return QStringLiteral("pixel (%1, %2) is %3,%4,%5,%6, expected %7,%8,%9,%10")
                    .arg(x).arg(y).arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]).arg(e[0]).arg(e[1]).arg(e[2]).arg(e[3]);
    }
    return {};
}

// Where the image data of a well-formed file ends: an independent walk of
// its packets, used to cut files inside their data and nowhere else.
std::size_t dataEnd(const std::vector<std::uint8_t>& f)
{
    const auto u16 = [&](std::size_t at) { return std::size_t(f[at] | (f[at + 1] << 8)); };
    const std::size_t pixelBytes = (f[16] + 7) / 8;
    std::size_t at = 18 + f[0] + (f[1] == 1 ? u16(5) * ((f[7] + 7) / 8) : 0);
    const std::size_t pixels = u16(12) * u16(14);
    if (f[2] < 9)
        return at + pixels * pixelBytes;
    for (std::size_t done = 0; done < pixels;) {
        const std::size_t count = std::min<std::size_t>((f[at] & 0x7F) + 1, pixels - done);
        at += 1 + ((f[at] & 0x80) ? pixelBytes : count * pixelBytes);
        done += count;
    }
    return at;
}

struct Expectation {
    QString file;
    QString reference;
    bool bottomLeft = false;
    std::uint8_t depth = 0;
};

QList<Expectation> referencedFiles()
{
    QList<Expectation> list;
    static const QRegularExpression name(QStringLiteral("^(\\d+x\\d+)_(l|la|p|rgb|rgba)_(bl|tl)_(raw|rle)\\.tga$"));
    const QMap<QString, std::uint8_t> depthOf{{"l", 8}, {"la", 32}, {"p", 8}, {"rgb", 24}, {"rgba", 32}};
    const QStringList common = QDir(Root + "common").entryList({"*.tga"}, QDir::Files, QDir::Name);
    for (const QString& file : common) {
        const auto m = name.match(file);
        if (!m.hasMatch())
            qFatal("unexpected file name %s", qPrintable(file));
        list.append({"common/" + file, "common/" + m.captured(1) + "_" + m.captured(2) + ".png",
                     m.captured(3) == "bl", depthOf[m.captured(2)]});
    }
    list.append({"extra/p_16.tga", "extra/p_16.png", true, 8});
    list.append({"extra/cross_scan_line.tga", "extra/cross_scan_line.png", true, 8});
    list.append({"extra/200x32_p_bl_raw_origin.tga", "common/200x32_p.png", true, 8});
    return list;
}

QStringList readableFiles()
{
    QStringList files;
    for (const QString& dir : {QStringLiteral("common"), QStringLiteral("extra")})
        for (const QString& file : QDir(Root + dir).entryList({"*.tga"}, QDir::Files, QDir::Name))
            if (!file.contains("truncated") && file != "p_8.tga")
                files.append(dir + "/" + file);
    return files;
}

} // namespace

class TgaConformanceTest : public QObject {
    Q_OBJECT

private slots:
    void decodesToItsReference_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<bool>("bottomLeft");
        QTest::addColumn<int>("depth");
        const QList<Expectation> files = referencedFiles();
        QCOMPARE(files.size(), 27);
        for (const Expectation& e : files)
            QTest::newRow(qPrintable(e.file)) << e.file << e.reference << e.bottomLeft << int(e.depth);
    }
    void decodesToItsReference()
    {
        QFETCH(QString, file);
        QFETCH(QString, reference);
        QFETCH(bool, bottomLeft);
        QFETCH(int, depth);

        ReadResult r = read(load(file));
        QVERIFY2(r.has_value(), r.has_value() ? "" : r.error().detail.c_str());
        const ImageDocument& doc = r.value();
        QCOMPARE(int(doc.BitDepth()), depth);
        QCOMPARE(doc.area(), int(doc.ImageWidth()) * doc.ImageHeight());
        QCOMPARE(doc.PixelIndices().size(), depth == 8 ? std::size_t(doc.area()) : 0);
        QCOMPARE(doc.PixelBytes().size(), depth == 8 ? 0 : 4 * std::size_t(doc.area()));
        QCOMPARE((doc.Facts.Tga.Descriptor & 0x20) == 0, bottomLeft);

        QImage expected(Root + reference);
        QVERIFY(!expected.isNull());
        expected = expected.convertToFormat(QImage::Format_RGBA8888);
        const QString diff = difference(imageOf(doc), expected);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    void colourMappedFilesKeepTheirIndices()
    {
        // The GIMP palette files and their reference share one palette
        // order, so the stored indices themselves must come through.
        for (const char* file : {"common/200x32_p_tl_raw.tga", "common/200x32_p_tl_rle.tga"}) {
            ReadResult r = read(load(file));
            QVERIFY(r.has_value());
            const QImage png(Root + "common/200x32_p.png");
            QCOMPARE(png.format(), QImage::Format_Indexed8);
            const ImageDocument& doc = r.value();
            for (int y = 0; y < png.height(); ++y)
                for (int x = 0; x < png.width(); ++x)
                    QCOMPARE(int(doc.PixelIndices()[std::size_t(y) * 200 + x]), png.pixelIndex(x, y));
        }
    }

    void sixteenBitPixelsWithAttributeAlpha()
    {
        ReadResult r = read(load("extra/rgba16.tga"));
        QVERIFY(r.has_value());
        const ImageDocument& doc = r.value();
        QCOMPARE(doc.BitDepth(), std::uint8_t(32));
        const std::uint8_t expected[8] = {172, 0, 255, 255, 0, 255, 82, 0};
        QCOMPARE(doc.PixelBytes().size(), std::size_t(8));
        for (int i = 0; i < 8; ++i)
            QVERIFY2(std::abs(int(doc.PixelBytes()[i]) - expected[i]) <= 1, qPrintable(QString::number(i)));
    }

    void greyWithAlphaRunLength()
    {
        ReadResult r = read(load("extra/la.tga"));
        QVERIFY(r.has_value());
        const ImageDocument& doc = r.value();
        QCOMPARE(doc.ImageWidth(), std::int16_t(64));
        QCOMPARE(doc.ImageHeight(), std::int16_t(64));
        QCOMPARE(doc.BitDepth(), std::uint8_t(32));
        int clear = 0;
        for (int n = 0; n < doc.area(); ++n) {
            const std::uint8_t* px = &doc.PixelBytes()[4 * n];
            QVERIFY(px[0] == px[1] && px[1] == px[2]);
            clear += px[3] == 0;
        }
        QCOMPARE(clear, 559);
        QCOMPARE(doc.PixelBytes()[0], std::uint8_t(0));
        QCOMPARE(doc.PixelBytes()[3], std::uint8_t(255));
    }

    void idFieldIsSkipped()
    {
        auto file = load("extra/tga_id_field.tga");
        QCOMPARE(int(file[0]), 6);
        ReadResult r = read(file);
        QVERIFY(r.has_value());
        QCOMPARE(r.value().ImageWidth(), std::int16_t(100));
        QCOMPARE(r.value().ImageHeight(), std::int16_t(100));
        QCOMPARE(r.value().Facts.Tga.IdLength, std::uint8_t(6));

        // Without its ID field the file must give the very same pixels.
        auto bare = file;
        bare.erase(bare.begin() + 18, bare.begin() + 24);
        bare[0] = 0;
        ReadResult b = read(bare);
        QVERIFY(b.has_value());
        QVERIFY(bytesOf(b.value().PixelBytes()) == bytesOf(r.value().PixelBytes()));
    }

    void originBitsTurnTheStoredImage()
    {
        // The same stored pixels under three descriptors: bottom-left,
        // top-right (the first image turned half round) and bottom-right
        // (the first image mirrored).
        ReadResult plain = read(load("extra/rgb32rle.tga"));
        QVERIFY(plain.has_value());
        QCOMPARE(plain.value().area(), 199 * 199);
        const QImage bottomLeft = imageOf(plain.value());
        for (const auto& [file, flipped] : {std::pair{"extra/rgb32rle_top_right.tga", true},
                                            std::pair{"extra/rgb32rle_bottom_right.tga", false}}) {
            ReadResult r = read(load(file));
            QVERIFY(r.has_value());
            const QString diff = difference(imageOf(r.value()), bottomLeft.mirrored(true, flipped));
            QVERIFY2(diff.isEmpty(), qPrintable(QString::fromLatin1(file) + ": " + diff));
        }
    }

    void brokenFilesAreRefused_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("8-bit map entries, no data") << "extra/p_8.tga" << "8 bits each";
        QTest::newRow("run-length data cut short") << "extra/cross_scan_line_truncated.tga" << "run-length";
    }
    void brokenFilesAreRefused()
    {
        QFETCH(QString, file);
        QFETCH(QString, mentions);
        ReadResult r = read(load(file));
        QVERIFY(!r.has_value());
        QVERIFY2(QString::fromStdString(r.error().detail).contains(mentions), r.error().detail.c_str());
    }

    void everyCutInsideTheDataIsRefused_data()
    {
        QTest::addColumn<QString>("file");
        const QStringList files = readableFiles();
        QCOMPARE(files.size(), 33);
        for (const QString& file : files)
            QTest::newRow(qPrintable(file)) << file;
    }
    void everyCutInsideTheDataIsRefused()
    {
        QFETCH(QString, file);
        const auto whole = load(file);
        const std::size_t end = dataEnd(whole);
        QVERIFY(end <= whole.size());

        // The file up to the end of its image data is complete.
        ReadResult full = read(whole);
        ReadResult exact = read({whole.begin(), whole.begin() + std::ptrdiff_t(end)});
        QVERIFY(full.has_value() && exact.has_value());
        // Cut before its footer, a bottom-left colour-mapped file with this
        // tool's earlier header looks like that earlier output, whose rows
        // load in stored order.
        const bool earlierLayout = whole[17] == 0 && std::equal(whole.begin(), whole.begin() + 8,
                                                                std::begin({0, 1, 1, 0, 0, 0, 1, 24}));
        QVERIFY(earlierLayout || bytesOf(exact.value().pixels()) == bytesOf(full.value().pixels()));

        // Every cut in the header, ID field and colour map, and a spread of
        // cuts through the pixel data down to its last byte.
        const std::size_t start = 18 + whole[0] + (whole[1] == 1 ? (whole[5] | (whole[6] << 8)) * ((whole[7] + 7) / 8) : 0);
        std::vector<std::size_t> cuts;
        for (std::size_t c = 0; c <= start && c < end; ++c)
            cuts.push_back(c);
        const std::size_t step = std::max<std::size_t>(1, (end - start) / 97);
        for (std::size_t c = start + 1; c < end; c += step)
            cuts.push_back(c);
        cuts.push_back(end - 1);
        for (std::size_t cut : cuts) {
            ReadResult r = read({whole.begin(), whole.begin() + std::ptrdiff_t(cut)});
            QVERIFY2(!r.has_value(), qPrintable(QStringLiteral("accepted when cut to %1 of %2 bytes").arg(cut).arg(end)));
            QVERIFY(!r.error().detail.empty());
        }
    }
};

QTEST_GUILESS_MAIN(TgaConformanceTest)
#include "test_tga_conformance.moc"
