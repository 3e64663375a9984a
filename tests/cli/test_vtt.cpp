#include "files/DocumentSession.h"
#include "files/FileCommands.h"
#include "operations/ModeChange.h"
#include "operations/ScaleImage.h"
#include "operations/ChannelSwitch.h"
#include "operations/FlipMirror.h"
#include "operations/Rotate.h"
#include "support/SavedImages.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <chrono>

#include <csignal>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

using namespace vtt;
using namespace vtt::testing;

// What the window's commands do for one row of vtt's texture options.
struct TextureSteps {
    QSize size;      // Scale Image, when valid
    int filter = 3;  // resample::Filter
    int mode = -1;   // ColourMode, none when -1
    quantize::Options colours;
    int type = 0;    // chosen TEX type, none when 0
    bool linearMips = false;
    int mips = 1;
};
Q_DECLARE_METATYPE(TextureSteps)

struct Run {
    int status;
    QString err;
    QByteArray out;
};

class VttTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    Run vtt(const QStringList& args, int waitMs = 60000, const QString& env = {})
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        if (!env.isEmpty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(env.section('=', 0, 0), env.section('=', 1));
            process.setProcessEnvironment(environment);
        }
        process.start(QStringLiteral(VTT_PROGRAM), args);
        if (!process.waitForFinished(waitMs) || process.exitStatus() != QProcess::NormalExit)
            qFatal("vtt did not finish");
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardError()), process.readAllStandardOutput()};
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QByteArray read(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }
    static std::vector<std::uint8_t> rgba18(std::int16_t mips, std::int16_t unknown, std::int32_t bits)
    {
        auto f = texHeader(3, 2, 18, mips, unknown, bits);
        for (int i = 0; i < 24; ++i)
            f.push_back(patternByte(static_cast<std::size_t>(i)));
        return f;
    }
    static std::vector<std::uint8_t> pngFile() { return testDataFile("png/rgba16-magick.png"); }

    // An RGBA PNG of side x side zero samples, made without deflating them
    // all: one deflated mebibyte of zeros, flushed to stand alone, repeated.
    static void writeZeroPng(const QString& path, std::uint32_t side, int bitDepth)
    {
        const std::uint64_t raw = (std::uint64_t(side) * 4 * bitDepth / 8 + 1) * side, piece = 1 << 20;
        std::vector<std::uint8_t> zeros(piece), block(piece);
        z_stream z{};
        deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
        const auto deflated = [&](std::size_t n) {
            deflateReset(&z);
            z.next_in = zeros.data(), z.avail_in = uInt(n), z.next_out = block.data(), z.avail_out = uInt(piece);
            deflate(&z, Z_FULL_FLUSH);
            return QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(piece - z.avail_out));
        };
        const QByteArray whole = deflated(piece);
        QByteArray data("\x78\xda");
        for (std::uint64_t n = 0; n < raw / piece; ++n)
            data += whole;
        data += deflated(raw % piece) + QByteArray("\x03\x00", 2); // the final, empty block
        deflateEnd(&z);
        const std::uint32_t adler = std::uint32_t(raw % 65521) << 16 | 1; // of `raw` zeros
        const auto be32 = [](std::uint32_t v) {
            const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
            return QByteArray(b, 4);
        };
        data += be32(adler);
        const auto chunk = [&](const char* type, const QByteArray& d) {
            const QByteArray body = type + d;
            return be32(std::uint32_t(d.size())) + body
                + be32(std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
        };
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\x89PNG\r\n\x1a\n" + chunk("IHDR", be32(side) + be32(side) + char(bitDepth) + QByteArray("\x06\0\0\0", 4)));
        for (qsizetype at = 0; at < data.size(); at += 1 << 20)
            f.write(chunk("IDAT", data.mid(at, 1 << 20)));
        f.write(chunk("IEND", {}));
    }

    // Runs vtt and reads its peak resident memory (VmHWM, KiB) as it exits:
    // stopped there by tracing, before its memory is gone.
    std::pair<int, long> vttPeak(const QStringList& args)
    {
        std::vector<std::string> words{VTT_PROGRAM};
        for (const QString& a : args)
            words.push_back(a.toStdString());
        std::vector<char*> argv;
        for (std::string& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        const std::string folder = dir.path().toStdString();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(::open("/dev/null", O_WRONLY), 1);
            if (::chdir(folder.c_str()) == 0 && ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0)
                ::execv(VTT_PROGRAM, argv.data());
            ::_exit(127);
        }
        int status = 0;
        long peak = -1;
        ::waitpid(pid, &status, 0); // stopped at its start
        ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT);
        for (int signal = 0; ::ptrace(PTRACE_CONT, pid, nullptr, signal) == 0 && ::waitpid(pid, &status, 0) == pid
             && WIFSTOPPED(status);) {
            signal = WSTOPSIG(status) == SIGTRAP ? 0 : WSTOPSIG(status);
            QFile report(QString("/proc/%1/status").arg(pid));
            if (status >> 8 == (SIGTRAP | PTRACE_EVENT_EXIT << 8) && report.open(QIODevice::ReadOnly)) {
                const QByteArray text = report.readAll();
                peak = text.mid(text.indexOf("VmHWM:") + 6).trimmed().split(' ').first().toLong();
            }
        }
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, peak};
    }

