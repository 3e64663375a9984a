#include "codecs/PaletteFiles.h"
#include "files/PaletteFileCommands.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace vtt;

namespace {

QByteArray bytesOf(const std::vector<std::uint8_t>& v) { return {reinterpret_cast<const char*>(v.data()), qsizetype(v.size())}; }

Result<PaletteColours, std::string> read(const QByteArray& b)
{
    return readPaletteFile(Bytes(reinterpret_cast<const std::uint8_t*>(b.data()), std::size_t(b.size())));
}

// 768 table bytes, entry k = (k, 255 - k, k / 2), plus an optional tail.
QByteArray table(const QByteArray& tail = {})
{
    QByteArray b;
    for (int k = 0; k < 256; ++k)
        b += char(k), b += char(255 - k), b += char(k / 2);
    return b + tail;
}

} // namespace

class PaletteFilesTest : public QObject {
    Q_OBJECT

private slots:
    // Each kind read, with its count and its first and last colours.
    void reads_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("firstAndLast"); // rgb of entry 0 and of entry count-1
        QTest::newRow("pal, CRLF") << QByteArray("JASC-PAL\r\n0100\r\n2\r\n255 0 0\r\n1 2 3\r\n") << 2
                                   << QByteArray("\xff\0\0\1\2\3", 6);
        QTest::newRow("pal, alpha column, BOM, trailing blank")
            << QByteArray("\xEF\xBB\xBFJASC-PAL\n0100\n1\n 7  8  9  255 \n\n") << 1 << QByteArray("\7\10\11\7\10\11");
        QTest::newRow("gpl with names and comments")
            << QByteArray("GIMP Palette\nName: x\nColumns: 4\n# c\n\n 10  20  30\tDark\n40 50 60 Light blue\n") << 2
            << QByteArray("\12\24\36\50\62\74");
        QTest::newRow("act 768") << table() << 256 << QByteArray("\0\xff\0\xff\0\x7f", 6);
        QTest::newRow("act 772 with count 3") << table(QByteArray("\0\3\xff\xff", 4)) << 3
                                              << QByteArray("\0\xff\0\2\xfd\1", 6);
    }
    void reads()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, count);
        QFETCH(QByteArray, firstAndLast);
        const auto got = read(file);
        QVERIFY2(got.ok(), got.ok() ? "" : got.error().c_str());
        QCOMPARE(got.value().count, count);
        const auto* rgb = reinterpret_cast<const char*>(got.value().rgb.data());
        QCOMPARE(QByteArray(rgb, 3) + QByteArray(rgb + 3 * (count - 1), 3), firstAndLast);
    }

    // Exact bytes of each writer, and the reader takes them back.
    void writes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("pal") << "a.PAL" << QByteArray("JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n250 0 9\r\n");
        QTest::newRow("gpl") << "a.gpl"
                             << QByteArray("GIMP Palette\nName: a\nColumns: 16\n#\n  1   2   3\tIndex 0\n250   0   9\tIndex 1\n");
        QTest::newRow("act") << "a.act" << QByteArray("\1\2\3\xfa\0\x09", 6) + QByteArray(762, '\0');
        QTest::newRow("other name: pal") << "a.txt" << QByteArray("JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n250 0 9\r\n");
    }
    void writes()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, expected);
        PaletteColours colours;
        colours.count = 2;
        colours.rgb[0] = 1, colours.rgb[1] = 2, colours.rgb[2] = 3, colours.rgb[3] = 250, colours.rgb[5] = 9;
        QTemporaryDir dir;
        const std::string path = dir.filePath(name).toStdString();
        QCOMPARE(savePaletteFile(path, colours), std::nullopt);
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), expected);
        const auto back = loadPaletteFile(path);
        QVERIFY(back.ok());
        QVERIFY(std::equal(colours.rgb.begin(), colours.rgb.begin() + 6, back.value().rgb.begin()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name}); // no temporary left
    }

    void refusesMalformed_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("problem");
        QTest::newRow("empty") << QByteArray() << "it is empty";
        QTest::newRow("unknown kind") << QByteArray("RIFF\x10\0\0\0PAL data", 16) << "not a palette file";
        QTest::newRow("pal version") << QByteArray("JASC-PAL\n0200\n1\n1 2 3\n") << "version line is \"0200\"";
        QTest::newRow("pal count") << QByteArray("JASC-PAL\n0100\nmany\n") << "number of colours, not \"many\"";
        QTest::newRow("pal no colours") << QByteArray("JASC-PAL\n0100\n0\n") << "declares no colours";
        QTest::newRow("pal over 256") << QByteArray("JASC-PAL\n0100\n257\n") << "declares 257 colours";
        QTest::newRow("pal truncated") << QByteArray("JASC-PAL\r\n0100\r\n3\r\n1 2 3\r\n4 5") << "line 5 is not a colour";
        QTest::newRow("pal short count") << QByteArray("JASC-PAL\n0100\n3\n1 2 3\n") << "holds only 1";
        QTest::newRow("pal 256 channel") << QByteArray("JASC-PAL\n0100\n1\n1 256 3\n") << "\"1 256 3\"";
        QTest::newRow("pal extra line") << QByteArray("JASC-PAL\n0100\n1\n1 2 3\n4 5 6\n") << "line 5 follows";
        QTest::newRow("pal five numbers") << QByteArray("JASC-PAL\n0100\n1\n1 2 3 4 5\n") << "line 4 is not";
        QTest::newRow("gpl no colours") << QByteArray("GIMP Palette\n# none\n") << "holds no colours";
        QTest::newRow("gpl negative") << QByteArray("GIMP Palette\n1 -2 3\n") << "line 2 is not a colour";
        QTest::newRow("gpl 257") << QByteArray("GIMP Palette\n") + QByteArray("1 2 3\n").repeated(257)
                                 << "more than the 256 colours";
        QTest::newRow("act count 0") << table(QByteArray(4, '\0')) << "colour count is 0";
        QTest::newRow("act count 257") << table(QByteArray("\1\1\0\0", 4)) << "colour count is 257";
        QTest::newRow("act short") << table().left(767) << "767 bytes where a colour table has 768 or 772";
    }
    // Refused with the problem and the file named; a palette it would have
    // changed stays as it was.
    void refusesMalformed()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        QFile f(dir.filePath("bad.pal"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
        f.close();
        const auto got = loadPaletteFile(f.fileName().toStdString());
        QVERIFY(!got.ok());
        const QString message = QString::fromStdString(got.error());
        QVERIFY2(message.contains(problem) && message.contains(f.fileName()), qPrintable(message));
    }

    // Only the file's entries change, and never an alpha byte.
    void applyKeepsTheRest()
    {
        std::array<std::uint8_t, PaletteBytes> palette;
        palette.fill(0xAA);
        const auto colours = read("GIMP Palette\n1 2 3\n4 5 6\n");
        QVERIFY(colours.ok());
        applyPaletteColours(colours.value(), palette);
        std::array<std::uint8_t, PaletteBytes> expected;
        expected.fill(0xAA);
        for (int i = 0; i < 6; ++i)
            expected[std::size_t(i + i / 3)] = std::uint8_t(i + 1);
        QVERIFY(palette == expected);
    }
};

QTEST_APPLESS_MAIN(PaletteFilesTest)
#include "test_palette_files.moc"
