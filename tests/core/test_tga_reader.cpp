// Targa decoding byte by byte: the layouts the tool always read, the ones a
// standard editor writes, and every refusal. The files of other encoders are
// checked in test_tga_conformance.

#include "codecs/TgaReader.h"
#include "files/FileCommands.h"
#include "support/Documents.h"
#include "support/TexFiles.h"

#include <QtTest>

#include <cstdlib>
#include <new>

using namespace vtt;
using namespace vtt::testing;

// The largest single allocation made while `trackingAllocations` is set, to
// show that refusing a huge claim allocates nothing of its size.
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

ReadResult read(const File& file) { return readTga(Bytes(file.data(), file.size())); }

// As the window opens it over `previous`.
ReadResult read(const File& file, const ImageDocument& previous)
{
    ReadResult r = read(file);
    if (r)
        carryFromPrevious(*r, previous);
    return r;
}

File header(std::uint8_t mapType, std::uint8_t imageType, std::uint16_t first, std::uint16_t length,
            std::uint8_t entryBits, std::uint16_t w, std::uint16_t h, std::uint8_t depth,
            std::uint8_t descriptor = 0, std::uint8_t idLength = 0)
{
    File out{idLength, mapType, imageType};
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

File with(File f, std::initializer_list<std::uint8_t> bytes)
{
    append(f, bytes);
    return f;
}

File padded(File f, std::size_t n)
{
    f.resize(f.size() + n, 0);
    return f;
}

using Rgba = std::vector<std::uint8_t>;

// RGBA of palette entry c.
Rgba entry(const ImageDocument& d, int c) { return Rgba(d.Palette().begin() + 4 * c, d.Palette().begin() + 4 * c + 4); }

// A previous document with something in every field a load must replace or
// keep, so a reader that keeps or drops the wrong thing shows.
ImageDocument busyPrevious()
{
    ImageDocument p = testing::documentOf(2, 5, 8, File(10, 6));
    p.Palette().fill(77);
    p.Facts.Tex.Type = 17;
    p.Facts.Tex.MipCount = 4;
    p.Facts.Tex.Unknown = -3;
    p.Facts.Tex.Bits = -9;
    p.Facts.Kind = ImageFormat::Tex;
    return p;
}

} // namespace

class TgaReaderTest : public QObject {
    Q_OBJECT

private slots:
    void twentyFourBitPixelsAreBlueFirstAndOpaque()
    {
        ReadResult r = read(with(header(0, 2, 0, 0, 0, 2, 1, 24), {1, 2, 3, 4, 5, 6}), busyPrevious());
        QVERIFY(r.has_value());
        const ImageDocument& d = r.value();
        QCOMPARE(d.Facts.Kind, ImageFormat::Tga);
        QCOMPARE(d.BitDepth(), std::uint8_t(24));
        QCOMPARE(d.ImageWidth(), std::int16_t(2));
        QCOMPARE(d.ImageHeight(), std::int16_t(1));
        QCOMPARE(d.area(), std::size_t(2));
        QCOMPARE(bytesOf(d.PixelBytes()), (Rgba{3, 2, 1, 255, 6, 5, 4, 255}));
        QVERIFY(d.PixelIndices().empty());
        QCOMPARE(entry(d, 200), (Rgba{77, 77, 77, 77})); // no map: the palette stays
    }

    void thirtyTwoBitPixelsKeepTheirFourthByteAsAlpha_data()
    {
        QTest::addColumn<int>("descriptor");
        QTest::newRow("8 alpha bits") << 0x28;
        QTest::newRow("no alpha bits declared") << 0x20;
    }
    void thirtyTwoBitPixelsKeepTheirFourthByteAsAlpha()
    {
        QFETCH(int, descriptor);
        ReadResult r = read(with(header(0, 2, 0, 0, 0, 1, 2, 32, std::uint8_t(descriptor)),
                                 {10, 20, 30, 0, 40, 50, 60, 99}));
        QVERIFY(r.has_value());
        QCOMPARE(r.value().BitDepth(), std::uint8_t(32));
        QCOMPARE(bytesOf(r.value().PixelBytes()), (Rgba{30, 20, 10, 0, 60, 50, 40, 99}));
    }

