#include "operations/Rotate.h"

#include <QtTest>

using namespace vtt;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Pixels given as one value each; a 32-bit pixel v is (v, v+100, v+200, 9).
ImageDocument imageOf(int width, int height, bool paletted, const Bytes& values)
{
    ImageDocument doc;
    doc.ImageWidth = static_cast<std::int16_t>(width);
    doc.ImageHeight = static_cast<std::int16_t>(height);
    doc.BitDepth = paletted ? PaletteDepth : 32;
    doc.PixelCount = width * height;
    doc.Palette[5] = 77;
    doc.Tex.Type = paletted ? 1 : 18;
    for (std::uint8_t v : values) {
        if (paletted)
            doc.PixelIndices.push_back(v);
        else
            for (std::uint8_t b : {v, std::uint8_t(v + 100), std::uint8_t(v + 200), std::uint8_t(9)})
                doc.PixelBytes.push_back(b);
    }
    return doc;
}

} // namespace

class RotateTest : public QObject {
    Q_OBJECT

private slots:
    // The 3 x 2 image   1 2 3
    //                   4 5 6
    void sixChoices_data()
    {
        QTest::addColumn<int>("degrees");
        QTest::addColumn<bool>("left");
        QTest::addColumn<int>("width");
        QTest::addColumn<Bytes>("expected");
        const Bytes right90{4, 1, 5, 2, 6, 3}, half{6, 5, 4, 3, 2, 1}, right270{3, 6, 2, 5, 1, 4};
        QTest::newRow("90 right") << 90 << false << 2 << right90;
        QTest::newRow("180 right") << 180 << false << 3 << half;
        QTest::newRow("270 right") << 270 << false << 2 << right270;
        QTest::newRow("90 left") << 90 << true << 2 << right270;
        QTest::newRow("180 left") << 180 << true << 3 << half;
        QTest::newRow("270 left") << 270 << true << 2 << right90;
    }

    void sixChoices()
    {
        QFETCH(int, degrees);
        QFETCH(bool, left);
        QFETCH(int, width);
        QFETCH(Bytes, expected);
        for (bool paletted : {true, false}) {
            ImageDocument doc = imageOf(3, 2, paletted, {1, 2, 3, 4, 5, 6});
            QVERIFY(rotateImage(doc, clockwiseDegrees(degrees, left)));
            const ImageDocument want = imageOf(width, 6 / width, paletted, expected);
            QCOMPARE(doc.ImageWidth, want.ImageWidth);
            QCOMPARE(doc.ImageHeight, want.ImageHeight);
            QVERIFY(doc.PixelIndices == Bytes(want.PixelIndices.begin(), want.PixelIndices.end()));
            QVERIFY(doc.PixelBytes == Bytes(want.PixelBytes.begin(), want.PixelBytes.end()));
            QCOMPARE(doc.Palette, want.Palette);
            QCOMPARE(doc.Tex, want.Tex);
        }
    }

    // Sizes that cover whole blocks, tiles and ragged edges: pixel (x, y)
    // must land at (h-1-y, x) for a clockwise quarter, (y, w-1-x) otherwise.
    void largeQuarterTurns_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("301 x 67") << 301 << 67;
        QTest::newRow("64 x 256") << 64 << 256;
        QTest::newRow("1 x 19") << 1 << 19;
    }

    void largeQuarterTurns()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        const auto value = [](int x, int y) { return std::uint8_t(x * 7 + y * 13); };
        for (bool paletted : {true, false})
            for (int clockwise : {90, 270}) {
                Bytes values;
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x)
                        values.push_back(value(x, y));
                ImageDocument doc = imageOf(width, height, paletted, values);
                QVERIFY(rotateImage(doc, clockwise));
                QCOMPARE(int(doc.ImageWidth), height);
                const int size = paletted ? 1 : 4;
                const PixelArray& pixels = paletted ? doc.PixelIndices : doc.PixelBytes;
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) {
                        const int at = clockwise == 90 ? x * height + (height - 1 - y) : (width - 1 - x) * height + y;
                        if (pixels[std::size_t(at * size)] != value(x, y))
                            QFAIL(qPrintable(QStringLiteral("%1 %2: pixel %3, %4 misplaced")
                                                 .arg(paletted ? "indexed" : "rgba").arg(clockwise).arg(x).arg(y)));
                    }
            }
    }

    void refusals()
    {
        ImageDocument doc = imageOf(3, 2, false, {1, 2, 3, 4, 5, 6});
        const ImageDocument before = doc;
        QVERIFY(!rotateImage(doc, 45));
        doc.ImageWidth = 4; // more than the array holds
        QVERIFY(!rotateImage(doc, 90));
        QVERIFY(doc.PixelBytes == Bytes(before.PixelBytes.begin(), before.PixelBytes.end()));
        QCOMPARE(clockwiseDegrees(0, false), 0);
        ImageDocument empty;
        QVERIFY(!rotateImage(empty, 90));
    }
};

QTEST_APPLESS_MAIN(RotateTest)
#include "test_rotate.moc"
