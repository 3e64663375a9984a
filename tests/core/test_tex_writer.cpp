#include "codecs/SaveConversion.h"
#include "files/FileCommands.h"
#include "support/Documents.h"
#include "codecs/TexReader.h"
#include "codecs/TexWriter.h"
#include "support/SavedImages.h"

#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

using ByteVector = std::vector<std::uint8_t>;
Q_DECLARE_METATYPE(ByteVector)

namespace {

ImageDocument loadTex(const ByteVector& file)
{
    ReadResult r = readTex(Bytes(file.data(), file.size()));
    if (!r.has_value())
        qFatal("test file does not load: %s", r.error().detail.c_str());
    return r.value();
}

ByteVector texFile(std::int16_t width, std::int16_t height, std::int16_t type, std::int16_t mips = 1,
                   std::int16_t unknown = 0, std::int32_t bits = 0)
{
    ByteVector file = texHeader(width, height, type, mips, unknown, bits);
    const std::size_t n = static_cast<std::size_t>(width * height);
    const std::size_t body = type == 1 ? 1024 + n : type == 17 ? 3 * n : 4 * n;
    for (std::size_t i = 0; i < body; ++i)
        file.push_back(patternByte(i));
    return file;
}

} // namespace

class TexWriterTest : public QObject {
    Q_OBJECT

private slots:
    void texSavedAsTexIsTheSameFile_data()
    {
        QTest::addColumn<ByteVector>("file");
        QTest::newRow("type 1, 4 x 2") << texFile(4, 2, 1);
        QTest::newRow("type 1, 0 x 3") << texFile(0, 3, 1);
        QTest::newRow("type 17, 3 x 2") << texFile(3, 2, 17, 1, -1, 2147483647);
        QTest::newRow("type 18, 2 x 2") << texFile(2, 2, 18, 1, 7, -5);
        QTest::newRow("type 17, 37 x 3") << texFile(37, 3, 17);
        QTest::newRow("type 18, 33 x 1") << texFile(33, 1, 18);
    }
    void texSavedAsTexIsTheSameFile()
    {
        QFETCH(ByteVector, file);
        ImageDocument doc = loadTex(file);
        const auto r = encodeImage(doc, ImageFormat::Tex, {doc.Facts.Tex.MipCount, doc.Facts.Tex.Unknown, doc.Facts.Tex.Bits});
        QVERIFY2(r.has_value(), r.has_value() ? "" : r.error().detail.c_str());
        QCOMPARE(r.value().bytes, file);
    }

    void type18ReloadedWithMipsGivesItsFirstThirtyBytes()
    {
        // A 2 x 2 file that claims five levels saves as five real levels,
        // and the first 30 bytes stay those of its source.
        ByteVector file = texFile(2, 2, 18, 5);
        ImageDocument doc = loadTex(file);
        const auto r = encodeImage(doc, ImageFormat::Tex, {5, 0, 0});
        QVERIFY(r.has_value());
        QCOMPARE(r.value().bytes.size(), std::size_t(14 + 4 * (4 + 1 + 1 + 1 + 1)));
        QCOMPARE(ByteVector(r.value().bytes.begin(), r.value().bytes.begin() + 30), file);
    }

    void type1LayoutAndSizeByMipCount_data()
    {
        QTest::addColumn<int>("mips");
        QTest::addColumn<int>("size");
        // 6 x 4: levels of 6 x 4, 3 x 2, then 1 x 1 on. A count below 1 still
        // writes the full-size level, and the header keeps the count typed.
        QTest::newRow("1") << 1 << 14 + 1024 + 24;
        QTest::newRow("0") << 0 << 14 + 1024 + 24;
        QTest::newRow("-4") << -4 << 14 + 1024 + 24;
        QTest::newRow("2") << 2 << 14 + 1024 + 24 + 6;
        QTest::newRow("5") << 5 << 14 + 1024 + 24 + 6 + 1 + 1 + 1;
    }
    void type1LayoutAndSizeByMipCount()
    {
        QFETCH(int, mips);
        QFETCH(int, size);
        ImageDocument doc = indexedDocument(6, 4, ImageFormat::Tex);
        doc.Facts.Tex.Type = 1;
        doc.Palette()[4 * 9 + 0] = 30; // red
        doc.Palette()[4 * 9 + 1] = 20;
        doc.Palette()[4 * 9 + 2] = 10;
        doc.Palette()[4 * 9 + 3] = 40;
        const auto r = encodeImage(doc, ImageFormat::Tex, {std::int16_t(mips), 0, 0});
        QVERIFY(r.has_value());
        const ByteVector out(r.value().bytes.begin(), r.value().bytes.end());
        QCOMPARE(int(out.size()), size);
        QCOMPARE(std::int16_t(out[6] | out[7] << 8), std::int16_t(mips));
        QCOMPARE(ByteVector(out.begin() + 14 + 36, out.begin() + 14 + 40), (ByteVector{10, 20, 30, 40}));
        QCOMPARE(ByteVector(out.begin() + 1038, out.begin() + 1038 + 24), bytesOf(doc.PixelIndices()));
    }

