// PNG reading against files written by two other programs, writing through
// the save conversion, round trips with TEX, and every refusal.

#include "codecs/PngReader.h"
#include "codecs/SaveConversion.h"
#include "codecs/TexReader.h"
#include "files/FileCommands.h"
#include "support/SavedImages.h"

#include <QImage>
#include <QtTest>

#include <cstdlib>
#include <new>

using namespace vtt;
using namespace vtt::testing;

namespace {
bool trackingAllocations = false;
std::size_t largestAllocation = 0;
} // namespace

void* operator new(std::size_t size)
{
    if (trackingAllocations && size > largestAllocation)
        largestAllocation = size;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using File = std::vector<std::uint8_t>;

File dataFile(const QString& name)
{
    QFile f(QStringLiteral(VTT_TEST_DATA_DIR "/png/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", qPrintable(name));
    const QByteArray bytes = f.readAll();
    return File(bytes.begin(), bytes.end());
}

ReadResult read(const File& f) { return readPng(Bytes(f.data(), f.size()), ImageDocument{}); }

// Every pixel as red, green, blue, alpha, through the palette for 8 bits.
File shown(const ImageDocument& d)
{
    if (!d.isPaletted())
        return File(d.PixelBytes.begin(), d.PixelBytes.end());
    File out;
    for (const std::uint8_t i : d.PixelIndices)
        out.insert(out.end(), d.Palette.begin() + 4 * i, d.Palette.begin() + 4 * i + 4);
    return out;
}

PixelArray encoded(const ImageDocument& d, SaveFormat format, TexPanelValues panel = {1, 0, 0})
{
    auto e = encodeForSave(d, format, panel);
    if (!e.ok())
        qFatal("encoding failed: %s", e.error().detail.c_str());
    return std::move(e.value().bytes);
}

ImageDocument reread(const PixelArray& f, SaveFormat format)
{
    const Bytes b(f.data(), f.size());
    auto r = format == SaveFormat::Png ? readPng(b, ImageDocument{}) : readTex(b, ImageDocument{});
    if (!r.ok())
        qFatal("reading back failed: %s", r.error().detail.c_str());
    return std::move(r.value());
}

// The pixels a save keeps: indices and palette colours, or every channel.
void compareKept(const ImageDocument& a, const ImageDocument& b)
{
    QCOMPARE(b.ImageWidth, a.ImageWidth);
    QCOMPARE(b.ImageHeight, a.ImageHeight);
    // PNG reads RGB as 32-bit RGBA.
    QVERIFY(b.BitDepth == a.BitDepth || (a.BitDepth == 24 && b.BitDepth == 32));
    QVERIFY(b.PixelIndices == a.PixelIndices);
    QVERIFY(b.PixelBytes == a.PixelBytes);
    for (int c = 0; c < PaletteEntries && a.isPaletted(); ++c)
        QVERIFY(std::equal(&a.Palette[4 * c], &a.Palette[4 * c + 3], &b.Palette[4 * c]));
}

std::uint32_t u32Big(const File& f, std::size_t at)
{
    return (std::uint32_t(f[at]) << 24) | (f[at + 1] << 16) | (f[at + 2] << 8) | f[at + 3];
}

} // namespace

class TestPng : public QObject {
    Q_OBJECT

private slots:
    void readsFilesOfOtherPrograms_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("depth");
        for (const char* name : {"grey1-pil", "grey2-magick", "grey4-magick", "grey8-pil", "grey8-pil-trns",
                                 "palette1-pil", "palette2-pil", "palette4-pil", "palette8-pil-trns",
                                 "palette2-interlaced-magick"})
            QTest::addRow("%s", name) << QString(name) << 8;
        for (const char* name : {"grey16-pil", "grey16-interlaced-magick", "greyalpha8-pil", "greyalpha16-magick",
                                 "rgb8-pil", "rgb8-pil-trns", "rgb16-magick", "rgba8-pil", "rgba16-magick",
                                 "rgba8-interlaced-magick"})
            QTest::addRow("%s", name) << QString(name) << 32;
    }
    void readsFilesOfOtherPrograms()
    {
        QFETCH(QString, name);
        QFETCH(int, depth);
        const auto r = read(dataFile(name + ".png"));
        QVERIFY2(r.ok(), r.ok() ? "" : r.error().detail.c_str());
        QCOMPARE(int(r.value().BitDepth), depth);
        QCOMPARE(r.value().FileKind, DocumentKind::Png);
        QVERIFY(shown(r.value()) == dataFile(name + ".rgba"));
        // Palette entries past the file's PLTE are opaque black.
        if (name.startsWith("palette1"))
            QCOMPARE(r.value().Palette[4 * 200 + 3] + r.value().Palette[4 * 200], 255);
    }

    // Each depth the tool holds, written and read back, and shown alike by
    // an independent decoder.
    void writesWhatOthersRead_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("colourType");
        QTest::newRow("palette") << 8 << 3;
        QTest::newRow("rgb") << 24 << 2;
        QTest::newRow("rgba") << 32 << 6;
    }
    void writesWhatOthersRead()
    {
        QFETCH(int, depth);
        QFETCH(int, colourType);
        ImageDocument doc = depth == 8 ? indexedDocument(7, 3, DocumentKind::Tga)
                                       : directDocument(7, 3, std::uint8_t(depth), DocumentKind::Tga);
        const PixelArray file = encoded(doc, SaveFormat::Png);
        const File bytes(file.begin(), file.end());
        QCOMPARE(int(bytes[25]), colourType);
        QCOMPARE(int(bytes[24]), 8);
        QCOMPARE(int(bytes[28]), 0);
        if (depth == 8) {
            QCOMPARE(u32Big(bytes, 33), 768u); // PLTE of 256 entries
            QVERIFY(!QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())).contains("tRNS"));
            for (int c = 0; c < PaletteEntries; ++c)
                doc.Palette[4 * c + 3] = 255;
        }
        const ImageDocument back = reread(file, SaveFormat::Png);
        compareKept(doc, back);
        QImage other = QImage::fromData(file.data(), int(file.size()), "PNG").convertToFormat(QImage::Format_RGBA8888);
        QCOMPARE(other.size(), QSize(7, 3));
        for (int y = 0; y < 3; ++y)
            QVERIFY(std::equal(other.constScanLine(y), other.constScanLine(y) + 28, shown(doc).begin() + 28 * y));
    }

    void roundTripsWithTex_data()
    {
        QTest::addColumn<QString>("png");
        QTest::addColumn<int>("texType");
        QTest::newRow("palette png") << "palette4-pil" << 0;
        QTest::newRow("grey png") << "grey2-magick" << 0;
        QTest::newRow("rgba png") << "rgba16-magick" << 0;
        QTest::newRow("tex type 1") << "" << 1;
        QTest::newRow("tex type 17") << "" << 17;
        QTest::newRow("tex type 18") << "" << 18;
    }
    void roundTripsWithTex()
    {
        QFETCH(QString, png);
        QFETCH(int, texType);
        if (!png.isEmpty()) {
            const ImageDocument start = read(dataFile(png + ".png")).value();
            const ImageDocument tex = reread(encoded(start, SaveFormat::Tex), SaveFormat::Tex);
            QCOMPARE(int(tex.Tex.Type), start.isPaletted() ? 1 : 18);
            compareKept(start, reread(encoded(tex, SaveFormat::Png), SaveFormat::Png));
            return;
        }
        ImageDocument start = texType == 1 ? indexedDocument(6, 5, DocumentKind::Tex)
                                           : directDocument(6, 5, texType == 17 ? 24 : 32, DocumentKind::Tex);
        start.Tex = TexHeader{std::int16_t(texType), 1, 7, -3};
        const ImageDocument png2 = reread(encoded(start, SaveFormat::Png), SaveFormat::Png);
        // Saved from PNG, the boxes count as for a Targa source.
        const ImageDocument back = reread(encoded(png2, SaveFormat::Tex, {1, 0, 0}), SaveFormat::Tex);
        QCOMPARE(back.Tex, (TexHeader{std::int16_t(texType == 17 ? 18 : texType), 1, 0, 0}));
        compareKept(start, back);
    }

    void refusesBadFiles_data()
    {
        const File good = dataFile("rgba8-pil.png");
        const std::size_t idat = 33 + 8; // the IDAT data, after IHDR
        QTest::addColumn<File>("file");
        QTest::addColumn<QString>("problem");
        QTest::newRow("empty") << File{} << "shorter than the 8-byte PNG signature";
        QTest::newRow("not png") << dataFile("grey1-pil.rgba") << "does not start with the PNG signature";
        QTest::newRow("cut in IDAT") << File(good.begin(), good.begin() + idat + 10) << "cut short: its IDAT chunk";
        QTest::newRow("no IEND") << File(good.begin(), good.end() - 12) << "without the IEND chunk";
        File crc = good;
        crc[crc.size() - 13] ^= 0x40; // the IDAT chunk's CRC
        QTest::newRow("IDAT CRC") << crc << "CRC does not match";
        File header = good;
        header[29] ^= 1;
        QTest::newRow("IHDR CRC") << header << "CRC does not match";
        File wide = good;
        wide[18] = 0x80; // 32768 + 9 pixels wide
        QTest::newRow("too wide") << wide << "larger than the 32767 x 32767";
        File claims = good;
        claims[18] = claims[22] = 0x7F; // 32521 x 32517 from a few bytes
        QTest::newRow("huge claim") << claims << "cannot hold the 32521 x 32517 image";
    }
    void refusesBadFiles()
    {
        QFETCH(File, file);
        QFETCH(QString, problem);
        largestAllocation = 0;
        trackingAllocations = true;
        const auto r = read(file);
        trackingAllocations = false;
        QVERIFY(!r.ok());
        QVERIFY2(QString::fromStdString(r.error().detail).contains(problem), r.error().detail.c_str());
        QVERIFY(largestAllocation < 1 << 20);
    }

    void formatFromNameAndFilter()
    {
        QCOMPARE(formatForPath("dir.png/a.PnG"), FileFormat::Png);
        QCOMPARE(formatForPath("a.png.tga"), FileFormat::Tga);
        QCOMPARE(formatForPath("png"), FileFormat::Tga);
        QCOMPARE(formatForFilter(3), FileFormat::Png);
        QCOMPARE(formatForFilter(2), FileFormat::Tga);
    }
};

QTEST_GUILESS_MAIN(TestPng)
#include "test_png.moc"