    void paletteImage16x16IsRedLastInTheFile()
    {
        auto f = header(1, 1, 0, 256, 24, 16, 16, 8);
        File map(768, 0);
        map[0] = 10;
        map[1] = 20;
        map[2] = 30;
        map[765] = 1;
        f.insert(f.end(), map.begin(), map.end());
        for (int i = 0; i < 256; ++i)
            f.push_back(static_cast<std::uint8_t>(255 - i));
        QCOMPARE(f.size(), std::size_t(1042));
        ReadResult r = read(f, busyPrevious());
        QVERIFY(r.has_value());
        const ImageDocument& d = r.value();
        QCOMPARE(d.BitDepth(), std::uint8_t(8));
        QCOMPARE(entry(d, 0), (Rgba{30, 20, 10, 255}));
        QCOMPARE(entry(d, 255), (Rgba{0, 0, 1, 255}));
        QCOMPARE(d.PixelIndices().size(), std::size_t(256));
        QCOMPARE(d.PixelIndices()[0], std::uint8_t(255));
        QCOMPARE(d.PixelIndices()[255], std::uint8_t(0));
        QVERIFY(d.PixelBytes().empty());
    }

    void legacyHeaderLoadsAsTrueColourWithoutAMap_data()
    {
        QTest::addColumn<int>("depth");
        QTest::newRow("24-bit") << 24;
        QTest::newRow("32-bit") << 32;
    }
    void legacyHeaderLoadsAsTrueColourWithoutAMap()
    {
        QFETCH(int, depth);
        auto f = header(1, 1, 0, 256, 24, 2, 1, std::uint8_t(depth));
        QCOMPARE(File(f.begin(), f.begin() + 8), (File{0, 1, 1, 0, 0, 0, 1, 24}));
        for (int i = 1; i <= 2 * depth / 8; ++i)
            f.push_back(std::uint8_t(i));
        ReadResult r = read(f); // exactly header + pixels: no map to skip
        QVERIFY2(r.has_value(), r.has_value() ? "" : r.error().detail.c_str());
        const ImageDocument& d = r.value();
        QCOMPARE(int(d.BitDepth()), depth);
        if (depth == 24)
            QCOMPARE(bytesOf(d.PixelBytes()), (Rgba{3, 2, 1, 255, 6, 5, 4, 255}));
        else
            QCOMPARE(bytesOf(d.PixelBytes()), (Rgba{3, 2, 1, 4, 7, 6, 5, 8}));
        QCOMPARE(d.Facts.Tga.ColorMapType, std::uint8_t(1));
        QCOMPARE(d.Facts.Tga.ImageType, std::uint8_t(1));
        QCOMPARE(d.Facts.Tga.ColorMapLength, std::uint16_t(256));
        QCOMPARE(d.Facts.Tga.ColorMapEntrySize, std::uint8_t(24));
    }

    void colourMapIsReadAsDeclared_data()
    {
        QTest::addColumn<int>("entryBits");
        QTest::addColumn<int>("descriptor");
        QTest::addColumn<File>("entries"); // two entries as stored
        QTest::addColumn<Rgba>("expected"); // their RGBA
        // 16-bit 0x7C00 is pure red, 0x83E0 green with the attribute bit set.
        QTest::newRow("15-bit") << 15 << 0 << File{0x00, 0x7C, 0xE0, 0x83} << Rgba{255, 0, 0, 255, 0, 255, 0, 255};
        QTest::newRow("16-bit, no alpha bits") << 16 << 0 << File{0x00, 0x7C, 0xE0, 0x83}
                                               << Rgba{255, 0, 0, 255, 0, 255, 0, 255};
        QTest::newRow("16-bit, attribute bit") << 16 << 1 << File{0x00, 0x7C, 0xE0, 0x83}
                                               << Rgba{255, 0, 0, 255, 0, 255, 0, 0};
        QTest::newRow("24-bit") << 24 << 0 << File{1, 2, 3, 4, 5, 6} << Rgba{3, 2, 1, 255, 6, 5, 4, 255};
        QTest::newRow("32-bit") << 32 << 8 << File{1, 2, 3, 4, 5, 6, 7, 8} << Rgba{3, 2, 1, 4, 7, 6, 5, 8};
    }
    void colourMapIsReadAsDeclared()
    {
        QFETCH(int, entryBits);
        QFETCH(int, descriptor);
        QFETCH(File, entries);
        QFETCH(Rgba, expected);
        // Entries 5 and 6 only; the pixels name 5, 6 and an undefined 7.
        auto f = header(1, 1, 5, 2, std::uint8_t(entryBits), 3, 1, 8, std::uint8_t(descriptor));
        f.insert(f.end(), entries.begin(), entries.end());
        append(f, {5, 6, 7});
        ReadResult r = read(f, busyPrevious());
        QVERIFY2(r.has_value(), r.has_value() ? "" : r.error().detail.c_str());
        const ImageDocument& d = r.value();
        QCOMPARE(entry(d, 5), Rgba(expected.begin(), expected.begin() + 4));
        QCOMPARE(entry(d, 6), Rgba(expected.begin() + 4, expected.end()));
        for (int c : {0, 4, 7, 255})
            QCOMPARE(entry(d, c), (Rgba{0, 0, 0, 255}));
        QCOMPARE(bytesOf(d.PixelIndices()), (File{5, 6, 7}));
    }

