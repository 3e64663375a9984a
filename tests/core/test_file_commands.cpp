// The file commands' handling of files that fight back: an image too large
// for memory, and a file that changes while it is read.

#include "files/FileAccess.h"
#include "files/FileCommands.h"
#include "files/HexDump.h"
#include "files/PrintableName.h"

#include <QTemporaryDir>
#include <QtTest>

#include <numeric>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vtt;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool AddressSanitizer = true; // reserves far more address space than any limit allows
#elif defined(__has_feature)
constexpr bool AddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool AddressSanitizer = false;
#endif

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    QFile f(QString::fromStdString(path));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

} // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void hugeRunLengthImageIsRefusedForMemory()
    {
        if (AddressSanitizer)
            QSKIP("an address-space limit cannot be combined with AddressSanitizer");
        // 32767 x 32767 32-bit pixels in runs of 128: a file of 42 MB that
        // passes every size check and asks for 4 GiB.
        QTemporaryDir dir;
        const std::string path = dir.filePath("huge.tga").toStdString();
        std::vector<std::uint8_t> file = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x7F, 0xFF, 0x7F, 32, 0x28};
        const std::size_t packets = (std::size_t(32767) * 32767 + 127) / 128;
        file.reserve(file.size() + 5 * packets);
        for (std::size_t i = 0; i < packets; ++i)
            file.insert(file.end(), {0xFF, 1, 2, 3, 4});
        writeBytes(path, file);
        file = {};

        const pid_t child = fork();
        if (child == 0) {
            // The open must answer with a refusal under a limit of 1 GiB
            // more than is in use now.
            long pages = 0;
            if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
                if (std::fscanf(statm, "%ld", &pages) != 1)
                    pages = 0;
                std::fclose(statm);
            }
            const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(1) << 30);
            const rlimit lowered{limit, limit};
            if (pages == 0 || setrlimit(RLIMIT_AS, &lowered) != 0)
                _exit(3);
            const auto opened = openImage(path, ImageFormat::Tga);
            const std::string expected = "not enough memory to open a 32767 x 32767 image (4.0 GiB)";
            const bool refused = !opened.has_value() && opened.error().kind == ErrorKind::OutOfMemory
                && opened.error().detail == expected && opened.error().subject == path;
            _exit(refused ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    void entryThatAppearsAfterStagingIsNeitherFollowedNorReplaced_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QString>("says");
        QTest::newRow("file") << "file" << false << "it already exists";
        QTest::newRow("link") << "link" << false << "it already exists";
        QTest::newRow("link, replacing") << "link" << true << "became a symbolic link";
        QTest::newRow("FIFO, replacing") << "fifo" << true << "not a regular file";
    }
    void entryThatAppearsAfterStagingIsNeitherFollowedNorReplaced()
    {
        QFETCH(QString, planted);
        QFETCH(bool, replace);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const auto folder = OpenFolder::open(dir.path().toStdString());
        QVERIFY(folder.has_value());
        const std::string victim = dir.filePath("victim").toStdString();
        const std::string path = dir.filePath("out.tex").toStdString();
        {
            auto staged = StagedFile::stage(folder.value(), "out.tex", std::vector<std::uint8_t>(10, 1), replace, false);
            QVERIFY(staged.has_value());
            if (planted == "file")
                writeBytes(path, {9});
            else if (planted == "link")
                QCOMPARE(::symlink(victim.c_str(), path.c_str()), 0);
            else
                QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
            const auto committed = staged.value().commit();
            QVERIFY(!committed && QString::fromStdString(committed.error().detail).contains(says));
        }
        QVERIFY(!QFile::exists(QString::fromStdString(victim)));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{"out.tex"});
    }

    void linksAreFollowedWhereTheKernelWould_data()
    {
        QTest::addColumn<uid_t>("linkOwner");
        QTest::addColumn<mode_t>("folderMode");
        QTest::addColumn<bool>("follows");
        QTest::newRow("own link in a shared folder") << uid_t(1000) << mode_t(01777) << true;
        QTest::newRow("other's link in a shared folder") << uid_t(1001) << mode_t(01777) << false;
        QTest::newRow("folder owner's link in a shared folder") << uid_t(0) << mode_t(01777) << true;
        QTest::newRow("other's link, not sticky") << uid_t(1001) << mode_t(0777) << true;
        QTest::newRow("other's link, sticky, not world-writable") << uid_t(1001) << mode_t(01775) << true;
    }
    void linksAreFollowedWhereTheKernelWould()
    {
        QFETCH(uid_t, linkOwner);
        QFETCH(mode_t, folderMode);
        QFETCH(bool, follows);
        QCOMPARE(mayFollowLink(linkOwner, folderMode, 0, 1000), follows);
    }

    void staleTemporariesAreRemoved()
    {
        // Only our own temporaries of a process that is gone go, here swept
        // by a save into the folder; a live process's, and users' files
        // that only look alike, stay.
        const pid_t gone = fork();
        if (gone == 0)
            _exit(0);
        QCOMPARE(waitpid(gone, nullptr, 0), gone);
        const QString dead = QString::number(gone), live = QString::number(getppid());
        QTemporaryDir dir;
        const QStringList kept{".vtt." + live + "-0.tmp", "a.1-2.tmp", ".x.1-y.tmp", ".report." + dead + "-1.tmp",
                               ".a.tex." + dead + "-12.tmp", "saved.bin"};
        for (const QString& name : kept + QStringList{".vtt." + dead + "-0.tmp"})
            writeBytes(dir.filePath(name).toStdString(), {1});
        QVERIFY(writeFileAtomically(dir.filePath("saved.bin").toStdString(), std::vector<std::uint8_t>{2}));
        QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        left.sort();
        QStringList expected = kept;
        expected.sort();
        QCOMPARE(left, expected);
    }

    void everyLinkOnThePathIsJudged_data()
    {
        QTest::addColumn<QString>("path"); // written, in a folder holding a shared folder "s" (1777)
        QTest::addColumn<uid_t>("linkOwner");
        QTest::addColumn<QString>("says"); // empty: written to the folder "v"
        const QString refused = "%1 belongs to another user in a shared folder and is not followed";
        QTest::newRow("other's link mid-path") << "s/sub/x.bin" << uid_t(65534) << refused.arg("/s/sub");
        QTest::newRow("own link mid-path") << "s/sub/x.bin" << ::geteuid() << "";
        QTest::newRow("through an own link to it") << "mine/x.bin" << uid_t(65534) << refused.arg("/s/sub");
        QTest::newRow("final link through it") << "final" << uid_t(65534) << refused.arg("/s/sub");
        QTest::newRow("final link through own") << "final" << ::geteuid() << "";
    }
    void everyLinkOnThePathIsJudged()
    {
        // The walk judges links itself, so the outcome is the same whatever
        // the kernel's protected_symlinks says.
        QFETCH(QString, path);
        QFETCH(uid_t, linkOwner);
        QFETCH(QString, says);
        if (::geteuid() != 0 && linkOwner != ::geteuid())
            QSKIP("giving a link to another user needs root");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("s") && QDir(dir.path()).mkdir("v"));
        QCOMPARE(::chmod(qPrintable(dir.filePath("s")), 01777), 0);
        QCOMPARE(::symlink("../v", qPrintable(dir.filePath("s/sub"))), 0);
        QCOMPARE(::lchown(qPrintable(dir.filePath("s/sub")), linkOwner, linkOwner), 0);
        QVERIFY(QFile::link(dir.filePath("s/sub"), dir.filePath("mine")));
        QCOMPARE(::symlink("s/sub/x.bin", qPrintable(dir.filePath("final"))), 0);
        const auto written = writeFileAtomically(dir.filePath(path).toStdString(), std::vector<std::uint8_t>{7});
        QCOMPARE(!written, !says.isEmpty());
        const std::string problem = written ? std::string() : written.error().detail;
        QVERIFY2(QString::fromStdString(problem).contains(says), problem.c_str());
        QCOMPARE(QFile::exists(dir.filePath("v/x.bin")), says.isEmpty());
    }

    void namesAreShownWithoutControlBytes_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("escape sequence") << QByteArray("a\x1b[2Jb") << QByteArray("a\\x1b[2Jb");
        QTest::newRow("newline, DEL") << QByteArray("a\n\x7f") << QByteArray("a\\x0a\\x7f");
        QTest::newRow("C1 CSI in UTF-8") << QByteArray("\xc2\x9b" "1m") << QByteArray("\\xc2\\x9b" "1m");
        QTest::newRow("not UTF-8") << QByteArray("\xff\xc3") << QByteArray("\\xff\\xc3");
        QTest::newRow("UTF-8 and backslashes stay") << QByteArray("\xc3\xa9\xc2\xa0\\x1b") << QByteArray("\xc3\xa9\xc2\xa0\\x1b");
    }
    void namesAreShownWithoutControlBytes()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, shown);
        QCOMPARE(QByteArray::fromStdString(printableName(name.toStdString())), shown);
    }

    void hugeClaimIsJudgedBeforeTheBodyIsRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::vector<std::uint8_t>>("header");
        QTest::addColumn<QString>("says");
        QTest::newRow("Targa") << "huge.tga"
                               << std::vector<std::uint8_t>{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x7F, 0xFF, 0x7F, 32, 8}
                               << "needs 4294705174 bytes, but the file has only 2147483648 bytes";
        QTest::newRow("TEX") << "huge.tex" << std::vector<std::uint8_t>{0xFF, 0x7F, 0xFF, 0x7F, 18, 0, 1, 0, 0, 0, 0, 0, 0, 0}
                             << "needs 4294705170 bytes, but the file has only 2147483648 bytes";
    }
    void hugeClaimIsJudgedBeforeTheBodyIsRead()
    {
        if (AddressSanitizer)
            QSKIP("an address-space limit cannot be combined with AddressSanitizer");
        // A sparse 2 GiB file claiming more than it holds: reading it whole
        // would need 2 GiB, more than the limit allows, and say so instead.
        QFETCH(QString, name);
        QFETCH(std::vector<std::uint8_t>, header);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const std::string path = dir.filePath(name).toStdString();
        writeBytes(path, header);
        QCOMPARE(::truncate(path.c_str(), off_t(1) << 31), 0);
        const pid_t child = fork();
        if (child == 0) {
            const rlim_t limit = rlim_t(1) << 30;
            const rlimit lowered{limit, limit};
            if (setrlimit(RLIMIT_AS, &lowered) != 0)
                _exit(3);
            const auto opened = openImage(path, formatForPath(path));
            _exit(!opened.has_value() && opened.error().detail.ends_with(says.toStdString()) ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    // Beyond what the image needs, a long tail is not read; the Targa footer
    // at its end still is, and still decides the row order of a file with
    // the header earlier versions wrote.
    void aLongTailIsLeftUnread_data()
    {
        QTest::addColumn<bool>("footer");
        QTest::addColumn<int>("topRed");
        QTest::newRow("footer: bottom row first") << true << 6;
        QTest::newRow("no footer: an earlier version's file") << false << 3;
    }
    void aLongTailIsLeftUnread()
    {
        QFETCH(bool, footer);
        QFETCH(int, topRed);
        QTemporaryDir dir;
        const std::string path = dir.filePath("tail.tga").toStdString();
        writeBytes(path, {0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 1, 0, 2, 0, 24, 0, 1, 2, 3, 4, 5, 6});
        const off_t size = 24 + (off_t(2) << 20);
        QCOMPARE(::truncate(path.c_str(), size), 0);
        if (footer) {
            const int fd = ::open(path.c_str(), O_WRONLY);
            QCOMPARE(::pwrite(fd, "TRUEVISION-XFILE.", 18, size - 18), 18);
            ::close(fd);
        }
        FileSnapshot kept;
        const auto opened = openImage(path, ImageFormat::Tga, &kept);
        QVERIFY(opened.has_value());
        QCOMPARE(int(opened.value().PixelBytes()[0]), topRed);
        QCOMPARE(kept.bytes.size(), std::size_t(24));
        QCOMPARE(kept.fileSize(), std::uint64_t(size));
        const HexDump dump(std::make_shared<const FileSnapshot>(std::move(kept)));
        const std::string lines = std::accumulate(dump.headerLines().begin(), dump.headerLines().end(), std::string());
        QVERIFY(lines.find("rest of the file         2097152 bytes, not read") != std::string::npos);
        QCOMPARE(lines.find("TRUEVISION") != std::string::npos, footer);
    }

    void fileThatChangesWhileReadIsRefused_data()
    {
        QTest::addColumn<int>("sizeWhenOpened");
        QTest::addColumn<QString>("says");
        QTest::newRow("shrank") << 150 << "only 100 could be read";
        QTest::newRow("grew") << 60 << "grew beyond the 60 bytes";
        QTest::newRow("unchanged") << 100 << "";
    }
    void fileThatChangesWhileReadIsRefused()
    {
        QFETCH(int, sizeWhenOpened);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const std::string path = dir.filePath("changing.tex").toStdString();
        writeBytes(path, std::vector<std::uint8_t>(100, 7));
        const int fd = ::open(path.c_str(), O_RDONLY);
        QVERIFY(fd >= 0);
        const FileBytes read = readOpenedFile(fd, std::uint64_t(sizeWhenOpened));
        ::close(fd);
        QCOMPARE(read.has_value(), says.isEmpty());
        if (!read.has_value())
            QVERIFY2(QString::fromStdString(read.error().detail).contains(says), read.error().detail.c_str());
        else
            QCOMPARE(read.value(), PixelArray(100, 7));
    }
};

QTEST_GUILESS_MAIN(FileCommandsTest)
#include "test_file_commands.moc"
