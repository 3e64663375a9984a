#include "operations/ChannelSwitch.h"
#include "support/Documents.h"

#include <QtTest>

#include <vector>

using namespace vtt;
using testing::bytesOf;
using testing::documentOf;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr Channel R = Channel::Red, G = Channel::Green, B = Channel::Blue, A = Channel::Alpha;

ChannelMapping mappingOf(Channel red, Channel green, Channel blue, Channel alpha)
{
    ChannelMapping m;
    m.source = {red, green, blue, alpha};
    return m;
}

// Pixel k holds 10 + k, 20 + k, 30 + k, 40 + k, so a pixel's expected result
// is the pattern for 10, 20, 30, 40 shifted by k.
ImageDocument threePixels(std::uint8_t depth)
{
    Bytes pixels;
    for (std::uint8_t k = 0; k < 3; ++k)
        pixels.insert(pixels.end(), {std::uint8_t(10 + k), std::uint8_t(20 + k), std::uint8_t(30 + k),
                                     std::uint8_t(40 + k)});
    return documentOf(3, 1, depth, pixels);
}

} // namespace

Q_DECLARE_METATYPE(vtt::ChannelMapping)

class ChannelSwitchTest : public QObject {
    Q_OBJECT

private slots:
    void mapsEveryPixel_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<ChannelMapping>("mapping");
        QTest::addColumn<Bytes>("first"); // what 10, 20, 30, 40 becomes
        const struct {
            const char* name;
            ChannelMapping mapping;
            Bytes first;
        } cases[] = {
            {"unchanged", mappingOf(R, G, B, A), {10, 20, 30, 40}},
            {"red from blue", mappingOf(B, G, B, A), {30, 20, 30, 40}},
            {"alpha from green", mappingOf(R, G, B, G), {10, 20, 30, 20}},
            {"green from red", mappingOf(R, R, B, A), {10, 10, 30, 40}},
            {"alpha from red", mappingOf(R, G, B, R), {10, 20, 30, 10}},
            {"red and green exchanged", mappingOf(G, R, B, A), {20, 10, 30, 40}},
            {"blue and alpha exchanged", mappingOf(R, G, A, B), {10, 20, 40, 30}},
            {"rotated", mappingOf(G, B, A, R), {20, 30, 40, 10}},
            {"reversed", mappingOf(A, B, G, R), {40, 30, 20, 10}},
            {"all from alpha", mappingOf(A, A, A, A), {40, 40, 40, 40}},
        };
        for (int depth : {24, 32})
            for (const auto& c : cases)
                QTest::addRow("%s, depth %d", c.name, depth) << depth << c.mapping << c.first;
    }
    void mapsEveryPixel()
    {
        QFETCH(int, depth);
        QFETCH(ChannelMapping, mapping);
        QFETCH(Bytes, first);
        ImageDocument doc = threePixels(static_cast<std::uint8_t>(depth));
        QVERIFY(switchChannels(doc, mapping));
        Bytes expected;
        for (std::uint8_t k = 0; k < 3; ++k)
            for (std::uint8_t b : first)
                expected.push_back(static_cast<std::uint8_t>(b + k));
        QCOMPARE(bytesOf(doc.PixelBytes()), expected);
    }

    // A depth of 16 bits cannot be made at all: the factory table in
    // test_image_document refuses it.
    void otherDepthsUntouched_data()
    {
        QTest::addColumn<bool>("palette");
        QTest::newRow("palette") << true;
        QTest::newRow("no image yet") << false;
    }
    void otherDepthsUntouched()
    {
        QFETCH(bool, palette);
        ImageDocument doc = palette ? documentOf(3, 1, 8, {1, 2, 3}) : ImageDocument{};
        doc.Palette().fill(5);
        const ImageDocument before = doc;
        QVERIFY(!switchChannels(doc, mappingOf(G, R, A, B)));
        QCOMPARE(bytesOf(doc.pixels()), bytesOf(before.pixels()));
        QVERIFY(doc.Palette() == before.Palette());
    }

    void emptyImageSwitches()
    {
        ImageDocument empty = documentOf(0, 0, 24);
        QVERIFY(switchChannels(empty, mappingOf(A, A, A, A)));
        QVERIFY(empty.PixelBytes().empty());
    }

    void captionsNameChannels()
    {
        for (Channel c : {R, G, B, A})
            QCOMPARE(channelNamed(channelName(c)), std::optional<Channel>(c));
        QCOMPARE(channelNamed("Green"), std::optional<Channel>(G));
        for (const char* other : {"red", "RED", "Red ", "", "Alph"})
            QVERIFY2(!channelNamed(other), other);
    }
};

QTEST_APPLESS_MAIN(ChannelSwitchTest)
#include "test_channel_switch.moc"