private slots:
    void init() { QVERIFY(QDir(dir.path()).removeRecursively() && QDir().mkpath(dir.path())); }

    void convertsAsTheWindowSaves_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<std::vector<std::uint8_t>>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("flipMirrorSwap");
        QTest::addColumn<int>("mips"); // with unknown and bits, the header panel a window would show
        QTest::addColumn<int>("unknown");
        QTest::addColumn<int>("bits");
        auto palette = texHeader(4, 4, 1, 1, 5, 6);
        for (int i = 0; i < 1024 + 16; ++i)
            palette.push_back(patternByte(static_cast<std::size_t>(i)));
        QTest::newRow("tga32 to tex") << "a.tga" << tgaFile(5, 3, 32, 8) << QStringList{"--to", "tex"} << "a.tex"
                                      << false << 1 << 0 << 0;
        QTest::newRow("tex18 to tga by -o's name, flipped, mirrored, turned, red and blue exchanged")
            << "b.tex" << rgba18(4, -2, 77) << QStringList{"--flip", "--mirror", "--rotate", "90", "--channels", "B,G,R,A"} << "b.tga"
            << true << 0 << 0 << 0;
        QTest::newRow("tex1 to tex keeps the source's unknown") << "c.TEX" << palette
                                                                << QStringList{"--mips", "3", "--bits", "-9"}
                                                                << "out.tex" << false << 3 << 5 << -9;
        QTest::newRow("tga24 to tga") << "d.tga" << tgaFile(2, 7, 24, 0) << QStringList{}
                                                               << "d2.tga" << false << 0 << 0 << 0;
        QTest::newRow("250-byte output name") << "e.tga" << tgaFile(2, 2, 32, 0) << QStringList{}
                                              << QString(246, 'n') + ".tex" << false << 1 << 0 << 0;
        QTest::newRow("tga8 to png by -o's name") << "e.tga" << tgaFile(3, 2, 8, 0) << QStringList{} << "e.PNG"
                                                  << false << 0 << 0 << 0;
        QTest::newRow("png to tex") << "f.png" << pngFile() << QStringList{"--to", "tex"}
                                             << "f.tex" << false << 1 << 0 << 0;
    }

    void convertsAsTheWindowSaves()
    {
        QFETCH(QString, input);
        QFETCH(std::vector<std::uint8_t>, bytes);
        QFETCH(QStringList, options);
        QFETCH(QString, output);
        QFETCH(bool, flipMirrorSwap);
        writeTestFile(dir, input, bytes);
        const Run run = vtt(QStringList{"convert", "-o", output} + options + QStringList{input});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.status, 0);

        auto doc = openImage(path(input).toStdString(), formatForPath(input.toStdString()));
        QVERIFY(doc.has_value());
        if (flipMirrorSwap) {
            flipImage(doc.value());
            mirrorImage(doc.value());
            QVERIFY(rotateImage(doc.value(), 90));
            const ChannelMapping redBlue{{Channel::Blue, Channel::Green, Channel::Red, Channel::Alpha}};
            QVERIFY(switchChannels(doc.value(), redBlue));
        }
        QFETCH(int, mips);
        QFETCH(int, unknown);
        QFETCH(int, bits);
        const TexPanelValues panel{std::int16_t(mips), std::int16_t(unknown), bits};
        auto expected = encodeImage(doc.value(), formatForPath(output.toStdString()), panel);
        QVERIFY(expected.has_value());
        const auto& want = expected.value().bytes;
        QCOMPARE(read(output), QByteArray(reinterpret_cast<const char*>(want.data()), qsizetype(want.size())));
    }

    // Each scaling, mode, type and mip filter option writes what the same
    // steps in the window's session and its Save write.
    void textureOptionsMatchTheSession_data()
    {
        QTest::addColumn<std::vector<std::uint8_t>>("input");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<TextureSteps>("steps");
        const auto rgba = tgaFile(5, 3, 32, 8), indexed = tgaFile(6, 4, 8, 0);
        const auto fs = quantize::Options{256, quantize::Dither::FloydSteinberg, true};
        QTest::newRow("resize, catmull-rom") << rgba << QStringList{"--resize", "7x9", "--filter", "catmull-rom"}
                                             << TextureSteps{{7, 9}, 2};
        QTest::newRow("pow2 down") << rgba << QStringList{"--pow2", "down"} << TextureSteps{{4, 2}};
        QTest::newRow("indexed256, dithered") << rgba << QStringList{"--mode", "indexed256", "--dither", "fs"}
                                              << TextureSteps{{}, 3, 0, fs};
        QTest::newRow("indexed16, 8 colours, 3 linear mips")
            << rgba << QStringList{"--mode", "indexed16", "--colors", "8", "--mips", "3", "--mip-filter", "linear"}
            << TextureSteps{{}, 3, 1, {8}, 0, true, 3};
        QTest::newRow("rgba from palette, linear mips")
            << indexed << QStringList{"--mode", "rgba", "--mips", "3", "--mip-filter", "linear"}
            << TextureSteps{{}, 3, 3, {}, 0, true, 3};
        QTest::newRow("type 14") << rgba << QStringList{"--type", "14"} << TextureSteps{{}, 3, -1, {}, 14};
        QTest::newRow("type 15, 2 mips") << indexed << QStringList{"--type", "15", "--mips", "2"}
                                         << TextureSteps{{}, 3, -1, {16}, 15, false, 2};
        QTest::newRow("type 17") << indexed << QStringList{"--type", "17"} << TextureSteps{{}, 3, -1, {}, 17};
    }
    void textureOptionsMatchTheSession()
    {
        QFETCH(std::vector<std::uint8_t>, input);
        QFETCH(QStringList, options);
        QFETCH(TextureSteps, steps);
        writeTestFile(dir, "in.tga", input);
        const Run run = vtt(QStringList{"convert", "-o", "out.tex"} + options + QStringList{"in.tga"});
        QCOMPARE(run.err, QString());

        ImageDocument doc;
        RecentFilesInMemory recent;
        DocumentSession session(doc, recent);
        const std::string in = path("in.tga").toStdString();
        QVERIFY(!session.open(in, ImageFormat::Tga, readDocumentFile(in, ImageFormat::Tga)));
        if (steps.size.isValid())
            QVERIFY(session.edit(std::make_unique<ScaleCommand>(steps.size.width(), steps.size.height(),
                                                                resample::Filter(steps.filter))).value());
        if (steps.mode >= 0)
            QVERIFY(session.edit(std::make_unique<ModeCommand>(ColourMode(steps.mode), steps.colours)).value());
        if (steps.type)
            QVERIFY(session.chooseTexType(steps.type, steps.colours));
        const TexPanelValues panel{std::int16_t(steps.mips), 0, 0,
                                   steps.linearMips ? mip::MipFilter::LinearLight : mip::MipFilter::BoxStored};
        QVERIFY(!session.save(path("window.tex").toStdString(), ImageFormat::Tex, panel));
        QCOMPARE(read("out.tex"), read("window.tex"));
    }

    void eachFileSucceedsOrFailsOnItsOwn()
    {
        writeTestFile(dir, "good1.tga", tgaFile(4, 4, 32, 0));
        const auto good = tgaFile(4, 4, 24, 0);
        writeTestFile(dir, "bad.tga", std::vector<std::uint8_t>(good.begin(), good.begin() + 30));
        writeTestFile(dir, "good2.tga", good);
        const auto png = pngFile();
        writeTestFile(dir, "bad.png", std::vector<std::uint8_t>(png.begin(), png.end() - 20));
        auto type15 = texHeader(1, 1, 15); // its one pixel past the 16 entries
        appendRepeated(type15, 64, 0);
        type15.push_back(65);
        writeTestFile(dir, "type15.tex", type15);
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        writeTestFile(dir, "sub/good1.tga", good);
        const Run run = vtt({"convert", "--to", "tex", "--out-dir", "out", "-j", "3", "good1.tga", "bad.tga",
                             "missing.tga", "good2.tga", "type15.tex", "sub/good1.tga", "bad.png"});
        QCOMPARE(run.status, 1);
        QCOMPARE(QDir(path("out")).entryList(QDir::Files | QDir::Hidden), (QStringList{"good1.tex", "good2.tex"}));
        const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        for (const char* named : {"vtt: bad.tga: ", "vtt: bad.png: ", "vtt: missing.tga: ", "vtt: sub/good1.tga: out/good1.tex",
                                  "vtt: type15.tex: cannot write out/type15.tex: pixel 0, 0 uses palette entry 65"})
            QVERIFY2(run.err.contains(QString::fromUtf8(named)), qPrintable(run.err));
        QCOMPARE(read("out/good2.tex").size(), 14 + 48); // type 17, one level
    }

    void replacesAnExistingOutputOnlyWithForce()
    {
        writeTestFile(dir, "a.tga", tgaFile(2, 2, 32, 0));
        writeTestFile(dir, "a.tex", {'o', 'l', 'd'});
        writeTestFile(dir, ".report.99999-1.tmp", {'m', 'i', 'n', 'e'}); // a user's file, never swept
        const Run refused = vtt({"convert", "-o", "a.tex", "a.tga"});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.contains("a.tex already exists"), qPrintable(refused.err));
        QCOMPARE(read("a.tex"), QByteArray("old"));
        QCOMPARE(vtt({"convert", "--force", "-o", "a.tex", "a.tga"}).status, 0);
        QCOMPARE(read("a.tex").size(), 14 + 16);
        QCOMPARE(read(".report.99999-1.tmp"), QByteArray("mine"));
    }

    // A bad palette file converts nothing; an image without a palette fails
    // on its own; a palette image takes the file's colours, alpha kept.
    void appliesPaletteFiles()
    {
        writeTestFile(dir, "p.tga", tgaFile(2, 2, 8, 0));
        writeTestFile(dir, "rgb.tga", tgaFile(2, 2, 32, 0));
        const auto text = [](std::string_view t) { return std::vector<std::uint8_t>(t.begin(), t.end()); };
        writeTestFile(dir, "two.gpl", text("GIMP Palette\n1 2 3\n4 5 6\n"));
        writeTestFile(dir, "bad.gpl", text("GIMP Palette\n1 2\n"));
        const QStringList args{"convert", "--to", "tga", "--out-dir", "o", "p.tga", "rgb.tga", "--palette"};
        const Run refused = vtt(args + QStringList{"bad.gpl"});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.contains("\"bad.gpl\": line 2 is not a colour"), qPrintable(refused.err));
        QVERIFY(!QDir(path("o")).exists());

        const Run run = vtt(args + QStringList{"two.gpl"});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, "vtt: rgb.tga: --palette needs a palette image, and this one has 32 bits\n");
        QCOMPARE(QDir(path("o")).entryList(QDir::Files), QStringList{"p.tga"});
        auto before = openImage(path("p.tga").toStdString(), ImageFormat::Tga);
        auto after = openImage(path("o/p.tga").toStdString(), ImageFormat::Tga);
        for (std::size_t i = 0; i < 6; ++i)
            before.value().Palette()[i + i / 3] = std::uint8_t(i + 1);
        QVERIFY(after.value().Palette() == before.value().Palette() && std::ranges::equal(after.value().PixelIndices(), before.value().PixelIndices()));
    }

    void specialFilesAreRefusedAtOnce_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        QTest::newRow("info of a FIFO") << QStringList{"info", "p.tga"} << "vtt: p.tga: it is not a regular file";
        QTest::newRow("convert of a FIFO") << QStringList{"convert", "--to", "tex", "--out-dir", "o", "a.tga", "p.tga"}
                                           << "vtt: p.tga: it is not a regular file";
        QTest::newRow("FIFO output with --force") << QStringList{"convert", "-f", "-o", "p.tga", "a.tga"}
                                                  << "cannot write p.tga: it is not a regular file";
        QTest::newRow("info of a socket") << QStringList{"info", "s.tga"} << "vtt: s.tga: it is not a regular file";
        QTest::newRow("convert of a socket and a FIFO only")
            << QStringList{"convert", "--to", "tex", "--out-dir", "o", "s.tga", "p.tga"} << "vtt: s.tga: it is not a regular file";
    }
    void specialFilesAreRefusedAtOnce()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        writeTestFile(dir, "a.tga", tgaFile(2, 2, 32, 0));
        QCOMPARE(::mkfifo(qPrintable(path("p.tga")), 0600), 0);
        sockaddr_un address{AF_UNIX, "s.tga"};
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(QDir::setCurrent(dir.path()) && ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        const Run run = vtt(args, 5000);
        ::close(socket);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QVERIFY(QFileInfo(path("p.tga")).isFile() == false);
        QCOMPARE(QFileInfo::exists(path("o")), args.contains("o") && args.contains("a.tga")); // made only for an output
    }

    void otherUsersLinkInASharedFolderIsRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("link"); // in the shared folder, to the folder "v"; empty: the link is ours
        const QStringList a{"a.tga", "--to", "tex"};
        QTest::newRow("at the output's name") << QStringList{"-f", "-o", "shared/x.tex"} + a << "shared/x.tex";
        QTest::newRow("mid-path") << QStringList{"-f", "-o", "shared/sub/x.tex"} + a << "shared/sub";
        QTest::newRow("mid-path, no --force") << QStringList{"-o", "shared/sub/x.tex"} + a << "shared/sub";
        QTest::newRow("--out-dir") << QStringList{"--out-dir", "shared/sub/o"} + a << "shared/sub";
        QTest::newRow("own link mid-path") << QStringList{"--out-dir", "shared/sub/o"} + a << "";
    }
    void otherUsersLinkInASharedFolderIsRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, link);
        if (::geteuid() != 0)
            QSKIP("giving a link to another user needs root");
        writeTestFile(dir, "a.tga", tgaFile(2, 2, 32, 0));
        QVERIFY(QDir(dir.path()).mkdir("shared") && QDir(dir.path()).mkdir("v"));
        QCOMPARE(::chmod(qPrintable(path("shared")), 01777), 0);
        const QString planted = link.isEmpty() ? "shared/sub" : link;
        QCOMPARE(::symlink(link.endsWith(".tex") ? "../v/x.tex" : "../v", qPrintable(path(planted))), 0);
        QCOMPARE(::lchown(qPrintable(path(planted)), link.isEmpty() ? 0 : 65534, 0), 0);
        const Run run = vtt(QStringList{"convert"} + args);
        QCOMPARE(run.status, link.isEmpty() ? 0 : 1);
        QVERIFY2(link.isEmpty() ? run.err.isEmpty() : run.err.contains("the symbolic link " + link + " belongs to another user"),
                 qPrintable(run.err));
        QCOMPARE(QDir(path("v")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), link.isEmpty() ? QStringList{"o"} : QStringList{});
    }

    void namesAreShownEscaped()
    {
        const QString name = QString::fromUtf8("e\x1b[2J.tex");
        writeTestFile(dir, name, rgba18(1, 0, 0));
        writeTestFile(dir, "b\x1b]0;t\x07.tga", {1, 2});
        const Run info = vtt({"info", name, "b\x1b]0;t\x07.tga"});
        QVERIFY2(info.out.startsWith("e\\x1b[2J.tex: TEX, 3 x 2"), info.out.constData());
        QVERIFY2(info.err.startsWith("vtt: b\\x1b]0;t\\x07.tga: "), qPrintable(info.err));
    }

    void cutShortRunsLeaveNoTemporaryFile_data()
    {
        QTest::addColumn<int>("interrupts"); // none: standard error is closed before vtt writes to it
        QTest::addColumn<bool>("named"); // few descriptors, so that staged files get temporary names
        QTest::newRow("stderr closed") << 0 << false;
        QTest::newRow("interrupted") << 1 << false;
        QTest::newRow("interrupted twice, with named temporaries") << 2 << true;
    }
    void cutShortRunsLeaveNoTemporaryFile()
    {
        QFETCH(int, interrupts);
        QFETCH(bool, named);
        const bool interrupt = interrupts > 0;
        writeTestFile(dir, "a.tga", tgaFile(64, 64, 32, 0));
        QStringList args{"convert", "--to", "tex", "--out-dir", "out", "-j", "2", "missing.tga"};
        for (int i = 0; i < 300; ++i) {
            const QString name = QString("in%1.tga").arg(i);
            QVERIFY(QFile::link(path("a.tga"), path(name)));
            args << name;
        }
        QProcess process;
        process.setWorkingDirectory(dir.path());
        if (named)
            process.setChildProcessModifier([] {
                const rlimit few{40, 40};
                ::setrlimit(RLIMIT_NOFILE, &few);
            });
        process.start(QStringLiteral(VTT_PROGRAM), args);
        QVERIFY(process.waitForStarted());
        if (!interrupt)
            process.closeReadChannel(QProcess::StandardError);
        // Interrupted once the first staged output exists (and so the
        // handler is in place), while the batch is still under way.
        const qint64 pid = process.processId();
        const QString fds = QString("/proc/%1/fd/").arg(pid);
        const QByteArray stagedPrefix = QFile::encodeName(path("out")) + "/";
        for (bool staged = !interrupt; !staged && pid > 0 && !process.waitForFinished(1);) {
            if (named) {
                staged = !QDir(path("out")).entryList({".vtt.*"}, QDir::Files | QDir::Hidden).isEmpty();
                continue;
            }
            for (const QString& fd : QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
                char target[4096];
                const ssize_t length = ::readlink(qPrintable(fds + fd), target, sizeof target);
                if ((staged = length > 0 && QByteArray(target, length).startsWith(stagedPrefix)))
                    break;
            }
        }
        if (interrupt) {
            QVERIFY2(process.state() == QProcess::Running, "the batch ended before an output was staged");
            for (int i = 0; i < interrupts; ++i)
                ::kill(pid_t(pid), SIGINT);
        }
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), interrupt ? 130 : 1);
        const QStringList left = QDir(path("out")).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.filter(QRegularExpression("^\\.")).isEmpty(), qPrintable(left.join(' ')));
        if (!interrupt)
            QCOMPARE(left.size(), 300);
    }

    // Running out of memory while a failure is reported (the test hook fails
    // the first allocation made for a report) fails that file alone.
    void aReportWithoutMemoryFailsOnlyItsFile()
    {
        writeTestFile(dir, "good1.tga", tgaFile(4, 4, 32, 0));
        writeTestFile(dir, "bad.tga", std::vector<std::uint8_t>(30, 0));
        writeTestFile(dir, "good2.tga", tgaFile(4, 4, 24, 0));
        const Run run = vtt({"convert", "--to", "tex", "--out-dir", "out", "-j", "2", "good1.tga", "bad.tga",
                             "missing.tga", "good2.tga"},
                            60000, "VTT_TEST_FAIL_ALLOCATION=1");
        QCOMPARE(run.status, 1);
        QCOMPARE(QDir(path("out")).entryList(QDir::Files), (QStringList{"good1.tex", "good2.tex"}));
        QVERIFY2(run.err.contains("vtt: bad.tga: ") && run.err.contains("vtt: missing.tga: the file does not exist"),
                 qPrintable(run.err));
    }

    // A file whose image alone does not fit in --memory fails before it is
    // read; the others are converted.
    void aFileThatCannotFitFailsBeforeItIsRead()
    {
        writeTestFile(dir, "big.tga", tgaFile(512, 512, 32, 0));
        writeTestFile(dir, "small.tga", tgaFile(16, 16, 32, 0));
        const Run run = vtt({"convert", "--memory", "2M", "--to", "tex", "--out-dir", "out", "big.tga", "small.tga"});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith("vtt: big.tga: not enough memory to convert a 512 x 512 image (")
                     && run.err.endsWith(" MiB, of 2.0 MiB available)\n"),
                 qPrintable(run.err));
        QCOMPARE(QDir(path("out")).entryList(QDir::Files), QStringList{"small.tex"});
    }

    // A decode of many seconds (a 20000 x 20000 PNG of 16-bit zeros) stops
    // within the second at the first signal, and at once at the second.
    void signalsEndALongDecodeAtOnce_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("one") << 1;
        QTest::newRow("two") << 2;
    }
    void signalsEndALongDecodeAtOnce()
    {
        QFETCH(int, count);
        writeZeroPng(path("bomb.png"), 20000, 16);
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(VTT_PROGRAM), {"convert", "--to", "tga", "--out-dir", "out", "bomb.png"});
        QVERIFY(process.waitForStarted());
        // Once the image is being decoded (its memory grows).
        const QString status = QString("/proc/%1/status").arg(process.processId());
        for (int i = 0; i < 1000 && !process.waitForFinished(10); ++i) {
            QFile f(status);
            if (f.open(QIODevice::ReadOnly)) {
                const QByteArray text = f.readAll();
                const qsizetype at = text.indexOf("VmRSS:");
                if (at >= 0 && text.mid(at + 6).trimmed().split(' ').first().toLong() > 100 * 1024)
                    break;
            }
        }
        QVERIFY2(process.state() == QProcess::Running, "the decode ended before it was interrupted");
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                QTest::qSleep(200); // two signals sent at once would arrive as one
            ::kill(pid_t(process.processId()), SIGINT);
        }
        QVERIFY(process.waitForFinished(20000));
        const auto took = std::chrono::steady_clock::now() - start;
        QCOMPARE(process.exitCode(), 130);
