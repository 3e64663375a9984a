// PNG reading against files written by two other programs, writing through
// the save conversion, round trips with TEX, and every refusal.

#include "codecs/PngReader.h"
#include "files/FileCommands.h"
#include "codecs/SaveConversion.h"
#include "codecs/TexReader.h"
#include "support/Documents.h"
#include "support/SavedImages.h"
#include "support/TestFiles.h"

#include <QImage>
#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

namespace {

using File = std::vector<std::uint8_t>;

File pngData(const QString& name) { return testDataFile("png/" + name); }

ReadResult read(const auto& f, ImageFormat as = ImageFormat::Png)
{
    const Bytes b(f.data(), f.size());
    return as == ImageFormat::Png ? readPng(b) : readTex(b);
}

// Every pixel as red, green, blue, alpha, through the palette for 8 bits.
File shown(const ImageDocument& d)
{
    if (!d.isPaletted())
        return File(d.PixelBytes().begin(), d.PixelBytes().end());
    File out;
    for (const std::uint8_t i : d.PixelIndices())
        out.insert(out.end(), d.Palette().begin() + 4 * i, d.Palette().begin() + 4 * i + 4);
    return out;
}

// Saved as `format` and read back.
ImageDocument saved(const ImageDocument& d, ImageFormat format, PixelArray* file = nullptr)
{
    auto e = encodeImage(d, format, TexPanelValues{1, 0, 0});
    auto r = e.has_value() ? read(e.value().bytes, format) : ReadResult(Error{});
    if (!r.has_value())
        qFatal("saving and reading back failed");
    if (file)
        *file = e.value().bytes;
    return std::move(r.value());
}

// What a save keeps: indices and palette colours, or every channel (RGB
// reads back as 32-bit RGBA).
void compareKept(const ImageDocument& a, const ImageDocument& b)
{
    QVERIFY(b.BitDepth() == a.BitDepth() || (a.BitDepth() == 24 && b.BitDepth() == 32));
    QVERIFY(bytesOf(b.pixels()) == bytesOf(a.pixels()));
    for (int c = 0; c < PaletteEntries && a.isPaletted(); ++c)
        QVERIFY(std::equal(&a.Palette()[4 * c], &a.Palette()[4 * c + 3], &b.Palette()[4 * c]));
}

} // namespace

