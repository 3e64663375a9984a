#include "view/Render.h"
#include "support/Documents.h"

#include <QtTest>

using namespace vtt;

// One row of 13 pixels, all red 200, green 100, blue 50: alpha 0 at x = 0
// and 8, 128 at x = 1 and 12, 255 at x = 2. At 1:1, x 0..7 lie on a light
// square (240) and x 8..15 on a dark one (204).
class ChannelDisplayTest : public QObject {
    Q_OBJECT

    static constexpr int Width = 13;
    static constexpr int Shown[] = {0, 1, 2, 8, 12};

    static ImageDocument row(bool paletted)
    {
        static constexpr std::uint8_t Alpha[Width] = {0, 128, 255, 255, 255, 255, 255, 255, 0, 255, 255, 255, 128};
        ImageDocument doc = vtt::testing::documentOf(Width, 1, paletted ? 8 : 32);
        for (int x = 0; x < Width; ++x) {
            const std::uint8_t rgba[] = {200, 100, 50, Alpha[x]};
            if (paletted) {
                doc.PixelIndices()[std::size_t(x)] = Alpha[x];
                std::copy(rgba, rgba + 4, doc.Palette().begin() + 4 * Alpha[x]);
            } else {
                std::copy(rgba, rgba + 4, doc.PixelBytes().begin() + 4 * x);
            }
        }
        return doc;
    }

private slots:
    void shownValues_data()
    {
        QTest::addColumn<ChannelMode>("mode");
        QTest::addColumn<std::vector<std::uint32_t>>("want"); // at x = 0, 1, 2, 8, 12
        using V = std::vector<std::uint32_t>;
        QTest::newRow("colour") << ChannelMode::Colour << V(5, 0xFFC86432);
        QTest::newRow("checkerboard") << ChannelMode::Checkerboard
                                      << V{0xFFF0F0F0, 0xFFDCAA91, 0xFFC86432, 0xFFCCCCCC, 0xFFCA987F};
        QTest::newRow("red") << ChannelMode::Red << V(5, 0xFFC8C8C8);
        QTest::newRow("green") << ChannelMode::Green << V(5, 0xFF646464);
        QTest::newRow("blue") << ChannelMode::Blue << V(5, 0xFF323232);
        QTest::newRow("alpha") << ChannelMode::Alpha
                               << V{0xFF000000, 0xFF808080, 0xFFFFFFFF, 0xFF000000, 0xFF808080};
    }

    void shownValues()
    {
        QFETCH(ChannelMode, mode);
        QFETCH(std::vector<std::uint32_t>, want);
        ViewTransform view;
        view.setViewport(Width, 1);
        view.setImage(Width, 1);
        for (bool paletted : {false, true}) {
            std::uint32_t canvas[Width] = {};
            renderView(row(paletted), view, {0, 0, Width, 1}, canvas, Width, 0, mode);
            std::vector<std::uint32_t> got;
            for (int x : Shown)
                got.push_back(canvas[x]);
            QCOMPARE(got, want);
        }
    }
};

QTEST_MAIN(ChannelDisplayTest)
#include "test_channel_display.moc"
