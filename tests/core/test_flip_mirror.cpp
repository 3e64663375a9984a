#include "operations/FlipMirror.h"
#include "support/Documents.h"

#include <QtTest>

#include <functional>
#include <vector>

using namespace vtt;
using vtt::testing::bytesOf;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Operation = std::function<void(ImageDocument&)>;

ImageDocument imageOf(int width, int height, std::uint8_t depth)
{
    Bytes pixels;
    for (int i = 0; i < width * height * (depth == PaletteDepth ? 1 : 4); ++i)
        pixels.push_back(static_cast<std::uint8_t>(i * 37 + 11));
    return testing::documentOf(width, height, depth, pixels);
}

Bytes pixelsOf(const ImageDocument& doc) { return testing::bytesOf(doc.pixels()); }

void setPixels(ImageDocument& doc, const Bytes& pixels)
{
    QCOMPARE(pixels.size(), doc.pixels().size());
    std::copy(pixels.begin(), pixels.end(), doc.pixels().begin());
}

// Pixel at (row, column) of the original, as the bytes it occupies.
Bytes pixelAt(const ImageDocument& doc, int row, int column)
{
    const int size = doc.isPaletted() ? 1 : 4;
    const auto start = doc.pixels().begin() + (row * doc.ImageWidth() + column) * size;
    return Bytes(start, start + size);
}

// Builds the expected array by asking, for each destination, which source
// pixel it shows.
Bytes rearranged(const ImageDocument& doc, const std::function<std::pair<int, int>(int, int)>& sourceOf)
{
    Bytes out;
    for (int r = 0; r < doc.ImageHeight(); ++r)
        for (int k = 0; k < doc.ImageWidth(); ++k) {
            const auto [sr, sk] = sourceOf(r, k);
            const Bytes p = pixelAt(doc, sr, sk);
            out.insert(out.end(), p.begin(), p.end());
        }
    return out;
}

void requireSameApartFromPixels(const ImageDocument& a, const ImageDocument& b)
{
    QCOMPARE(a.ImageWidth(), b.ImageWidth());
    QCOMPARE(a.ImageHeight(), b.ImageHeight());
    QCOMPARE(a.BitDepth(), b.BitDepth());
    QCOMPARE(a.area(), b.area());
    QVERIFY(a.Palette() == b.Palette());
    QCOMPARE(a.Facts.FileName, b.Facts.FileName);
    QCOMPARE(a.Facts.Tex.Type, b.Facts.Tex.Type);
    QCOMPARE(a.Facts.Tex.MipCount, b.Facts.Tex.MipCount);
    QCOMPARE(a.Facts.Tga.Descriptor, b.Facts.Tga.Descriptor);
}

} // namespace

class FlipMirrorTest : public QObject {
    Q_OBJECT

private slots:
    void paletteExample_data()
    {
        QTest::addColumn<bool>("flip");
        QTest::addColumn<Bytes>("expected");
        QTest::newRow("flip") << true << Bytes{14, 15, 16, 11, 12, 13};
        QTest::newRow("mirror") << false << Bytes{13, 12, 11, 16, 15, 14};
    }
    void paletteExample()
    {
        QFETCH(bool, flip);
        QFETCH(Bytes, expected);
        ImageDocument doc = imageOf(3, 2, 8);
        setPixels(doc, {11, 12, 13, 14, 15, 16});
        flip ? flipImage(doc) : mirrorImage(doc);
        QCOMPARE(pixelsOf(doc), expected);
    }

