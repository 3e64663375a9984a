#include "codecs/MipChain.h"
#include "support/Documents.h"
#include "codecs/TexWriter.h"
#include "support/SavedImages.h"

#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

using ByteVector = std::vector<std::uint8_t>;
using SizeList = QList<QSize>;

namespace {

ImageDocument texDocument(int width, int height, std::int16_t type, std::int16_t mips)
{
    ImageDocument doc = type == 1 ? indexedDocument(width, height, ImageFormat::Tex)
                                  : directDocument(width, height, 32, ImageFormat::Tex);
    doc.Facts.Tex.Type = type;
    doc.Facts.Tex.MipCount = mips;
    return doc;
}

void setPaletteColour(ImageDocument& doc, int entry, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                      std::uint8_t a = 255)
{
    doc.Palette()[4 * entry + 0] = r;
    doc.Palette()[4 * entry + 1] = g;
    doc.Palette()[4 * entry + 2] = b;
    doc.Palette()[4 * entry + 3] = a;
}

} // namespace

class MipChainTest : public QObject {
    Q_OBJECT

private slots:
    void levelSizes_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("mips");
        QTest::addColumn<SizeList>("sizes");
        QTest::newRow("1 x 1, 5 levels") << 1 << 1 << 5 << SizeList{{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}};
        QTest::newRow("5 x 3, 4 levels") << 5 << 3 << 4 << SizeList{{5, 3}, {2, 1}, {1, 1}, {1, 1}};
        QTest::newRow("8 x 2, 5 levels") << 8 << 2 << 5 << SizeList{{8, 2}, {4, 1}, {2, 1}, {1, 1}, {1, 1}};
        QTest::newRow("1 x 7, 3 levels") << 1 << 7 << 3 << SizeList{{1, 7}, {1, 3}, {1, 1}};
        QTest::newRow("count 0 is one level") << 4 << 4 << 0 << SizeList{{4, 4}};
        QTest::newRow("negative count is one level") << 4 << 4 << -7 << SizeList{{4, 4}};
        QTest::newRow("no pixels") << 0 << 4 << 3 << SizeList{{0, 4}, {0, 0}, {0, 0}};
    }
    void levelSizes()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, mips);
        QFETCH(SizeList, sizes);
        const int count = mip::levelCount(std::int16_t(mips));
        QCOMPARE(count, int(sizes.size()));
        std::size_t total = 0;
        for (int k = 0; k < count; ++k) {
            const mip::LevelSize s = mip::levelSize(std::size_t(width), std::size_t(height), k);
            QCOMPARE(QSize(int(s.width), int(s.height)), sizes[k]);
            total += s.pixels();
        }
        QCOMPARE(mip::chainPixels(std::size_t(width), std::size_t(height), count), total);

        // The writer lays out exactly these levels after the header, for
        // every pixel format.
        using Layout = std::tuple<int, int, int>; // type, bytes a pixel, bytes before level 0
        for (const auto& [type, pixelSize, prefix] : std::array<Layout, 3>{{{1, 1, 1038}, {17, 3, 14}, {18, 4, 14}}}) {
            const WriteResult r = writeTex(texDocument(width, height, std::int16_t(type), std::int16_t(mips)));
            QVERIFY(r.has_value());
            QCOMPARE(r.value().size(), std::size_t(prefix) + std::size_t(pixelSize) * total);
        }
    }

    void boxFilterAveragesAndRoundsHalvesUp()
    {
        // 5 x 3 RGBA: level 1 is 2 x 1 from columns 0..3 of rows 0..1; the
        // last column and row have no block at that level.
        ByteVector src(5 * 3 * 4, 200);
        auto set = [&](int x, int y, std::array<std::uint8_t, 4> v) {
            std::copy(v.begin(), v.end(), src.begin() + (y * 5 + x) * 4);
        };
        set(0, 0, {0, 0, 0, 10});
        set(1, 0, {1, 0, 0, 10});
        set(0, 1, {1, 1, 0, 20});
        set(1, 1, {1, 1, 1, 21});
        set(2, 0, {100, 0, 255, 0});
        set(3, 0, {100, 0, 255, 0});
        set(2, 1, {101, 0, 255, 255});
        set(3, 1, {101, 3, 255, 255});
        ByteVector dst(2 * 4);
        mip::halveDirect(src, {5, 3}, 4, dst);
        // Sums 3, 2, 1, 61 give 1 (0.75), 1 (0.5 up), 0 (0.25), 15 (15.25);
        // sums 402, 3, 1020, 510 give 101 (100.5 up), 1, 255, 128 (127.5 up).
        QCOMPARE(dst, (ByteVector{1, 1, 0, 15, 101, 1, 255, 128}));

        // The 2 x 1 level goes to 1 x 1 with its single row used twice.
        ByteVector last(4);
        mip::halveDirect(dst, {2, 1}, 4, last);
        QCOMPARE(last, (ByteVector{51, 1, 128, 72}));
    }

    void singlePixelSidesPairWithThemselves()
    {
        // A 1 x 1 image keeps its pixel at every level, in the file too.
        ImageDocument doc = texDocument(1, 1, 18, 5);
        vtt::testing::setPixels(doc, {9, 8, 7, 6});
        const WriteResult r = writeTex(doc);
        QVERIFY(r.has_value());
        ByteVector levels(r.value().begin() + 14, r.value().end());
        QCOMPARE(levels, (ByteVector{9, 8, 7, 6, 9, 8, 7, 6, 9, 8, 7, 6, 9, 8, 7, 6, 9, 8, 7, 6}));

        // A 1 x 3 column: rows 0 and 1 form the one block of level 1.
        const ByteVector column = {10, 20, 30, 0, 30, 40, 50, 0, 255, 255, 255, 255};
        ByteVector half(4);
        mip::halveDirect(column, {1, 3}, 4, half);
        QCOMPARE(half, (ByteVector{20, 30, 40, 0}));
    }

    void rgbLevelsOfType17DropAlpha()
    {
        // 2 x 2 type 17, two levels: 4 pixels then their average, 3 bytes each.
        ImageDocument doc = texDocument(2, 2, 17, 2);
        vtt::testing::setPixels(doc, {0, 10, 255, 1, 4, 10, 255, 2, 8, 20, 0, 3, 12, 20, 0, 4});
        const WriteResult r = writeTex(doc);
        QVERIFY(r.has_value());
        QCOMPARE(ByteVector(r.value().begin() + 14, r.value().end()),
                 (ByteVector{0, 10, 255, 4, 10, 255, 8, 20, 0, 12, 20, 0, 6, 15, 128}));
    }

    void indexedLevelsKeepTheBlockPixelClosestToTheAverage()
    {
        ImageDocument doc = texDocument(4, 2, 1, 3);
        setPaletteColour(doc, 1, 0, 0, 0);
        setPaletteColour(doc, 2, 100, 100, 100);
        setPaletteColour(doc, 3, 110, 110, 110);
        setPaletteColour(doc, 4, 255, 255, 255);
        setPaletteColour(doc, 5, 100, 100, 100, 0); // as 2 but clear
        setPaletteColour(doc, 6, 0, 0, 0, 0);
        // Left block 1, 2, 3, 4: average 116.25 grey, nearest is entry 3.
        // Right block 6, 5, 5, 2: average 75, 75, 75, 63.75; entry 5 lies
        // nearer than 2 because alpha counts as well.
        vtt::testing::setPixels(doc, {1, 2, 6, 5, 3, 4, 5, 2});
        const WriteResult r = writeTex(doc);
        QVERIFY(r.has_value());
        const ByteVector levels(r.value().begin() + 1038, r.value().end());
        // Level 2 from 3, 5: average 105, 105, 105, 127.5, equally far from
        // both; the first pixel of the block wins the tie.
        QCOMPARE(levels, (ByteVector{1, 2, 6, 5, 3, 4, 5, 2, 3, 5, 3}));
    }

    void indexedLevelsNeverInventAnEntry()
    {
        // Entry 7 is the exact average of 1 and 4 but no block holds it.
        ImageDocument doc = texDocument(2, 2, 1, 2);
        setPaletteColour(doc, 1, 0, 0, 0);
        setPaletteColour(doc, 4, 200, 200, 200);
        setPaletteColour(doc, 7, 100, 100, 100);
        vtt::testing::setPixels(doc, {4, 1, 1, 4});
        const WriteResult r = writeTex(doc);
        QVERIFY(r.has_value());
        QCOMPARE(r.value().back(), std::uint8_t(4));
    }
};

QTEST_APPLESS_MAIN(MipChainTest)
#include "test_mip_chain.moc"
