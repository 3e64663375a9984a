#include "codecs/MipFilters.h"
#include "codecs/TexReader.h"
#include "codecs/TexWriter.h"
#include "document/Resample.h"
#include "operations/Quantize.h"
#include "support/SavedImages.h"

#include <QtTest>

#include <cmath>
#include <set>

using namespace vtt;
using namespace vtt::testing;
using Bytes8 = std::vector<std::uint8_t>;

namespace {

Bytes8 rgbaOf(const PixelArray& a) { return Bytes8(a.begin(), a.end()); }

// `colours` distinct RGBA colours (alpha varying too) over a w x h image.
Bytes8 fewColours(int w, int h, int colours)
{
    Bytes8 px(std::size_t(4 * w * h));
    for (std::size_t i = 0; i < px.size() / 4; ++i) {
        const int c = int((i * 7) % std::size_t(colours)), rgb = c / 3; // three alphas of each colour
        px[4 * i + 0] = std::uint8_t(rgb * 37);
        px[4 * i + 1] = std::uint8_t(rgb / 7 * 11);
        px[4 * i + 2] = std::uint8_t(255 - rgb);
        px[4 * i + 3] = std::uint8_t(c % 3 == 0 ? 0 : c % 3 == 1 ? 128 : 255);
    }
    return px;
}

// Leaves and blades: opaque shapes with a soft edge two pixels wide over a
// transparent background, as foliage cut-outs are painted.
Bytes8 foliage(int side)
{
    Bytes8 px(std::size_t(4 * side * side));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            double inside = -1e9; // signed distance into the nearest blade, pixels
            for (int b = 0; b < 40; ++b) {
                const double cx = (b * 97 % 89) / 89.0 * side, cy = (b * 53 % 61) / 61.0 * side;
                const double angle = b * 0.7, len = side * (0.15 + (b % 5) * 0.04), width = 4.0 + b % 4 * 2.5;
                const double dx = x - cx, dy = y - cy;
                const double u = dx * std::cos(angle) + dy * std::sin(angle);
                const double v = -dx * std::sin(angle) + dy * std::cos(angle);
                const double half = width * (1 - std::min(1.0, std::abs(u) / len));
                inside = std::max(inside, std::min(half - std::abs(v), len - std::abs(u)));
            }
            const double a = std::clamp(0.5 + inside / 2, 0.0, 1.0);
            std::uint8_t* p = &px[std::size_t(4 * (y * side + x))];
            p[0] = std::uint8_t(40 + x % 50), p[1] = std::uint8_t(120 + y % 100), p[2] = 30;
            p[3] = std::uint8_t(std::lround(a * 255));
        }
    return px;
}

} // namespace

class TextureModesTest : public QObject {
    Q_OBJECT

private slots:
    // A picture that already fits the palette comes back pixel for pixel,
    // its colours in first-seen order.
    void fewColoursStayExact_data()
    {
        QTest::addColumn<int>("colours");
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("alpha");
        QTest::newRow("2 of 2") << 2 << 2 << true;
        QTest::newRow("16 of 16") << 16 << 16 << true;
        QTest::newRow("200 of 256") << 200 << 256 << true;
        QTest::newRow("256 of 256") << 256 << 256 << true;
        QTest::newRow("alpha left out: 30 colours, 10 without alpha") << 30 << 16 << false;
    }
    void fewColoursStayExact()
    {
        QFETCH(int, colours);
        QFETCH(int, limit);
        QFETCH(bool, alpha);
        const Bytes8 px = fewColours(37, 23, colours);
        const auto quantized = quantize::quantizeRgba(px, 37, 23, {limit, quantize::Dither::FloydSteinberg, alpha});
        QVERIFY(quantized);
        const quantize::Indexed& q = *quantized;
        QVERIFY(q.exact);
        Bytes8 back(px.size());
        quantize::expandIndices(rgbaOf(q.indices), q.palette, back);
        Bytes8 expected = px;
        for (std::size_t i = 3; !alpha && i < expected.size(); i += 4)
            expected[i] = 255;
        QCOMPARE(back, expected);
        QCOMPARE(Bytes8(q.palette.begin(), q.palette.begin() + 4), Bytes8(expected.begin(), expected.begin() + 4));
        QVERIFY(q.used <= limit);
    }

