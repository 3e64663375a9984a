#include "codecs/TexReader.h"
#include "files/FileCommands.h"
#include "support/Documents.h"
#include "support/TexFiles.h"

#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

class TexReaderTest : public QObject {
    Q_OBJECT

private:
    static ReadResult read(const std::vector<std::uint8_t>& file) { return readTex(Bytes(file.data(), file.size())); }

    // As the window opens it over `previous`.
    static ReadResult read(const std::vector<std::uint8_t>& file, const ImageDocument& previous)
    {
        ReadResult r = read(file);
        if (r)
            carryFromPrevious(*r, previous);
        return r;
    }

private slots:
    void type1PaletteIsBlueFirstAndPixelsFollowIt()
    {
        // 4 x 2, entry 7 stored as 10, 20, 30, 40; the fifth pixel names it.
        auto file = texHeader(4, 2, 1);
        appendRepeated(file, 1024, 0);
        file[14 + 4 * 7 + 0] = 10;
        file[14 + 4 * 7 + 1] = 20;
        file[14 + 4 * 7 + 2] = 30;
        file[14 + 4 * 7 + 3] = 40;
        append(file, {0, 1, 2, 3, 7, 5, 6, 255});
        QCOMPARE(file.size(), std::size_t(1046));

        ReadResult r = read(file);
        QVERIFY(r.has_value());
        const ImageDocument& d = r.value();
        QCOMPARE(d.BitDepth(), std::uint8_t(8));
        QCOMPARE(d.area(), std::size_t(8));
        QCOMPARE(d.Facts.Kind, ImageFormat::Tex);
        QCOMPARE(d.Palette()[4 * 7 + 0], std::uint8_t(30));
        QCOMPARE(d.Palette()[4 * 7 + 1], std::uint8_t(20));
        QCOMPARE(d.Palette()[4 * 7 + 2], std::uint8_t(10));
        QCOMPARE(d.Palette()[4 * 7 + 3], std::uint8_t(40));
        QCOMPARE(d.PixelIndices().size(), std::size_t(8));
        QCOMPARE(d.PixelIndices()[4], std::uint8_t(7));
        QCOMPARE(d.PixelIndices()[7], std::uint8_t(255));
    }

    void type14ReadsLikeType1()
    {
        auto one = texHeader(2, 1, 1);
        for (int i = 0; i < 1024; ++i)
            one.push_back(static_cast<std::uint8_t>(i * 7));
        append(one, {3, 9});
        auto fourteen = one;
        fourteen[4] = 14;

        ReadResult a = read(one), b = read(fourteen);
        QVERIFY(a.has_value() && b.has_value());
        QCOMPARE(b.value().Facts.Tex.Type, std::int16_t(14));
        QVERIFY(a.value().Palette() == b.value().Palette());
        QVERIFY(bytesOf(a.value().PixelIndices()) == bytesOf(b.value().PixelIndices()));
        QCOMPARE(b.value().BitDepth(), std::uint8_t(8));
    }

    void type15PaletteIsRedFirstAndKeepsTheRest()
    {
        ImageDocument previous = documentOf(1, 1, 32);
        previous.Palette().fill(77);
        auto file = texHeader(3, 1, 15);
        append(file, {10, 20, 30, 40});
        appendRepeated(file, 60, 1);
        append(file, {0, 15, 2});

        ReadResult r = read(file, previous);
        QVERIFY(r.has_value());
        const ImageDocument& d = r.value();
        QCOMPARE(d.BitDepth(), std::uint8_t(8));
        QCOMPARE(d.Palette()[0], std::uint8_t(10));
        QCOMPARE(d.Palette()[1], std::uint8_t(20));
        QCOMPARE(d.Palette()[2], std::uint8_t(30));
        QCOMPARE(d.Palette()[3], std::uint8_t(40));
        QCOMPARE(d.Palette()[63], std::uint8_t(1));
        QCOMPARE(d.Palette()[64], std::uint8_t(77)); // entry 16 untouched
        QCOMPARE(d.Palette()[1023], std::uint8_t(77));
        QCOMPARE(bytesOf(d.PixelIndices()), (std::vector<std::uint8_t>{0, 15, 2}));
    }