#if defined(__SANITIZE_ADDRESS__)
        // The sanitizer fills the new image element by element, which no
        // signal interrupts but a second.
        const auto bound = std::chrono::seconds(count == 1 ? 15 : 2);
#else
        const auto bound = std::chrono::seconds(2);
#endif
        QVERIFY2(took < bound, "the decode went on after the signal");
        QVERIFY(QDir(path("out")).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    // info reads headers only: a decompression bomb and a small image
    // followed by 2 GiB (a sparse file) cost a few megabytes.
    void infoReadsOnlyTheHeader_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::vector<std::uint8_t>>("start"); // empty: the PNG bomb
        QTest::newRow("png bomb") << "bomb.png" << std::vector<std::uint8_t>{};
        QTest::newRow("targa and 2 GiB") << "tail.tga" << tgaFile(1, 1, 32, 0);
        QTest::newRow("tex and 2 GiB") << "tail.tex" << rgba18(1, 0, 0);
    }
    void infoReadsOnlyTheHeader()
    {
        QFETCH(QString, name);
        QFETCH(std::vector<std::uint8_t>, start);
        if (start.empty()) {
            writeZeroPng(path(name), 20000, 8);
        } else {
            writeTestFile(dir, name, start);
            QCOMPARE(::truncate(qPrintable(path(name)), off_t(start.size()) + (off_t(2) << 30)), 0);
        }
        for (const QStringList& args : {QStringList{"info", name}, QStringList{"convert", "--to", "png", "--out-dir", "o", name}}) {
            if (start.empty() && args[0] == "convert")
                continue; // its image is 1.6 GB
            const auto [status, peakKiB] = vttPeak(args);
            QCOMPARE(status, 0);
#if defined(__SANITIZE_ADDRESS__)
            constexpr long bound = 256 * 1024; // the sanitizer's own memory
#else
            constexpr long bound = 20 * 1024;
#endif
            QVERIFY2(peakKiB > 0 && peakKiB < bound, qPrintable(QString("%1: %2 KiB").arg(args.join(' ')).arg(peakKiB)));
        }
    }

    void usageErrorsDoNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"frob", "a.tga"};
        QTest::newRow("no output") << QStringList{"convert", "--to", "tex", "a.tga"};
        QTest::newRow("-o with two inputs") << QStringList{"convert", "-o", "x.tex", "a.tga", "a.tga"};
        QTest::newRow("format not decided") << QStringList{"convert", "--out-dir", "x", "a.tga"};
        QTest::newRow("bad --to") << QStringList{"convert", "--to", "gif", "--out-dir", "x", "a.tga"};
        QTest::newRow("mips out of range") << QStringList{"convert", "--mips", "40000", "-o", "x.tex", "a.tga"};
        QTest::newRow("three channels") << QStringList{"convert", "--channels", "B,G,R", "-o", "x.tex", "a.tga"};
        QTest::newRow("rotate by 45") << QStringList{"convert", "--rotate", "45", "-o", "x.tex", "a.tga"};
        QTest::newRow("no threads") << QStringList{"convert", "-j", "0", "-o", "x.tex", "a.tga"};
        QTest::newRow("memory not a size") << QStringList{"convert", "--memory", "4X", "-o", "x.tex", "a.tga"};
        QTest::newRow("info without files") << QStringList{"info", "--json"};
        QTest::newRow("resize without a height") << QStringList{"convert", "--resize", "64", "-o", "x.tex", "a.tga"};
        QTest::newRow("type against mode")
            << QStringList{"convert", "--type", "18", "--mode", "rgb", "-o", "x.tex", "a.tga"};
        QTest::newRow("17 colours of 16") << QStringList{"convert", "--mode", "indexed16", "--colors", "17", "-o",
                                                         "x.tex", "a.tga"};
        QTest::newRow("dither without a palette") << QStringList{"convert", "--dither", "fs", "-o", "x.tex", "a.tga"};
        QTest::newRow("unknown mip filter") << QStringList{"convert", "--mip-filter", "cubic", "-o", "x.tex", "a.tga"};
    }

    void usageErrorsDoNothing()
    {
        QFETCH(QStringList, args);
        writeTestFile(dir, "a.tga", tgaFile(2, 2, 32, 0));
        const Run run = vtt(args);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains("usage: vtt"), qPrintable(run.err));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"a.tga"});
    }

    void infoPrintsOneJsonObjectPerFile()
    {
        const QString name = QString::fromUtf8("q\"\xc3\xa9\t.tex");
        writeTestFile(dir, name, rgba18(3, -1, 70000));
        const Run run = vtt({"info", "--json", name, "missing.tga"});
        QCOMPARE(run.status, 1);
        const QList<QByteArray> lines = run.out.split('\n');
        QCOMPARE(lines.size(), 3);
        const QJsonObject info = QJsonDocument::fromJson(lines[0]).object();
        QCOMPARE(info["file"].toString(), name);
        QCOMPARE(info["format"].toString(), "tex");
        QCOMPARE(info["width"].toInt() * 10 + info["height"].toInt(), 32);
        QCOMPARE(info["depth"].toInt(), 32);
        QCOMPARE(info["mips"].toInt(), 3);
        QCOMPARE(info["tex"].toObject()["bits"].toInt(), 70000);
        QCOMPARE(QJsonDocument::fromJson(lines[1]).object()["error"].toString(), "the file does not exist");
    }
};

QTEST_GUILESS_MAIN(VttTest)
#include "test_vtt.moc"
