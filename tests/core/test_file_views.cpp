#include "codecs/MipLevels.h"
#include "support/Documents.h"
#include "files/HexDump.h"
#include "support/TexFiles.h"

#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

namespace {

std::shared_ptr<const FileSnapshot> snapshot(const std::vector<std::uint8_t>& bytes, ImageFormat format)
{
    PixelArray kept(bytes.begin(), bytes.end());
    return std::make_shared<const FileSnapshot>(FileSnapshot{std::move(kept), format});
}

// 2 x 2, type 18, two levels: pixels "ABCD".."MNOP", then level 1 "wxyz".
std::vector<std::uint8_t> tinyTex()
{
    auto f = texHeader(2, 2, 18, 2, -1, 7);
    for (std::uint8_t c = 'A'; c <= 'P'; ++c)
        f.push_back(c);
    append(f, {'w', 'x', 'y', 'z'});
    return f;
}

// 1 x 1, 24-bit, ID "hi", top row first, with a Targa 2.0 footer.
std::vector<std::uint8_t> tinyTga()
{
    std::vector<std::uint8_t> f = {2, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0x20, 'h', 'i', 1, 2, 3};
    appendRepeated(f, 8, 0);
    for (char c : std::string("TRUEVISION-XFILE."))
        f.push_back(static_cast<std::uint8_t>(c));
    f.push_back(0);
    return f;
}

} // namespace

class FileViewsTest : public QObject {
    Q_OBJECT

private slots:
    void hexDumpLines_data()
    {
        QTest::addColumn<bool>("tex");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, bool tex, int line, const char* text) {
            QTest::newRow(name) << tex << line << QString::fromLatin1(text);
        };
        row("tex width", true, 0, "00000000         2  width                    2");
        row("tex type", true, 2, "00000004         2  type                     18 (32-bit RGBA)");
        row("tex unknown", true, 4, "00000008         2  unknown                  -1");
        row("tex bits", true, 5, "0000000A         4  bits                     7");
        row("tex level 0", true, 6, "0000000E        16  mip level 0              2 x 2");
        row("tex level 1", true, 7, "0000001E         4  mip level 1              1 x 1");
        row("tex blank", true, 8, "");
        row("tex row 0", true, 9, "00000000  02 00 02 00 12 00 02 00  FF FF 07 00 00 00 41 42  ..............AB");
        row("tex row 2", true, 11, "00000020  79 7A                                             yz");
        row("tga type", false, 2, "00000002         1  image type               2 (true colour)");
        row("tga descriptor", false, 11, "00000011         1  image descriptor         32 (alpha bits 0, top row first)");
        row("tga id", false, 12, "00000012         2  ID field                 \"hi\"");
        row("tga data", false, 13, "00000014         3  image data               ");
        row("tga signature", false, 16, "0000001F        18  signature                \"TRUEVISION-XFILE.\"");
        row("tga row 1", false, 19, "00000010  18 20 68 69 01 02 03 00  00 00 00 00 00 00 00 54  . hi...........T");
    }

    void hexDumpLines()
    {
        QFETCH(bool, tex);
        QFETCH(int, line);
        QFETCH(QString, text);
        const HexDump dump(tex ? snapshot(tinyTex(), ImageFormat::Tex) : snapshot(tinyTga(), ImageFormat::Tga));
        QCOMPARE(dump.lineCount(), dump.headerLines().size() + 1 + (tex ? 3 : 4));
        QCOMPARE(QString::fromStdString(dump.line(static_cast<std::size_t>(line))), text);
    }

    // A PNG's fields are big-endian and its chunks follow the signature.
    void pngHeaderLines()
    {
        std::vector<std::uint8_t> f = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                       0, 0, 1, 44, 0, 0, 0, 3, 8, 6, 0, 0, 1};
        appendRepeated(f, 4, 0); // CRC
        append(f, {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0, 0, 0, 0});
        const HexDump dump(snapshot(f, ImageFormat::Png));
        const QStringList expected{
            "00000000         8  signature                PNG",
            "00000010         4  width                    300",
            "00000014         4  height                   3",
            "00000018         1  bit depth                8",
            "00000019         1  colour type              6",
            "0000001A         1  compression              0",
            "0000001B         1  filter                   0",
            "0000001C         1  interlace                1",
            "00000008        25  chunk IHDR               13 data bytes",
            "00000021        12  chunk IEND               0 data bytes"};
        QStringList shown;
        for (const std::string& line : dump.headerLines())
            shown << QString::fromStdString(line);
        QCOMPARE(shown, expected);
    }

    void largeFileCountsRowsWithoutFormattingThem()
    {
        PixelArray bytes(std::size_t(64) << 20);
        std::fill_n(bytes.begin(), 18, 0);
        const HexDump dump(std::make_shared<const FileSnapshot>(FileSnapshot{std::move(bytes), ImageFormat::Tga}));
        QCOMPARE(dump.rowCount(), std::size_t(4) << 20);
        QCOMPARE(dump.rowsFormatted(), std::size_t(0));
    }

    void mipLevelsOffered_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("mips");
        QTest::addColumn<int>("bytes"); // after the header
        QTest::addColumn<int>("offered");
        // 4 x 2: levels of 8, 2, 1, 1 pixels.
        QTest::newRow("18 all whole") << 18 << 3 << 4 * 11 << 3;
        QTest::newRow("18 last partial") << 18 << 3 << 4 * 11 - 1 << 2;
        QTest::newRow("18 only level 0") << 18 << 3 << 4 * 8 << 1;
        QTest::newRow("17 down to 1 x 1 twice") << 17 << 4 << 3 * 12 << 4;
        QTest::newRow("1 after the palette") << 1 << 2 << 1024 + 10 << 2;
        QTest::newRow("15 small palette") << 15 << 2 << 64 + 9 << 1;
        QTest::newRow("mip count 0 is one level") << 18 << 0 << 4 * 11 << 1;
        QTest::newRow("unreadable type") << 16 << 3 << 100 << 0;
    }

    void mipLevelsOffered()
    {
        QFETCH(int, type);
        QFETCH(int, mips);
        QFETCH(int, bytes);
        QFETCH(int, offered);
        auto file = texHeader(4, 2, static_cast<std::int16_t>(type), static_cast<std::int16_t>(mips));
        for (int i = 0; i < bytes; ++i)
            file.push_back(static_cast<std::uint8_t>(i));
        const Bytes all(file.data(), file.size());
        QCOMPARE(wholeMipLevels(texMipLevels(all)), offered);
        const ImageDocument level0 = ImageDocument::create(4, 2, type == 1 || type == 15 ? 8 : 32).value();
        for (int k = 1; k <= offered; ++k) {
            const auto level = readTexLevel(all, level0, k);
            QCOMPARE(level.has_value(), k < offered);
        }
    }

    void levelPixelsComeFromTheFile()
    {
        // Type 17, 2 x 2 with two levels: level 1 is the last three bytes.
        auto file = texHeader(2, 2, 17, 2);
        appendRepeated(file, 12, 0);
        append(file, {7, 8, 9});
        const ImageDocument level0 = ImageDocument::create(2, 2, 32).value();
        const auto level = readTexLevel(Bytes(file.data(), file.size()), level0, 1);
        QVERIFY(level.has_value());
        QCOMPARE(level.value().ImageWidth(), std::int16_t(1));
        QCOMPARE(bytesOf(level.value().PixelBytes()), (std::vector<std::uint8_t>{7, 8, 9, 255}));
    }
};

QTEST_MAIN(FileViewsTest)
#include "test_file_views.moc"
