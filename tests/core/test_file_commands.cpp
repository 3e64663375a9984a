// The file commands' handling of files that fight back: an image too large
// for memory, and a file that changes while it is read.

#include "files/FileAccess.h"
#include "files/FileCommands.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/resource.h>
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

        ImageDocument previous;
        previous.Tex.Type = 18;
        previous.Palette[5] = 42;
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
            const auto opened = openImage(path, FileFormat::Tga, previous);
            const std::string expected = "not enough memory to open a 32767 x 32767 image (4.0 GiB)";
            const bool refused = !opened.ok() && opened.error().detail == expected
                && opened.error().message == "Could not open \"" + path + "\": " + expected + ".";
            _exit(refused && previous.Tex.Type == 18 && previous.Palette[5] == 42 ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    void commitWithoutReplacingKeepsAFileThatAppeared()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("out.tex").toStdString();
        auto staged = StagedFile::stage(path, std::vector<std::uint8_t>(10, 1), false);
        QVERIFY(staged.ok());
        writeBytes(path, {9});
        QCOMPARE(staged.value().commit(false).value_or(""), std::string("it already exists"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // until the staged file goes
        QVERIFY(!staged.value().commit(true));
        QCOMPARE(QFile(QString::fromStdString(path)).size(), 10);
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
        QCOMPARE(read.ok(), says.isEmpty());
        if (!read.ok())
            QVERIFY2(QString::fromStdString(read.error()).contains(says), read.error().c_str());
        else
            QCOMPARE(read.value(), PixelArray(100, 7));
    }
};

QTEST_GUILESS_MAIN(FileCommandsTest)
#include "test_file_commands.moc"
