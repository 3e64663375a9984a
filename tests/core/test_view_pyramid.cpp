#include "support/Documents.h"
#include "view/Render.h"

#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

namespace {

using Words = std::vector<std::uint32_t>;
constexpr std::uint32_t rgba(unsigned r, unsigned g, unsigned b, unsigned a) { return r | g << 8 | b << 16 | a << 24; }

std::vector<std::uint8_t> bytesOfWords(const Words& words)
{
    std::vector<std::uint8_t> bytes(4 * words.size());
    std::memcpy(bytes.data(), words.data(), bytes.size());
    return bytes;
}

} // namespace

class ViewPyramidTest : public QObject {
    Q_OBJECT

private slots:
    void levels_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<Words>("pixels"); // one word a pixel; a palette image's words are its indices
        QTest::addColumn<std::vector<Words>>("want");
        QTest::newRow("4 x 2") << 4
                               << Words{rgba(0, 0, 0, 0), rgba(4, 8, 12, 255), rgba(10, 20, 30, 40), 0,
                                        rgba(8, 0, 0, 0), rgba(0, 0, 0, 1), rgba(10, 20, 30, 41), 0}
                               << std::vector<Words>{{rgba(3, 2, 3, 64), rgba(5, 10, 15, 20)}, {rgba(4, 6, 9, 42)}};
        QTest::newRow("odd side repeats its edge")
            << 3 << Words{rgba(255, 0, 0, 255), rgba(0, 255, 0, 255), rgba(0, 0, 255, 0)}
            << std::vector<Words>{{rgba(128, 128, 0, 255), rgba(0, 0, 255, 0)}, {rgba(64, 64, 128, 128)}};
        QTest::newRow("palette") << -2 << Words{0, 1, 2, 3} << std::vector<Words>{{rgba(89, 89, 64, 128)}};
    }

    void levels()
    {
        QFETCH(int, width);
        QFETCH(Words, pixels);
        QFETCH(std::vector<Words>, want);
        const bool paletted = width < 0;
        width = std::abs(width);
        const int height = static_cast<int>(pixels.size()) / width;
        ImageDocument doc = paletted ? documentOf(width, height, 8, {pixels.begin(), pixels.end()})
                                     : documentOf(width, height, 32, bytesOfWords(pixels));
        const Words entries{rgba(0, 0, 0, 255), rgba(255, 255, 255, 255), rgba(100, 0, 0, 0), rgba(0, 100, 0, 0)};
        std::memcpy(doc.Palette().data(), entries.data(), paletted ? 16 : 0);
        ViewPyramid pyramid;
        QVERIFY(pyramid.build(doc));
        QCOMPARE(pyramid.count(), static_cast<int>(want.size()));
        for (int n = 1; n <= pyramid.count(); ++n)
            QCOMPARE(pyramid.level(n).pixels, want[static_cast<std::size_t>(n - 1)]);
    }

    // Stripes one pixel wide: grey at a half and a quarter, sharp at 1:1.
    void smallViewsAverage_data()
    {
        QTest::addColumn<int>("zoomOutSteps");
        QTest::addColumn<Words>("want"); // the first row's first four
        QTest::newRow("1:1") << 0 << Words{0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF};
        QTest::newRow("1/2") << 1 << Words(4, 0xFF808080);
        QTest::newRow("1/4") << 2 << Words(2, 0xFF808080);
    }

    void smallViewsAverage()
    {
        QFETCH(int, zoomOutSteps);
        QFETCH(Words, want);
        Words stripes(64); // eight columns alternating black and white
        for (std::size_t i = 0; i < stripes.size(); ++i)
            stripes[i] = i % 2 ? 0xFFFFFFFF : 0xFF000000;
        const ImageDocument doc = documentOf(8, 8, 32, bytesOfWords(stripes));
        ViewPyramid pyramid;
        QVERIFY(pyramid.build(doc));
        ViewTransform view;
        view.setViewport(8 >> zoomOutSteps, 8 >> zoomOutSteps);
        view.setImage(8, 8);
        for (int i = 0; i < zoomOutSteps; ++i)
            view.zoomStep(-1, 0, 0);
        Words canvas(want.size());
        renderView(doc, view, {0, 0, int(want.size()), 1}, canvas.data(), 0, 0, ChannelMode::Colour, &pyramid);
        QCOMPARE(canvas, want);
    }
};

QTEST_MAIN(ViewPyramidTest)
#include "test_view_pyramid.moc"
