#include "files/PaletteFileCommands.h"
#include "platform/Messages.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace vtt;

namespace {

// 768 table bytes, entry k = (k, 255 - k, k / 2), plus a tail.
QByteArray table(const QByteArray& tail)
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
    // Each kind read (count, then rgb of the first and last entry in hex),
    // or refused with a message naming the file and the problem.
    void readsOrRefuses_data()
    {
        QTest::addColumn<QByteArray>("file"); // none: a named pipe, refused rather than waited on
        QTest::addColumn<QString>("expected");
        QTest::newRow("named pipe") << QByteArray() << "it is not a regular file";
        QTest::newRow("pal") << QByteArray("JASC-PAL\r\n0100\r\n2\r\n255 0 0\r\n1 2 3\r\n") << "2 ff0000010203";
        QTest::newRow("pal: alpha column, BOM") << QByteArray("\xEF\xBB\xBFJASC-PAL\n0100\n1\n 7 8 9 255 \n\n")
                                                << "1 070809070809";
        QTest::newRow("gpl") << QByteArray("GIMP Palette\nName: x\nColumns: 4\n# c\n\n 10 20 30\tDark\n1 2 3 Light\n")
                             << "2 0a141e010203";
        QTest::newRow("act 768") << table({}) << "256 00ff00ff007f";
        QTest::newRow("act 772, 3 colours") << table(QByteArray("\0\3\xff\xff", 4)) << "3 00ff0002fd01";
        QTest::newRow("other kind") << QByteArray("RIFF\x10\0\0\0PAL data", 16) << "not a palette file";
        QTest::newRow("pal version") << QByteArray("JASC-PAL\n0200\n1\n1 2 3\n") << "version line is \"0200\"";
        QTest::newRow("pal truncated") << QByteArray("JASC-PAL\r\n0100\r\n3\r\n1 2 3\r\n4 5") << "line 5 is not a colour";
        QTest::newRow("pal too few") << QByteArray("JASC-PAL\n0100\n3\n1 2 3\n") << "holds only 1";
        QTest::newRow("pal 256 channel") << QByteArray("JASC-PAL\n0100\n1\n1 256 3\n") << "\"1 256 3\"";
        QTest::newRow("pal extra line") << QByteArray("JASC-PAL\n0100\n1\n1 2 3\n4 5 6\n") << "line 5 follows";
        QTest::newRow("gpl none") << QByteArray("GIMP Palette\n# none\n") << "holds no colours";
        QTest::newRow("gpl 257") << QByteArray("GIMP Palette\n") + QByteArray("1 2 3\n").repeated(257) << "more than";
        QTest::newRow("act count 0") << table(QByteArray(4, '\0')) << "colour count is 0";
        QTest::newRow("act short") << table({}).left(767) << "767 bytes where a colour table has 768 or 772";
    }
    void readsOrRefuses()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QFile f(dir.filePath("p.pal"));
        QVERIFY(file.isEmpty() ? ::mkfifo(qPrintable(f.fileName()), 0600) == 0
                               : f.open(QIODevice::WriteOnly) && f.write(file) == file.size() && f.flush());
        const auto got = loadPaletteFile(f.fileName().toStdString());
        if (!got.has_value()) {
            const QString message = QString::fromStdString(cannotOpen(got.error()));
            QVERIFY2(message.contains(expected) && message.contains(f.fileName()), qPrintable(message));
            return;
        }
        const int n = got.value().count;
        const auto* rgb = reinterpret_cast<const char*>(got.value().rgb.data());
        QCOMPARE(QString::number(n) + ' ' + (QByteArray(rgb, 3) + QByteArray(rgb + 3 * (n - 1), 3)).toHex(), expected);
    }

    // Exact bytes of each writer, chosen by the name.
    void writes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("pal") << "a.PAL" << QByteArray("JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n250 0 9\r\n");
        QTest::newRow("gpl") << "a.gpl"
                             << QByteArray("GIMP Palette\nName: a\nColumns: 16\n#\n  1   2   3\tIndex 0\n250   0   9\tIndex 1\n");
        QTest::newRow("act") << "a.act" << QByteArray("\1\2\3\xfa\0\x09", 6) + QByteArray(762, '\0');
    }
    void writes()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, expected);
        PaletteColours colours;
        colours.count = 2;
        colours.rgb[0] = 1, colours.rgb[1] = 2, colours.rgb[2] = 3, colours.rgb[3] = 250, colours.rgb[5] = 9;
        QTemporaryDir dir;
        QVERIFY(savePaletteFile(dir.filePath(name).toStdString(), colours));
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), expected);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name}); // no temporary left
    }
};

QTEST_APPLESS_MAIN(PaletteFilesTest)
#include "test_palette_files.moc"
