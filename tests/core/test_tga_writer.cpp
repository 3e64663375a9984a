#include "codecs/SaveConversion.h"
#include "support/Documents.h"
#include "files/FileCommands.h"
#include "codecs/TgaReader.h"
#include "codecs/TgaWriter.h"
#include "support/SavedImages.h"

#include <QBuffer>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

using ByteVector = std::vector<std::uint8_t>;
Q_DECLARE_METATYPE(ByteVector)

namespace {

template <class Array>
ByteVector header(const Array& file) { return ByteVector(file.begin(), file.begin() + 18); }

ImageDocument texDocument(int width, int height, std::int16_t type)
{
    ImageDocument doc = type == 1 || type == 14 ? indexedDocument(width, height, ImageFormat::Tex)
                                                : directDocument(width, height, 32, ImageFormat::Tex);
    if (type == 17) // a TEX file holds no alpha for type 17; it reads as opaque
        for (std::size_t i = 3; i < doc.PixelBytes().size(); i += 4)
            doc.PixelBytes()[i] = 255;
    doc.Facts.Tex.Type = type;
    // Fields a TGA load left behind, which the conversion must replace.
    doc.Facts.Tga.IdLength = 9;
    doc.Facts.Tga.ColorMapType = 1;
    doc.Facts.Tga.ImageType = 10;
    doc.Facts.Tga.ColorMapLength = 77;
    doc.Facts.Tga.Descriptor = 0x28;
    return doc;
}

ImageDocument tgaDocument(int width, int height, std::uint8_t depth, std::uint8_t descriptor)
{
    ImageDocument doc = depth == 8 ? indexedDocument(width, height, ImageFormat::Tga)
                                   : directDocument(width, height, depth, ImageFormat::Tga);
    doc.Facts.Tga.Descriptor = descriptor;
    doc.Facts.Tga.ColorMapType = depth == 8 ? 1 : 0;
    doc.Facts.Tga.ImageType = depth == 8 ? 1 : 2;
    doc.Facts.Tga.ColorMapLength = depth == 8 ? 256 : 0;
    doc.Facts.Tga.ColorMapEntrySize = depth == 8 ? 24 : 0;
    return doc;
}

// The document's image as a viewer shows it: RGBA rows top first, the first
// stored row at the bottom when the descriptor says so.
ByteVector shownPixels(const ImageDocument& doc, std::uint8_t descriptor)
{
    const int w = doc.ImageWidth(), h = doc.ImageHeight();
    const bool bottomUp = (descriptor & 0x20) == 0;
    ByteVector out;
    for (int y = 0; y < h; ++y) {
        const int row = bottomUp ? h - 1 - y : y;
        for (int x = 0; x < w; ++x) {
            const std::size_t n = std::size_t(row * w + x);
            if (doc.isPaletted()) {
                const std::uint8_t* c = &doc.Palette()[4 * doc.PixelIndices()[n]];
                out.insert(out.end(), {c[0], c[1], c[2], 255});
            } else {
                const std::uint8_t* p = &doc.PixelBytes()[4 * n];
                out.insert(out.end(), {p[0], p[1], p[2], doc.BitDepth() == 32 ? p[3] : std::uint8_t(255)});
            }
        }
    }
    return out;
}

bool qtReadsTga() { return QImageReader::supportedImageFormats().contains("tga"); }

const QString MagickConvert = QStringLiteral("/usr/bin/convert");

bool imageMagickPresent()
{
    QProcess p;
    p.start(MagickConvert, {QStringLiteral("-version")});
    return p.waitForFinished(30000) && p.exitCode() == 0 && p.readAllStandardOutput().contains("ImageMagick");
}

// Qt's plugin reads only files that end in the footer of the Targa 2.0
// revision, which adds nothing to the image: a copy gets one, so the
// header, map and pixels it decodes are the bytes the tool wrote.
std::optional<ByteVector> decodeWithQt(const QString& path)
{
    QFile original(path);
    if (!original.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = original.readAll();
    bytes.append(QByteArray(8, '\0')); // no extension area, no developer area
    bytes.append("TRUEVISION-XFILE.", 17);
    bytes.append('\0');
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "tga");
    const QImage image = reader.read();
    if (image.isNull()) {
        qWarning("Qt could not read the file: %s", qPrintable(reader.errorString()));
        return std::nullopt;
    }
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    ByteVector out;
    for (int y = 0; y < rgba.height(); ++y) {
        const uchar* line = rgba.constScanLine(y);
        out.insert(out.end(), line, line + 4 * rgba.width());
    }
    return out;
}

// ImageMagick reads the rows as stored and notes the origin as the image's
// orientation; -auto-orient applies it as a viewer would.
std::optional<ByteVector> decodeWithImageMagick(const QString& path)
{
    QProcess p;
    p.start(MagickConvert, {QStringLiteral("tga:") + path, QStringLiteral("-auto-orient"), QStringLiteral("-depth"),
                            QStringLiteral("8"), QStringLiteral("rgba:-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning("ImageMagick could not read the file: %s", p.readAllStandardError().constData());
        return std::nullopt;
    }
    const QByteArray bytes = p.readAllStandardOutput();
    return ByteVector(bytes.begin(), bytes.end());
}

} // namespace

class TgaWriterTest : public QObject {
    Q_OBJECT

private slots:
    void texSavedAsTgaHasTheHeaderOfItsDepth_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<ByteVector>("expected");
        // Width 3, height 2 at bytes 12..15; origin bytes 8..11 zero.
        // Every Targa the tool writes declares a top-left origin (bit 5).
        QTest::newRow("type 1") << 1 << ByteVector{0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 3, 0, 2, 0, 8, 0x20};
        QTest::newRow("type 14") << 14 << ByteVector{0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 3, 0, 2, 0, 8, 0x20};
        QTest::newRow("type 17") << 17 << ByteVector{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 24, 0x20};
        QTest::newRow("type 18") << 18 << ByteVector{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 32, 0x28};
    }
    void texSavedAsTgaHasTheHeaderOfItsDepth()
    {
        QFETCH(int, type);
        QFETCH(ByteVector, expected);
        ImageDocument doc = texDocument(3, 2, std::int16_t(type));
        const auto r = encodeImage(doc, ImageFormat::Tga, {});
        QVERIFY(r.has_value());
        QCOMPARE(header(r.value().bytes), expected);
        const std::size_t pixelSize = expected[16] / 8;
        QCOMPARE(r.value().bytes.size(), 18 + (pixelSize == 1 ? 768 : 0) + 6 * pixelSize);

        // The converted fields are the save's changes; the document itself
        // changes only when they are applied, and its kind never does.
        QCOMPARE(doc.Facts.Tga.IdLength, std::uint8_t(9));
        QVERIFY(applySaveChanges(doc, r.value().changes));
        QCOMPARE(doc.Facts.Kind, ImageFormat::Tex);
        QCOMPARE(doc.BitDepth(), expected[16]);
        QCOMPARE(doc.Facts.Tga.IdLength, std::uint8_t(0));
        QCOMPARE(doc.Facts.Tga.ColorMapType, expected[1]);
        QCOMPARE(doc.Facts.Tga.ImageType, expected[2]);
        QCOMPARE(doc.Facts.Tga.ColorMapLength, std::uint16_t(expected[5] | expected[6] << 8));
        QCOMPARE(doc.Facts.Tga.ColorMapEntrySize, expected[7]);
        QCOMPARE(doc.Facts.Tga.Descriptor, expected[17]);

        // Saving again converts again from the same start: the same file.
        const auto again = encodeImage(doc, ImageFormat::Tga, {});
        QVERIFY(again.has_value());
        QCOMPARE(again.value().bytes, r.value().bytes);
    }

    void bodyByteOrders()
    {
        ImageDocument mapped = tgaDocument(2, 1, 8, 0);
        mapped.Palette()[0] = 30;
        mapped.Palette()[1] = 20;
        mapped.Palette()[2] = 10;
        mapped.Palette()[3] = 99; // alpha has no place in the map
        vtt::testing::setPixels(mapped, {0, 255});
        WriteResult r = writeTga(mapped);
        QVERIFY(r.has_value());
        QCOMPARE(r.value().size(), std::size_t(18 + 768 + 2));
        QCOMPARE(ByteVector(r.value().begin() + 18, r.value().begin() + 21), (ByteVector{10, 20, 30}));
        QCOMPARE(r.value()[18 + 765], mapped.Palette()[1022]); // entry 255: blue first
        QCOMPARE(r.value()[18 + 767], mapped.Palette()[1020]);
        QCOMPARE(ByteVector(r.value().end() - 2, r.value().end()), (ByteVector{0, 255}));

        ImageDocument direct = tgaDocument(2, 1, 24, 0);
        vtt::testing::setPixels(direct, {1, 2, 3, 4, 5, 6, 7, 8});
        r = writeTga(direct);
        QVERIFY(r.has_value());
        QCOMPARE(ByteVector(r.value().begin() + 18, r.value().end()), (ByteVector{3, 2, 1, 7, 6, 5}));

        QVERIFY(direct.setBitDepth(32));
        r = writeTga(direct);
        QVERIFY(r.has_value());
        QCOMPARE(ByteVector(r.value().begin() + 18, r.value().end()), (ByteVector{3, 2, 1, 4, 7, 6, 5, 8}));
    }

    void keptHeaderIsWrittenAsAValidTarga_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("keptDescriptor");
        QTest::addColumn<ByteVector>("expected");
        // Fields kept from an odd file (ID field, run-length type, a map on
        // a true-colour image, interleave bits) are not carried into a file
        // that no longer has them; the document's rows are top row first.
        const ByteVector trueColour = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 1, 0};
        const ByteVector mapped = {0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 4, 0, 1, 0};
        auto with = [](ByteVector start, std::uint8_t depth, std::uint8_t descriptor) {
            start.push_back(depth);
            start.push_back(descriptor);
            return start;
        };
        QTest::newRow("24 bits, top-left") << 24 << 0xE3 << with(trueColour, 24, 0x20);
        QTest::newRow("24 bits, right-to-left") << 24 << 0x10 << with(trueColour, 24, 0x20);
        QTest::newRow("32 bits without alpha bits") << 32 << 0x20 << with(trueColour, 32, 0x28);
        QTest::newRow("8 bits, 16-entry map") << 8 << 0x00 << with(mapped, 8, 0x20);
    }
    void keptHeaderIsWrittenAsAValidTarga()
    {
        QFETCH(int, depth);
        QFETCH(int, keptDescriptor);
        QFETCH(ByteVector, expected);
        ImageDocument doc = tgaDocument(4, 1, std::uint8_t(depth), std::uint8_t(keptDescriptor));
        doc.Facts.Tga.IdLength = 12;
        doc.Facts.Tga.ColorMapType = 1;
        doc.Facts.Tga.ImageType = depth == 8 ? 9 : 10;
        doc.Facts.Tga.FirstEntryIndex = 3;
        doc.Facts.Tga.ColorMapLength = 16;
        doc.Facts.Tga.ColorMapEntrySize = 32;
        const ImageDocument before = doc;
        const auto r = encodeImage(doc, ImageFormat::Tga, {});
        QVERIFY(r.has_value());
        QCOMPARE(header(r.value().bytes), expected);
        // No conversion for a document opened as TGA: its fields stay.
        QCOMPARE(doc.Facts.Tga.IdLength, before.Facts.Tga.IdLength);
        QCOMPARE(doc.Facts.Tga.Descriptor, before.Facts.Tga.Descriptor);
        QCOMPARE(r.value().changes.Tga, before.Facts.Tga);
    }

    void tgaSavedAsTgaIsTheSameImage_data()
    {
        // A Targa saved again holds the same image, written top row first
        // under a top-left origin: a bottom-left file's rows turn round. The
        // 8-bit bottom-left file has the layout of this tool's earlier
        // output, whose rows were already top row first.
        QTest::addColumn<ByteVector>("file");
        QTest::addColumn<bool>("reversed");
        QTest::newRow("8 bits, bottom-left (earlier output)") << tgaFile(5, 3, 8, 0x00) << false;
        QTest::newRow("8 bits, top-left") << tgaFile(16, 16, 8, 0x20) << false;
        QTest::newRow("24 bits, bottom-left") << tgaFile(3, 2, 24, 0x00) << true;
        QTest::newRow("24 bits, top-left") << tgaFile(7, 1, 24, 0x20) << false;
        QTest::newRow("32 bits, bottom-left") << tgaFile(3, 3, 32, 0x08) << true;
        QTest::newRow("32 bits, top-left") << tgaFile(2, 5, 32, 0x28) << false;
        QTest::newRow("24 bits, 37 x 3") << tgaFile(37, 3, 24, 0x20) << false;
        QTest::newRow("32 bits, 37 x 3") << tgaFile(37, 3, 32, 0x08) << true;
        QTest::newRow("32 bits, 0 x 0") << tgaFile(0, 0, 32, 0x28) << false;
    }
    void tgaSavedAsTgaIsTheSameImage()
    {
        QFETCH(ByteVector, file);
        QFETCH(bool, reversed);
        ReadResult read = readTga(Bytes(file.data(), file.size()));
        QVERIFY2(read.has_value(), read.has_value() ? "" : read.error().detail.c_str());
        const auto r = encodeImage(read.value(), ImageFormat::Tga, {});
        QVERIFY(r.has_value());

        ByteVector expected = file;
        expected[17] = std::uint8_t(0x20 | (file[16] == 32 ? 8 : 0));
        const std::size_t width = file[12] | file[13] << 8, height = file[14] | file[15] << 8;
        const std::size_t rowBytes = width * file[16] / 8, body = file.size() - height * rowBytes;
        for (std::size_t y = 0; reversed && y < height; ++y)
            std::copy_n(file.begin() + std::ptrdiff_t(body + (height - 1 - y) * rowBytes), rowBytes,
                        expected.begin() + std::ptrdiff_t(body + y * rowBytes));
        QCOMPARE(r.value().bytes, expected);
    }

    // Other depths, negative sizes and short stores cannot be made: the
    // factory table in test_image_document refuses them.
    void unwritableDocumentsAreRefused()
    {
        ImageDocument none; // nothing opened, but named as a Targa
        none.Facts.Kind = ImageFormat::Tga;
        const WriteResult r = writeTga(none);
        QVERIFY(!r.has_value());
        QVERIFY2(QString::fromStdString(r.error().detail).contains("depth of 0 bits"), r.error().detail.c_str());
    }

    void independentDecodersShowTheDocument_data()
    {
        QTest::addColumn<QString>("decoder");
        QTest::addColumn<int>("source"); // TEX type, or 1000 + TGA depth
        QTest::addColumn<int>("descriptor");
        for (const char* decoder : {"Qt", "ImageMagick"}) {
            const QString name = QString::fromLatin1(decoder);
            // Qt's plugin reads true-colour Targa files only.
            if (name == "ImageMagick") {
                QTest::addRow("%s, TEX type 1", decoder) << name << 1 << 0;
                QTest::addRow("%s, TEX type 14", decoder) << name << 14 << 0;
                QTest::addRow("%s, TGA 8 bits bottom-left", decoder) << name << 1008 << 0x00;
                QTest::addRow("%s, TGA 8 bits top-left", decoder) << name << 1008 << 0x20;
            }
            QTest::addRow("%s, TEX type 17", decoder) << name << 17 << 0;
            QTest::addRow("%s, TEX type 18", decoder) << name << 18 << 0;
            QTest::addRow("%s, TGA 24 bits bottom-left", decoder) << name << 1024 << 0x00;
            QTest::addRow("%s, TGA 24 bits top-left", decoder) << name << 1024 << 0x20;
            QTest::addRow("%s, TGA 32 bits bottom-left", decoder) << name << 1032 << 0x08;
            QTest::addRow("%s, TGA 32 bits top-left", decoder) << name << 1032 << 0x28;
        }
    }
    void independentDecodersShowTheDocument()
    {
        QFETCH(QString, decoder);
        QFETCH(int, source);
        QFETCH(int, descriptor);
        const bool qt = decoder == "Qt";
        if (qt && !qtReadsTga())
            QSKIP("Qt's TGA image plugin is missing (Debian package qt6-image-formats-plugins)");
        if (!qt && !imageMagickPresent())
            QSKIP("ImageMagick is missing (Debian package imagemagick)");

        // Odd sizes, so a row stride or flip mistake cannot hide.
        const int w = 7, h = 5;
        ImageDocument doc = source >= 1000 ? tgaDocument(w, h, std::uint8_t(source - 1000), std::uint8_t(descriptor))
                                           : texDocument(w, h, std::int16_t(source));
        const auto r = encodeImage(doc, ImageFormat::Tga, {});
        QVERIFY(r.has_value());

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("image.tga"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(r.value().bytes.data()), qint64(r.value().bytes.size()));
        file.close();

        const std::optional<ByteVector> decoded = qt ? decodeWithQt(path) : decodeWithImageMagick(path);
        QVERIFY(decoded.has_value());
        QCOMPARE(*decoded, shownPixels(doc, r.value().bytes[17]));
    }
};

QTEST_GUILESS_MAIN(TgaWriterTest)
#include "test_tga_writer.moc"