    void historicalTypesAreRefusedWithTheirMessage_data()
    {
        addHistoricalTypeMessages();
    }
    void historicalTypesAreRefusedWithTheirMessage()
    {
        QFETCH(int, type);
        QFETCH(QString, message);
        ImageDocument doc = indexedDocument(2, 2, ImageFormat::Tex);
        doc.Facts.Tex.Type = std::int16_t(type);
        const WriteResult r = writeTex(doc);
        QVERIFY(!r.has_value());
        QCOMPARE(r.error().kind, ErrorKind::TexTypeMessage);
        QCOMPARE(QString::fromStdString(r.error().detail), message);
    }

    // Negative sizes, short stores and 16-bit pixels cannot be made: the
    // factory table in test_image_document refuses them.
    void unwritableDocumentsAreRefused_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("depth");
        QTest::addColumn<QString>("says");
        QTest::newRow("type 0") << 0 << 8 << "type 0";
        QTest::newRow("type 2") << 2 << 32 << "type 2";
        QTest::newRow("type 19") << 19 << 32 << "type 19";
        QTest::newRow("type 1 over direct colour") << 1 << 32 << "depth of 32 bits";
        QTest::newRow("type 17 over palette") << 17 << 8 << "depth of 8 bits";
    }
    void unwritableDocumentsAreRefused()
    {
        QFETCH(int, type);
        QFETCH(int, depth);
        QFETCH(QString, says);
        ImageDocument doc = depth == 8 ? indexedDocument(2, 2, ImageFormat::Tex)
                                       : directDocument(2, 2, std::uint8_t(depth), ImageFormat::Tex);
        doc.Facts.Tex.Type = std::int16_t(type);
        const WriteResult r = writeTex(doc);
        QVERIFY(!r.has_value());
        QCOMPARE(r.error().kind, ErrorKind::Unwritable);
        QVERIFY2(QString::fromStdString(r.error().detail).contains(says), r.error().detail.c_str());
    }

    void tgaSavedAsTexTakesItsTypeFromTheDepth_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("bodySize");
        QTest::newRow("8 bits") << 8 << 1 << 1024 + 6;
        QTest::newRow("24 bits") << 24 << 17 << 3 * 6;
        QTest::newRow("32 bits") << 32 << 18 << 4 * 6;
    }
    void tgaSavedAsTexTakesItsTypeFromTheDepth()
    {
        QFETCH(int, depth);
        QFETCH(int, type);
        QFETCH(int, bodySize);
        ImageDocument doc = depth == 8 ? indexedDocument(3, 2, ImageFormat::Tga)
                                       : directDocument(3, 2, std::uint8_t(depth), ImageFormat::Tga);
        doc.Facts.Tex.Type = 17; // left over from an earlier TEX save
        const auto r = encodeImage(doc, ImageFormat::Tex, {1, 9, 123456});
        QVERIFY(r.has_value());
        const ByteVector out(r.value().bytes.begin(), r.value().bytes.end());
        QCOMPARE(ByteVector(out.begin(), out.begin() + 14), texHeader(3, 2, std::int16_t(type), 1, 9, 123456));
        QCOMPARE(int(out.size()), 14 + bodySize);
        QCOMPARE(r.value().changes.Tex.Type, std::int16_t(type));
        QCOMPARE(doc.Facts.Kind, ImageFormat::Tga);

        // The file reads back as the document's pixels; a 24-bit TGA's alpha
        // is its opaque 255, as type 17 reads.
        const ImageDocument back = loadTex(out);
        if (depth == 8) {
            QCOMPARE(bytesOf(back.PixelIndices()), bytesOf(doc.PixelIndices()));
            QVERIFY(back.Palette() == doc.Palette());
        } else {
            QCOMPARE(bytesOf(back.PixelBytes()), bytesOf(doc.PixelBytes()));
        }
    }

    void tgaDepthWithoutATypeIsRefusedAndNothingChanges()
    {
        // A depth of 16 bits cannot be made any more (test_image_document);
        // the empty document's 0 bits stand for any depth without a type.
        ImageDocument doc;
        doc.Facts.Kind = ImageFormat::Tga;
        doc.Facts.Tex.Type = 18;
        doc.Facts.Tex.MipCount = 3;
        const auto r = encodeImage(doc, ImageFormat::Tex, {1, 2, 3});
        QVERIFY(!r.has_value());
        QVERIFY(QString::fromStdString(r.error().detail).contains("depth of 0 bits"));
        QCOMPARE(doc.Facts.Tex.Type, std::int16_t(18));
        QCOMPARE(doc.Facts.Tex.MipCount, std::int16_t(3));
        QCOMPARE(doc.Facts.Tex.Unknown, std::int16_t(0));
    }
};

QTEST_APPLESS_MAIN(TexWriterTest)
#include "test_tex_writer.moc"