    void sixteenBitTrueColour_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("descriptor");
        QTest::addColumn<Rgba>("expected");
        // 0x801F: blue 31 with the attribute bit; 0x0200: green 16.
        QTest::newRow("15-bit ignores the top bit") << 15 << 0 << Rgba{0, 0, 255, 255, 0, 132, 0, 255};
        QTest::newRow("16-bit without alpha bits") << 16 << 0 << Rgba{0, 0, 255, 255, 0, 132, 0, 255};
        QTest::newRow("16-bit with an attribute bit") << 16 << 1 << Rgba{0, 0, 255, 0, 0, 132, 0, 255};
    }
    void sixteenBitTrueColour()
    {
        QFETCH(int, depth);
        QFETCH(int, descriptor);
        QFETCH(Rgba, expected);
        ReadResult r = read(with(header(0, 2, 0, 0, 0, 2, 1, std::uint8_t(depth), std::uint8_t(descriptor)),
                                 {0x1F, 0x80, 0x00, 0x02}));
        QVERIFY(r.has_value());
        QCOMPARE(r.value().BitDepth(), std::uint8_t(32));
        QCOMPARE(bytesOf(r.value().PixelBytes()), expected);
    }

    void greyscaleBecomesARampOrRgba()
    {
        ReadResult grey = read(with(header(0, 3, 0, 0, 0, 3, 1, 8), {0, 128, 255}), busyPrevious());
        QVERIFY(grey.has_value());
        QCOMPARE(grey.value().BitDepth(), std::uint8_t(8));
        QCOMPARE(bytesOf(grey.value().PixelIndices()), (File{0, 128, 255}));
        QVERIFY(grey.value().PixelBytes().empty());
        for (int c = 0; c < 256; ++c)
            QCOMPARE(entry(grey.value(), c), (Rgba{std::uint8_t(c), std::uint8_t(c), std::uint8_t(c), 255}));

        ReadResult la = read(with(header(0, 3, 0, 0, 0, 2, 1, 16, 8), {50, 0, 60, 255}), busyPrevious());
        QVERIFY(la.has_value());
        QCOMPARE(la.value().BitDepth(), std::uint8_t(32));
        QCOMPARE(bytesOf(la.value().PixelBytes()), (Rgba{50, 50, 50, 0, 60, 60, 60, 255}));
        QVERIFY(la.value().PixelIndices().empty());
    }

    void idFieldAndForeignMapAreSkipped()
    {
        // A 4-byte ID and a 2-entry 24-bit map ahead of true-colour pixels.
        auto f = header(1, 2, 0, 2, 24, 1, 1, 24, 0, 4);
        append(f, {9, 9, 9, 9, 8, 8, 8, 7, 7, 7, 1, 2, 3});
        ReadResult r = read(f, busyPrevious());
        QVERIFY(r.has_value());
        QCOMPARE(bytesOf(r.value().PixelBytes()), (Rgba{3, 2, 1, 255}));
        QCOMPARE(entry(r.value(), 0), (Rgba{77, 77, 77, 77})); // not a palette image
        QCOMPARE(r.value().Facts.Tga.IdLength, std::uint8_t(4));
    }

    void rowsFollowTheOriginExceptInEarlierOutput_data()
    {
        // 1 x 2 images whose stored rows are 1 then 2. Files of this tool's
        // earlier versions (their exact header start, descriptor 0, no
        // footer) keep stored order; everything else honours bit 5.
        QTest::addColumn<File>("file");
        QTest::addColumn<Rgba>("expected"); // PixelBytes, or PixelIndices for 8-bit
        const File footer = with(File(8, 0), {'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O', 'N', '-', 'X', 'F', 'I',
                                              'L', 'E', '.', 0});
        const File map8 = padded(header(1, 1, 0, 256, 24, 1, 2, 8), 768);
        QTest::newRow("24-bit earlier output") << with(header(1, 1, 0, 256, 24, 1, 2, 24), {1, 1, 1, 2, 2, 2})
                                               << Rgba{1, 1, 1, 255, 2, 2, 2, 255};
        QTest::newRow("32-bit earlier output") << with(header(1, 1, 0, 256, 24, 1, 2, 32), {1, 1, 1, 9, 2, 2, 2, 9})
                                               << Rgba{1, 1, 1, 9, 2, 2, 2, 9};
        QTest::newRow("8-bit earlier output") << with(map8, {1, 2}) << Rgba{1, 2};
        QTest::newRow("8-bit, same bytes with a footer") << [&] {
            File f = with(map8, {1, 2});
            f.insert(f.end(), footer.begin(), footer.end());
            return f;
        }() << Rgba{2, 1};
        QTest::newRow("24-bit bottom-left") << with(header(0, 2, 0, 0, 0, 1, 2, 24), {1, 1, 1, 2, 2, 2})
                                            << Rgba{2, 2, 2, 255, 1, 1, 1, 255};
        QTest::newRow("24-bit top-left") << with(header(0, 2, 0, 0, 0, 1, 2, 24, 0x20), {1, 1, 1, 2, 2, 2})
                                         << Rgba{1, 1, 1, 255, 2, 2, 2, 255};
    }
    void rowsFollowTheOriginExceptInEarlierOutput()
    {
        QFETCH(File, file);
        QFETCH(Rgba, expected);
        ReadResult r = read(file);
        QVERIFY2(r.has_value(), r.has_value() ? "" : r.error().detail.c_str());
        QCOMPARE(bytesOf(r.value().pixels()), expected);
    }

    void runLengthPackets_data()
    {
        QTest::addColumn<File>("file");
        QTest::addColumn<Rgba>("expected"); // PixelBytes, or PixelIndices for 8-bit
        // 3 x 2 grey, bottom row stored first: a run of 4 crossing the row
        // end, then a run of 100 of which only 2 are used.
        QTest::newRow("grey runs cross rows, long run cut")
            << with(header(0, 11, 0, 0, 0, 3, 2, 8), {0x83, 7, 0xE3, 9}) << Rgba{7, 9, 9, 7, 7, 7};
        // 2 x 2, 32-bit: a raw packet of 3 over the row end, then a run of 1,
        // bottom-up and top-down.
        QTest::newRow("32-bit raw packet crosses rows")
            << with(header(0, 10, 0, 0, 0, 2, 2, 32, 8),
                    {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0x80, 13, 14, 15, 16})
            << Rgba{11, 10, 9, 12, 15, 14, 13, 16, 3, 2, 1, 4, 7, 6, 5, 8};
        QTest::newRow("32-bit raw packet crosses rows, top-down")
            << with(header(0, 10, 0, 0, 0, 2, 2, 32, 0x28),
                    {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0x80, 13, 14, 15, 16})
            << Rgba{3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12, 15, 14, 13, 16};
        // A raw packet of 5 pixels where 2 remain: only those 2 need be there.
        QTest::newRow("raw packet cut at the image's end")
            << with(header(0, 10, 0, 0, 0, 2, 1, 24), {0x04, 1, 2, 3, 4, 5, 6}) << Rgba{3, 2, 1, 255, 6, 5, 4, 255};
        QTest::newRow("colour-mapped")
            << with(header(1, 9, 0, 1, 24, 4, 1, 8), {0, 0, 0, 0x81, 3, 0x01, 4, 5}) << Rgba{3, 3, 4, 5};
        QTest::newRow("16-bit grey and alpha")
            << with(header(0, 11, 0, 0, 0, 2, 1, 16, 8), {0x81, 40, 200}) << Rgba{40, 40, 40, 200, 40, 40, 40, 200};
    }
    void runLengthPackets()
    {
        QFETCH(File, file);
        QFETCH(Rgba, expected);
        ReadResult r = read(file);
        QVERIFY2(r.has_value(), r.has_value() ? "" : r.error().detail.c_str());
        const ImageDocument& d = r.value();
        QCOMPARE(bytesOf(d.pixels()), expected);
    }

    void emptyImagesLoad()
    {
        ReadResult raw = read(header(0, 2, 0, 0, 0, 0, 5, 32));
        QVERIFY(raw.has_value());
        QCOMPARE(raw.value().area(), 0);
        QVERIFY(raw.value().PixelBytes().empty());
        ReadResult grey = read(header(0, 3, 0, 0, 0, 0, 3, 8));
        QVERIFY(grey.has_value());
        QVERIFY(grey.value().PixelIndices().empty());
        ReadResult rle = read(header(0, 11, 0, 0, 0, 7, 0, 8));
        QVERIFY(rle.has_value());
        QCOMPARE(rle.value().area(), 0);
        QCOMPARE(rle.value().BitDepth(), std::uint8_t(8));
    }

    void keepsHeaderBytesAsTheyStand()
    {
        // Map type 0: the map fields are kept but describe nothing.
        ReadResult r = read(with(header(0, 2, 0x1234, 0x5678, 0, 1, 1, 24, 0x20), {0, 0, 0}));
        QVERIFY(r.has_value());
        const ImageDocument& d = r.value();
        QCOMPARE(d.Facts.Tga.FirstEntryIndex, std::uint16_t(0x1234));
        QCOMPARE(d.Facts.Tga.ColorMapLength, std::uint16_t(0x5678));
        QCOMPARE(d.Facts.Tga.ColorMapEntrySize, std::uint8_t(0));
        QCOMPARE(d.Facts.Tga.Descriptor, std::uint8_t(0x20));

        // A map length with its top bit set.
        auto f = header(1, 1, 0, 128, 16, 1, 1, 8, 0x10);
        f = padded(f, 256 + 1);
        ReadResult n = read(f);
        QVERIFY(n.has_value());
        QCOMPARE(n.value().Facts.Tga.ColorMapLength, std::uint16_t(128));
        QCOMPARE(n.value().Facts.Tga.ColorMapEntrySize, std::uint8_t(16));
        QCOMPARE(n.value().Facts.Tga.ColorMapType, std::uint8_t(1));
        QCOMPARE(n.value().Facts.Tga.ImageType, std::uint8_t(1));
        QCOMPARE(n.value().Facts.Tga.Descriptor, std::uint8_t(0x10));
    }

    void refusedWithAReason_data()
    {
        QTest::addColumn<File>("file");
        QTest::addColumn<QString>("mentions");
        QTest::addRow("empty file") << File{} << "0 bytes";
        QTest::addRow("short header") << File(17, 0) << "18-byte";
        QTest::addRow("map type 2") << padded(header(2, 2, 0, 0, 0, 1, 1, 24), 3) << "colour-map type 2";
        QTest::addRow("map type 255") << padded(header(255, 1, 0, 1, 24, 1, 1, 8), 4) << "colour-map type 255";
        for (int type : {0, 4, 8, 12, 32, 255})
            QTest::addRow("image type %d", type) << padded(header(0, std::uint8_t(type), 0, 0, 0, 1, 1, 24), 3)
                                                 << QStringLiteral("image type %1").arg(type);
        for (int depth : {0, 1, 4, 12, 17, 48, 64})
            QTest::addRow("depth %d", depth) << padded(header(0, 2, 0, 0, 0, 1, 1, std::uint8_t(depth)), 8)
                                             << QStringLiteral("%1 bits").arg(depth);
        QTest::addRow("16-bit indices") << padded(header(1, 1, 0, 2, 24, 1, 1, 16), 8) << "indices";
        QTest::addRow("16-bit indices, RLE") << padded(header(1, 9, 0, 2, 24, 1, 1, 16), 9) << "indices";
        QTest::addRow("15-bit indices") << padded(header(1, 1, 0, 2, 24, 1, 1, 15), 8) << "indices";
        QTest::addRow("24-bit indices, not the legacy header")
            << padded(header(1, 1, 0, 2, 24, 1, 1, 24), 9) << "indices";
        QTest::addRow("map 200 + 57") << padded(header(1, 1, 200, 57, 24, 1, 1, 8), 200) << "200 to 256";
        QTest::addRow("map 1 + 256") << padded(header(1, 1, 1, 256, 24, 1, 1, 8), 800) << "1 to 256";
        QTest::addRow("8-bit map entries") << padded(header(1, 1, 0, 2, 8, 1, 1, 8), 3) << "8 bits";
        QTest::addRow("mapped without map") << padded(header(0, 1, 0, 0, 0, 1, 1, 8), 1) << "no colour map";
        QTest::addRow("true colour of 8 bits") << padded(header(0, 2, 0, 0, 0, 1, 1, 8), 1) << "8 bits";
        QTest::addRow("grey of 24 bits") << padded(header(0, 3, 0, 0, 0, 1, 1, 24), 3) << "24 bits";
        QTest::addRow("too wide") << padded(header(0, 3, 0, 0, 0, 40000, 1, 8), 40000) << "40000 x 1";
        QTest::addRow("too high") << padded(header(0, 3, 0, 0, 0, 1, 32768, 8), 32768) << "32767";
        QTest::addRow("ID field cut") << padded(header(0, 2, 0, 0, 0, 1, 1, 24, 0, 10), 5) << "ID field";
        QTest::addRow("map cut") << padded(header(1, 1, 0, 256, 24, 1, 1, 8), 767) << "colour map";
        QTest::addRow("foreign map cut") << padded(header(1, 2, 0, 4, 32, 1, 1, 24), 15) << "colour map";
        QTest::addRow("pixels cut") << padded(header(0, 2, 0, 0, 0, 2, 2, 32), 15) << "34 bytes";
        QTest::addRow("legacy pixels cut") << padded(header(1, 1, 0, 256, 24, 2, 1, 24), 5) << "24 bytes";
        QTest::addRow("rle ends between packets")
            << with(header(0, 10, 0, 0, 0, 4, 1, 24), {0x81, 1, 2, 3}) << "after 2 of 4 pixels";
        QTest::addRow("rle raw packet cut")
            << with(header(0, 10, 0, 0, 0, 4, 1, 24), {0x01, 1, 2, 3}) << "inside a packet";
        QTest::addRow("rle run value missing")
            << with(header(0, 10, 0, 0, 0, 200, 1, 24), {0xFF, 1, 2, 3, 0x80, 1, 2}) << "inside a packet";
    }
    void refusedWithAReason()
    {
        QFETCH(File, file);
        QFETCH(QString, mentions);
        ReadResult r = read(file);
        QVERIFY(!r.has_value());
        QCOMPARE(r.error().kind, ErrorKind::Malformed);
        QVERIFY2(QString::fromStdString(r.error().detail).contains(mentions), r.error().detail.c_str());
    }

    void hugeClaimsAreRefusedWithoutLargeAllocations_data()
    {
        QTest::addColumn<File>("file");
        QTest::addRow("32-bit raw") << padded(header(0, 2, 0, 0, 0, 32767, 32767, 32), 100);
        QTest::addRow("32-bit RLE") << with(header(0, 10, 0, 0, 0, 32767, 32767, 32), {0xFF, 1, 2, 3, 4});
        QTest::addRow("8-bit RLE") << padded(header(0, 11, 0, 0, 0, 32767, 32767, 8), 1000);
        QTest::addRow("colour-mapped RLE") << padded(header(1, 9, 0, 256, 32, 32767, 32767, 8), 1024 + 10);
        QTest::addRow("legacy 32-bit") << padded(header(1, 1, 0, 256, 24, 32767, 32767, 32), 1000);
    }
    void hugeClaimsAreRefusedWithoutLargeAllocations()
    {
        QFETCH(File, file);
        largestAllocation = 0;
        trackingAllocations = true;
        ReadResult r = read(file);
        trackingAllocations = false;
        QVERIFY(!r.has_value());
        QVERIFY2(largestAllocation < 64 * 1024, qPrintable(QString::number(largestAllocation)));
    }
};

QTEST_GUILESS_MAIN(TgaReaderTest)
#include "test_tga_reader.moc"