class TestPng : public QObject {
    Q_OBJECT

private slots:
    void readsFilesOfOtherPrograms_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString& name : QDir(VTT_TEST_DATA_DIR "/png").entryList({"*.png"}))
            QTest::newRow(qPrintable(name)) << name.chopped(4);
    }
    void readsFilesOfOtherPrograms()
    {
        QFETCH(QString, name);
        const auto r = read(pngData(name + ".png"));
        QVERIFY2(r.has_value(), r.has_value() ? "" : r.error().detail.c_str());
        // Palette and grey of up to 8 bits load as palette images.
        const bool indexed = name.startsWith("palette") || (name.startsWith("grey") && !name.contains("16")
                                                            && !name.startsWith("greyalpha"));
        QCOMPARE(int(r.value().BitDepth()), indexed ? 8 : 32);
        QVERIFY(shown(r.value()) == pngData(name + ".rgba"));
    }

    // Each depth, written, read back, and shown alike by an independent decoder.
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
        ImageDocument doc = depth == 8 ? indexedDocument(7, 3, ImageFormat::Tga)
                                       : directDocument(7, 3, std::uint8_t(depth), ImageFormat::Tga);
        for (int c = 0; c < PaletteEntries; ++c)
            doc.Palette()[4 * c + 3] = 255; // no tRNS is written
        PixelArray file;
        compareKept(doc, saved(doc, ImageFormat::Png, &file));
        const QByteArray bytes(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
        QCOMPARE(int(bytes[25]), colourType);
        QCOMPARE(bytes.mid(24, 1) + bytes.mid(28, 1), QByteArray("\x08\x00", 2)); // 8 bits, not interlaced
        QCOMPARE(bytes.contains(QByteArray("\x00\x00\x03\x00PLTE", 8)), depth == 8);
        QVERIFY(!bytes.contains("tRNS"));
        const QImage other = QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_RGBA8888);
        QVERIFY(std::equal(other.constBits(), other.constBits() + 7 * 3 * 4, shown(doc).begin()));
    }

    void roundTripsWithTex()
    {
        for (const char* png : {"palette4-pil", "grey2-magick", "rgba16-magick"}) {
            const ImageDocument start = read(pngData(QString(png) + ".png")).value();
            compareKept(start, saved(saved(start, ImageFormat::Tex), ImageFormat::Png));
        }
        for (const int type : {1, 17, 18}) {
            ImageDocument start = type == 1 ? indexedDocument(6, 5, ImageFormat::Tex)
                                            : directDocument(6, 5, type == 17 ? 24 : 32, ImageFormat::Tex);
            start.Facts.Tex = TexHeader{std::int16_t(type), 1, 7, -3};
            // From PNG the type follows the depth (RGB reads as RGBA) and the boxes are a new window's.
            const ImageDocument back = saved(saved(start, ImageFormat::Png), ImageFormat::Tex);
            QCOMPARE(back.Facts.Tex, (TexHeader{std::int16_t(type == 17 ? 18 : type), 1, 0, 0}));
            compareKept(start, back);
        }
    }

    void refusesBadFiles_data()
    {
        const File good = pngData("rgba8-pil.png");
        QTest::addColumn<File>("file");
        QTest::addColumn<QString>("problem");
        QTest::newRow("empty") << File{} << "shorter than the 8-byte PNG signature";
        QTest::newRow("not png") << pngData("grey1-pil.rgba") << "does not start with the PNG signature";
        QTest::newRow("cut in IDAT") << File(good.begin(), good.begin() + 50) << "cut short: its IDAT chunk";
        QTest::newRow("cut in IHDR") << File(good.begin(), good.begin() + 20)
                                     << "its IHDR chunk needs 25 bytes from byte 8, but the file has only 20 bytes";
        File apart(good.begin(), good.end() - 12); // IDAT, another chunk, IDAT again
        for (const char* chunk : {"\0\0\0\0abcd\0\0\0\0", "\0\0\0\0IDAT\x35\xaf\x06\x1e"})
            apart.insert(apart.end(), chunk, chunk + 12);
        apart.insert(apart.end(), good.end() - 12, good.end());
        QTest::newRow("IDAT apart") << apart << "the IDAT chunks are not consecutive";
        QTest::newRow("no IEND") << File(good.begin(), good.end() - 12) << "without the IEND chunk";
        for (std::size_t at : {good.size() - 13, std::size_t(29)}) { // the CRCs of IDAT and IHDR
            File crc = good;
            crc[at] ^= 0x40;
            QTest::addRow("CRC at %zu", at) << crc << "CRC does not match";
        }
        // 32777 x 5, and 32521 x 32517 from a few bytes, each with its CRC made right.
        for (const File& header : {File{0, 0, 0x80, 9, 0, 0, 0, 5, 8, 6, 0, 0, 0, 0xE0, 0xB2, 0xF3, 0xF4},
                                   File{0, 0, 0x7F, 9, 0, 0, 0x7F, 5, 8, 6, 0, 0, 0, 0xE0, 0xA9, 0xC0, 0x9C}}) {
            File f = good;
            std::copy(header.begin(), header.end(), f.begin() + 16);
            QTest::addRow("%d wide", header[2] << 8 | header[3])
                << f << (header[2] == 0x80 ? "larger than the 32767 x 32767" : "cannot hold the 32521 x 32517 image");
        }
    }
    void refusesBadFiles()
    {
        QFETCH(File, file);
        QFETCH(QString, problem);
        const auto r = read(file);
        QVERIFY(!r.has_value());
        QVERIFY2(QString::fromStdString(r.error().detail).contains(problem), r.error().detail.c_str());
    }
};

QTEST_GUILESS_MAIN(TestPng)
#include "test_png.moc"