    void fourBytePixelsMoveWhole_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("flip");
        QTest::addColumn<Bytes>("expected");
        // 2 x 2 pixels A B / C D, each with its own alpha.
        const Bytes A{1, 2, 3, 4}, B{5, 6, 7, 8}, C{9, 10, 11, 12}, D{13, 14, 15, 16};
        auto cat = [](std::initializer_list<Bytes> ps) {
            Bytes out;
            for (const Bytes& p : ps)
                out.insert(out.end(), p.begin(), p.end());
            return out;
        };
        for (int depth : {32, 24}) {
            const QByteArray d = QByteArray::number(depth);
            QTest::newRow("flip " + d) << depth << true << cat({C, D, A, B});
            QTest::newRow("mirror " + d) << depth << false << cat({B, A, D, C});
        }
    }
    void fourBytePixelsMoveWhole()
    {
        QFETCH(int, depth);
        QFETCH(bool, flip);
        QFETCH(Bytes, expected);
        ImageDocument doc = imageOf(2, 2, static_cast<std::uint8_t>(depth));
        setPixels(doc, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
        flip ? flipImage(doc) : mirrorImage(doc);
        QCOMPARE(pixelsOf(doc), expected);
    }

    void singleLineUnchanged_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("flip");
        QTest::newRow("flip one row, palette") << 5 << 1 << 8 << true;
        QTest::newRow("flip one row, rgba") << 5 << 1 << 32 << true;
        QTest::newRow("mirror one column, palette") << 1 << 5 << 8 << false;
        QTest::newRow("mirror one column, rgba") << 1 << 5 << 32 << false;
        QTest::newRow("flip one pixel") << 1 << 1 << 24 << true;
        QTest::newRow("mirror one pixel") << 1 << 1 << 8 << false;
    }
    void singleLineUnchanged()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, depth);
        QFETCH(bool, flip);
        const ImageDocument before = imageOf(width, height, static_cast<std::uint8_t>(depth));
        ImageDocument doc = before;
        flip ? flipImage(doc) : mirrorImage(doc);
        QCOMPARE(pixelsOf(doc), pixelsOf(before));
    }

    void sizesAndIdentities_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("depth");
        const int sizes[][2] = {{1, 4}, {4, 1}, {2, 3}, {3, 3}, {4, 4}, {7, 2}, {5, 6}, {16, 2}, {17, 3}, {31, 1}, {40, 2}};
        for (int depth : {8, 32})
            for (const auto& s : sizes)
                QTest::addRow("%dx%d depth %d", s[0], s[1], depth) << s[0] << s[1] << depth;
    }
    void sizesAndIdentities()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, depth);
        const ImageDocument original = imageOf(width, height, static_cast<std::uint8_t>(depth));
        const int w = width, h = height;

        ImageDocument flipped = original;
        flipImage(flipped);
        QCOMPARE(pixelsOf(flipped), rearranged(original, [h](int r, int k) { return std::pair(h - 1 - r, k); }));

        ImageDocument mirrored = original;
        mirrorImage(mirrored);
        QCOMPARE(pixelsOf(mirrored), rearranged(original, [w](int r, int k) { return std::pair(r, w - 1 - k); }));

        ImageDocument twice = flipped;
        flipImage(twice);
        QCOMPARE(pixelsOf(twice), pixelsOf(original));
        twice = mirrored;
        mirrorImage(twice);
        QCOMPARE(pixelsOf(twice), pixelsOf(original));

        // Either order is a half turn.
        ImageDocument flipThenMirror = flipped;
        mirrorImage(flipThenMirror);
        ImageDocument mirrorThenFlip = mirrored;
        flipImage(mirrorThenFlip);
        QCOMPARE(pixelsOf(flipThenMirror), pixelsOf(mirrorThenFlip));
        QCOMPARE(pixelsOf(flipThenMirror),
                 rearranged(original, [w, h](int r, int k) { return std::pair(h - 1 - r, w - 1 - k); }));
    }

    void onlyTheSelectedArrayChanges_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("flip");
        for (int depth : {8, 32})
            for (bool flip : {true, false})
                QTest::addRow("%s depth %d", flip ? "flip" : "mirror", depth) << depth << flip;
    }
    void onlyTheSelectedArrayChanges()
    {
        QFETCH(int, depth);
        QFETCH(bool, flip);
        ImageDocument before = imageOf(3, 2, static_cast<std::uint8_t>(depth));
        for (std::size_t i = 0; i < before.Palette().size(); ++i)
            before.Palette()[i] = static_cast<std::uint8_t>(i * 3);
        before.Facts.FileName = "x.tex";
        before.Facts.Tex.Type = 17;
        before.Facts.Tex.MipCount = 3;
        before.Facts.Tga.Descriptor = 8;

        ImageDocument doc = before;
        flip ? flipImage(doc) : mirrorImage(doc);
        QVERIFY(pixelsOf(doc) != pixelsOf(before));
        requireSameApartFromPixels(doc, before);
    }

    // Sizes a document cannot have (negative, or more pixels than held)
    // are refused by its factories: see test_image_document.
    void nothingToRearrange_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("depth");
        QTest::newRow("no image") << 0 << 0 << 0;
        QTest::newRow("zero width") << 0 << 3 << 32;
        QTest::newRow("zero height") << 3 << 0 << 8;
    }
    void nothingToRearrange()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, depth);
        const ImageDocument before = depth ? testing::documentOf(width, height, depth) : ImageDocument{};
        for (bool flip : {true, false}) {
            ImageDocument doc = before;
            flip ? flipImage(doc) : mirrorImage(doc);
            QCOMPARE(pixelsOf(doc), pixelsOf(before));
            requireSameApartFromPixels(doc, before);
        }
    }
};

QTEST_APPLESS_MAIN(FlipMirrorTest)
#include "test_flip_mirror.moc"