    void reductionKeepsWithinTheLimit_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("dither");
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<double>("minPsnr");
        QTest::newRow("256, none") << 256 << false << true << 27.0;
        QTest::newRow("256, Floyd-Steinberg") << 256 << true << true << 26.0;
        QTest::newRow("16, none, opaque palette") << 16 << false << false << 18.0;
        QTest::newRow("2, Floyd-Steinberg") << 2 << true << true << 5.0;
    }
    void reductionKeepsWithinTheLimit()
    {
        QFETCH(int, limit);
        QFETCH(bool, dither);
        QFETCH(bool, alpha);
        QFETCH(double, minPsnr);
        const int w = 96, h = 64; // a smooth gradient of 6144 colours; the left quarter transparent
        Bytes8 px(std::size_t(4 * w * h));
        for (int i = 0; i < w * h; ++i)
            px[std::size_t(4 * i)] = std::uint8_t(i % w * 2), px[std::size_t(4 * i + 1)] = std::uint8_t(i / w * 4),
                               px[std::size_t(4 * i + 2)] = std::uint8_t(i % 7 * 30),
                               px[std::size_t(4 * i + 3)] = i % w < w / 4 ? 0 : 255;
        const auto quantized = quantize::quantizeRgba(
            px, w, h, {limit, dither ? quantize::Dither::FloydSteinberg : quantize::Dither::None, alpha});
        QVERIFY(quantized);
        const quantize::Indexed& q = *quantized;
        QVERIFY(!q.exact && q.used >= 2 && q.used <= limit);
        Bytes8 back(px.size());
        quantize::expandIndices(rgbaOf(q.indices), q.palette, back);
        double error = 0;
        for (std::size_t i = 0; i < px.size(); ++i) {
            QVERIFY(q.indices[i / 4] < q.used);
            const bool transparent = px[i | 3] == 0;
            if (alpha && i % 4 == 3)
                QCOMPARE(back[i] == 0, transparent); // the cut-out stays cut out
            if (!alpha && i % 4 == 3)
                QCOMPARE(back[i], std::uint8_t(255));
            if (!transparent && i % 4 != 3)
                error += (double(px[i]) - back[i]) * (double(px[i]) - back[i]);
        }
        const double psnr = 10 * std::log10(255.0 * 255.0 * double(w * h) * 0.75 * 3 / std::max(error, 1.0));
        QVERIFY2(psnr >= minPsnr, qPrintable(QString("PSNR %1 dB").arg(psnr)));
        QVERIFY(!quantize::quantizeRgba(px, w, h, {1}) && !quantize::quantizeRgba(px, w, h, {257}));
    }

    void alphaHelpers()
    {
        const Bytes8 rgba = {1, 2, 3, 255, 4, 5, 6, 254};
        Bytes8 rgb(6), again(8);
        QVERIFY(quantize::dropAlpha(rgba, rgb));
        QVERIFY(!quantize::dropAlpha(Bytes8(rgba.begin(), rgba.begin() + 4), rgb));
        quantize::addOpaqueAlpha(rgb, again);
        QCOMPARE(again, (Bytes8{1, 2, 3, 255, 4, 5, 6, 255}));
    }

    // Written, then read by the reader every file goes through.
    void paletteTypesReadBack_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("mips");
        for (int type : {1, 14, 15}) {
            const QByteArray t = QByteArray::number(type);
            QTest::newRow("type " + t + ", 5 x 3, 3 levels") << type << 5 << 3 << 3;
            QTest::newRow("type " + t + ", 1 x 1") << type << 1 << 1 << 1;
            QTest::newRow("type " + t + ", 64 x 8, 5 levels") << type << 64 << 8 << 5;
        }
    }
    void paletteTypesReadBack()
    {
        QFETCH(int, type);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, mips);
        ImageDocument doc = indexedDocument(width, height, ImageFormat::Tex);
        for (auto& index : doc.PixelIndices())
            index = type == 15 ? index % 16 : index;
        doc.Facts.Tex = TexHeader{std::int16_t(type), std::int16_t(mips), -3, 123456};
        const WriteResult file = writeTex(doc);
        QVERIFY(file.has_value());
        const ReadResult read = readTex(Bytes(file.value().data(), file.value().size()));
        QVERIFY(read.has_value());
        QCOMPARE(read.value().Facts.Tex, doc.Facts.Tex);
        QVERIFY(std::ranges::equal(read.value().PixelIndices(), doc.PixelIndices()));
        const std::size_t entries = type == 15 ? 16 : 256;
        QVERIFY(std::equal(doc.Palette().begin(), doc.Palette().begin() + 4 * entries, read.value().Palette().begin()));
        // 1 and 14 are one layout, levels included, as the type-1 writer makes it.
        if (type != 15) {
            doc.Facts.Tex.Type = 1;
            PixelArray expected = writeTex(doc).value();
            expected[4] = std::uint8_t(type);
            QCOMPARE(file.value(), Bytes8(expected.begin(), expected.end()));
        }
        std::set<std::uint8_t> seen(file.value().begin() + 78, file.value().end());
        QVERIFY(type != 15 || *seen.rbegin() < 16);
    }

    void sixteenEntriesOnly()
    {
        ImageDocument doc = indexedDocument(4, 2, ImageFormat::Tex);
        std::fill(doc.PixelIndices().begin(), doc.PixelIndices().end(), 3);
        doc.PixelIndices()[6] = 16;
        const WriteResult r = writeTex(doc, TexHeader{15, 1, 0, 0});
        QVERIFY(!r.has_value());
        QCOMPARE(QString::fromStdString(r.error().detail),
                 QString("pixel 2, 1 uses palette entry 16, but TEX type 15 holds only 16 entries"));
    }

    void powersOfTwoAndLimits()
    {
        using resample::nextPowerOfTwo, resample::previousPowerOfTwo;
        const std::array<std::array<int, 3>, 6> sides{{{1, 1, 1}, {3, 4, 2}, {4, 4, 4}, {100, 128, 64},
                                                       {16385, 32768, 16384}, {32767, 32768, 16384}}};
        for (const auto& [side, next, previous] : sides) {
            QCOMPARE(nextPowerOfTwo(side), next);
            QCOMPARE(previousPowerOfTwo(side), previous);
        }
        QVERIFY(resample::checkSize(32767, 1));
        for (const auto& [w, h] : std::array<std::array<long, 2>, 4>{{{32768, 4}, {4, 32768}, {0, 4}, {4, -1}}})
            QVERIFY(!resample::checkSize(w, h));
        const auto refused = resample::scaleRgba(Bytes8(16), 2, 2, 32768, 2, resample::Filter::Box);
        QVERIFY(!refused);
        QCOMPARE(QString::fromStdString(refused.error().detail),
                 QString("a size of 32768 x 2 is larger than the 32767 x 32767 a texture can hold"));
    }

    // Linear light with alpha-weighted colour: the sizes asked for, 1 x N
    // included; a transparent pixel lends no colour; black and white average
    // to the grey of half the light (188), not of half the code (128).
    void scaleColour_data()
    {
        QTest::addColumn<Bytes8>("source");
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::addColumn<Bytes8>("expected"); // first pixel of the result
        QTest::newRow("no colour from transparent") << Bytes8{255, 0, 0, 255, 0, 255, 0, 0} << QSize(2, 1)
                                                   << QSize(1, 1) << Bytes8{255, 0, 0, 128};
        QTest::newRow("linear light") << Bytes8{0, 0, 0, 255, 255, 255, 255, 255} << QSize(2, 1) << QSize(1, 1)
                                      << Bytes8{188, 188, 188, 255};
        QTest::newRow("1 x 5 to 1 x 2") << Bytes8(20, 90) << QSize(1, 5) << QSize(1, 2) << Bytes8{90, 90, 90, 90};
        QTest::newRow("1 x 3 to 4 x 8") << Bytes8(12, 200) << QSize(1, 3) << QSize(4, 8)
                                        << Bytes8{200, 200, 200, 200};
    }
    void scaleColour()
    {
        QFETCH(Bytes8, source);
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        QFETCH(Bytes8, expected);
        for (auto filter : {resample::Filter::Box, resample::Filter::Triangle, resample::Filter::CatmullRom,
                            resample::Filter::Mitchell}) {
            const auto scaled = resample::scaleRgba(source, from.width(), from.height(), to.width(), to.height(), filter);
            QVERIFY(scaled);
            const PixelArray& out = *scaled;
            QCOMPARE(out.size(), std::size_t(4 * to.width() * to.height()));
            for (int c = 0; c < 4; ++c)
                QVERIFY2(std::abs(out[std::size_t(c)] - expected[std::size_t(c)]) <= 1, "channel off");
        }
    }

    // Large scales run in bands of rows: no seam, no row left out.
    void scaleBandsMeet()
    {
        const int w = 600, h = 600, toW = 300, toH = 333;
        Bytes8 ramp(std::size_t(4 * w * h));
        for (std::size_t i = 0; i < ramp.size(); ++i)
            ramp[i] = i % 4 == 3 ? 255 : std::uint8_t(i / 4 / std::size_t(w) * 255 / (h - 1));
        const auto scaled = resample::scaleRgba(ramp, w, h, toW, toH, resample::Filter::Box);
        QVERIFY(scaled);
        const PixelArray& out = *scaled;
        for (int y = 0; y < toH; ++y) {
            const std::uint8_t* row = out.data() + std::size_t(4 * y * toW);
            for (int x = 0; x < 4 * toW; ++x)
                QCOMPARE(row[x], row[x % 4]);
            QVERIFY2(y == 0 || (row[0] >= row[-4 * toW] && row[0] - row[-4 * toW] <= 4), qPrintable(QString::number(y)));
        }
    }

    void scaleIndicesNearest()
    {
        const Bytes8 src = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}; // 4 x 4
        QCOMPARE(rgbaOf(resample::scaleIndices(src, 4, 4, 2, 2).value()), (Bytes8{5, 7, 13, 15}));
        QCOMPARE(rgbaOf(resample::scaleIndices(Bytes8{1, 2, 3, 4}, 2, 2, 4, 3).value()),
                 (Bytes8{1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));
        QCOMPARE(rgbaOf(resample::scaleIndices(Bytes8{9, 8, 7}, 1, 3, 1, 1).value()), Bytes8{8});
    }

    // The figure for the linear-light mips: coverage at threshold 128 at
    // every level, against level 0's, on foliage.
    void alphaCoverageKept()
    {
        const int side = 512, levels = 10;
        const Bytes8 leaves = foliage(side);
        const double c0 = mip::alphaCoverage(leaves);
        QVERIFY2(c0 > 0.1 && c0 < 0.6, qPrintable(QString::number(c0)));
        const auto levelsMade = mip::linearLightLevels(leaves, {side, side}, levels);
        QVERIFY(levelsMade);
        const PixelArray& linear = *levelsMade;
        PixelArray box(leaves.begin(), leaves.end());
        std::size_t at = 0, boxAt = 0;
        double worst = 0;
        for (int k = 1; k < levels; ++k) {
            const mip::LevelSize from = mip::levelSize(side, side, k - 1), size = mip::levelSize(side, side, k);
            box.resize(boxAt + 4 * from.pixels() + 4 * size.pixels());
            mip::halveDirect(std::span(box).subspan(boxAt, 4 * from.pixels()), from, 4,
                             std::span(box).subspan(boxAt + 4 * from.pixels()));
            boxAt += 4 * from.pixels();
            const double c = mip::alphaCoverage(std::span(linear).subspan(at, 4 * size.pixels()));
            const double boxC = mip::alphaCoverage(std::span(box).subspan(boxAt, 4 * size.pixels()));
            at += 4 * size.pixels();
            // Within 2 % of level 0's, or as near as the level's pixel count allows.
            const double allowed = std::max(0.02 * c0, 0.5 / double(size.pixels()));
            qInfo("level %d (%zu x %zu): coverage %.4f, box filter %.4f, level 0 %.4f", k, size.width, size.height,
                  c, boxC, c0);
            QVERIFY2(std::abs(c - c0) <= allowed, qPrintable(QString("level %1 off by %2").arg(k).arg(c - c0)));
            if (size.pixels() >= 256)
                worst = std::max(worst, std::abs(c - c0) / c0);
        }
        qInfo("largest relative change down to 16 x 16: %.2f %%", 100 * worst);
    }
};

QTEST_GUILESS_MAIN(TextureModesTest)
#include "test_texture_modes.moc"