    void type17IsThreeBytesRedFirstAndOpaque()
    {
        auto file = texHeader(2, 1, 17);
        append(file, {1, 2, 3, 4, 5, 6});
        ImageDocument previous;
        previous.Palette().fill(5);
        ReadResult r = read(file, previous);
        QVERIFY(r.has_value());
        QCOMPARE(r.value().BitDepth(), std::uint8_t(32));
        QCOMPARE(bytesOf(r.value().PixelBytes()), (std::vector<std::uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
        QCOMPARE(r.value().Palette()[100], std::uint8_t(5)); // no palette in this type
    }

    void type18IsFourBytesAndThirtyBytesFor2x2()
    {
        auto file = texHeader(2, 2, 18);
        for (std::uint8_t i = 1; i <= 16; ++i)
            file.push_back(i);
        QCOMPARE(file.size(), std::size_t(30));
        ReadResult r = read(file);
        QVERIFY(r.has_value());
        QCOMPARE(r.value().PixelBytes().size(), std::size_t(16));
        QCOMPARE(r.value().PixelBytes()[3], std::uint8_t(4));
        QCOMPARE(r.value().PixelBytes()[15], std::uint8_t(16));
    }

    void headerFieldsAreSignedAndCarried()
    {
        auto file = texHeader(1, 1, 18, 5, -1, 2147483647);
        append(file, {9, 9, 9, 9});
        file.push_back(0xAB); // a further mip level is ignored
        ReadResult r = read(file);
        QVERIFY(r.has_value());
        QCOMPARE(r.value().Facts.Tex.MipCount, std::int16_t(5));
        QCOMPARE(r.value().Facts.Tex.Unknown, std::int16_t(-1));
        QCOMPARE(r.value().Facts.Tex.Bits, 2147483647);

        auto negBits = texHeader(0, 0, 18, -3, -32768, -2);
        ReadResult n = read(negBits);
        QVERIFY(n.has_value());
        QCOMPARE(n.value().area(), std::size_t(0));
        QCOMPARE(n.value().Facts.Tex.MipCount, std::int16_t(-3));
        QCOMPARE(n.value().Facts.Tex.Bits, -2);
    }

    void mipCountDoesNotChangeWhatIsRead()
    {
        auto one = texHeader(2, 1, 17, 1);
        append(one, {1, 2, 3, 4, 5, 6});
        auto five = one;
        five[6] = 5;
        QVERIFY(bytesOf(read(one).value().PixelBytes()) == bytesOf(read(five).value().PixelBytes()));
    }

    void unsupportedTypesAreNamed_data()
    {
        QTest::addColumn<int>("type");
        for (int t : {0, 2, 16, 19, -1, 300})
            QTest::addRow("type %d", t) << t;
    }
    void unsupportedTypesAreNamed()
    {
        QFETCH(int, type);
        auto file = texHeader(2, 2, static_cast<std::int16_t>(type));
        ReadResult r = read(file);
        QVERIFY(!r.has_value());
        QCOMPARE(r.error().kind, ErrorKind::UnsupportedTexType);
    }

    void shortAndNegativeFilesAreRefused_data()
    {
        QTest::addColumn<std::vector<std::uint8_t>>("file");
        QTest::addColumn<QString>("mentions");
        QTest::addRow("empty") << std::vector<std::uint8_t>{} << "0 bytes";
        QTest::addRow("13 bytes") << std::vector<std::uint8_t>(13, 0) << "14-byte";
        auto type1 = texHeader(4, 2, 1);
        appendRepeated(type1, 1024 + 7, 0);
        QTest::addRow("type 1 one pixel short") << type1 << "1046 bytes";
        auto type18 = texHeader(2, 2, 18);
        appendRepeated(type18, 15, 0);
        QTest::addRow("type 18 short") << type18 << "30 bytes";
        auto type15 = texHeader(1, 1, 15);
        appendRepeated(type15, 64, 0);
        QTest::addRow("type 15 without pixel") << type15 << "79 bytes";
        auto huge = texHeader(32767, 32767, 18);
        appendRepeated(huge, 6, 0);
        QTest::addRow("20 bytes claiming 32767 x 32767") << huge << "only 20 bytes";
        QTest::addRow("negative width") << texHeader(-2, 2, 18) << "negative";
        QTest::addRow("negative height") << texHeader(2, -1, 1) << "negative";
    }
    void shortAndNegativeFilesAreRefused()
    {
        QFETCH(std::vector<std::uint8_t>, file);
        QFETCH(QString, mentions);
        ReadResult r = read(file);
        QVERIFY(!r.has_value());
        QCOMPARE(r.error().kind, ErrorKind::Malformed);
        QVERIFY2(QString::fromStdString(r.error().detail).contains(mentions),
                 r.error().detail.c_str());
    }
};

QTEST_GUILESS_MAIN(TexReaderTest)
#include "test_tex_reader.moc"
