#include "codecs/TexReader.h"
#include "support/Documents.h"
#include "files/FileAccess.h"
#include "shell/FileMessages.h"
#include "shell/frmSkelvo.h"
#include "support/SavedImages.h"
#include "support/ScriptedPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <limits>
#include <sys/resource.h>

using namespace vtt;
using namespace vtt::testing;

using ByteVector = std::vector<std::uint8_t>;

namespace {

const HeaderPanelTexts DesignTexts{QStringLiteral("1"), QStringLiteral("0"), QString()};

// Lowers the process's file-size limit, so that writes past it fail with
// EFBIG as on a full disk, and puts it back when the test ends however it
// ends. SIGXFSZ would otherwise end the test program itself.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool active() const { return active_; }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

} // namespace

// The Save command over a session that holds `doc`.
bool saveDocument(ImageDocument& doc, Platform& platform, QWidget* parent, const HeaderPanelTexts& panel)
{
    RecentFilesInMemory recent;
    DocumentSession session(doc, recent);
    return vtt::saveDocument(session, platform, parent, panel);
}

class SaveCommandTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    ScriptedPlatform platform;

    QString pathOf(const QString& name) const { return dir->filePath(name); }

    void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write test file");
        f.write(bytes);
    }

    static QByteArray contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static ByteVector bytesOf(const QString& path)
    {
        const QByteArray data = contents(path);
        return ByteVector(data.begin(), data.end());
    }

    static QByteArray oldFile() { return QByteArray(1000, 'x'); }

    static ImageDocument loadTex(const ByteVector& file)
    {
        ReadResult r = readTex(Bytes(file.data(), file.size()));
        if (!r.has_value())
            qFatal("test file does not load");
        return r.value();
    }

    // 2 x 2 type 18, the header panel showing what was loaded.
    static ImageDocument rgbaTex()
    {
        ByteVector f = texHeader(2, 2, 18, 1, -1, 2147483647);
        append(f, {255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255, 255, 255, 255, 7});
        return loadTex(f);
    }

    // Replacing another file is agreed to.
    void save(ImageDocument& doc, const QString& path, int filter, const HeaderPanelTexts& panel = DesignTexts)
    {
        platform.answerFile(path, filter);
        platform.yesNoAnswers = {true};
        saveDocument(doc, platform, nullptr, panel);
    }

    QStringList filesInDir() const { return QDir(dir->path()).entryList(QDir::Files | QDir::Hidden); }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        platform = ScriptedPlatform{};
    }

    void cancelChangesNothing()
    {
        ImageDocument doc = rgbaTex();
        doc.Facts.FileName = "before.tex";
        platform.cancelFile();
        saveDocument(doc, platform, nullptr, DesignTexts);
        QCOMPARE(platform.fileDialogWasSave, std::vector<bool>{true});
        QCOMPARE(doc.Facts.FileName, std::string("before.tex"));
        QVERIFY(platform.messages.empty());
        QVERIFY(filesInDir().isEmpty());
    }

    // The typed extension decides; the filter names the format only for a
    // name without a known extension, and its extension is added.
    void typedExtensionDecidesTheFormat_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("format");
        QTest::newRow("png name, Targa filter") << "rot.png" << 2 << "rot.png" << int(ImageFormat::Png);
        QTest::newRow("upper-case tga, TEX filter") << "a.TGA" << 1 << "a.TGA" << int(ImageFormat::Tga);
        QTest::newRow("tex name, PNG filter") << "b.tex" << 3 << "b.tex" << int(ImageFormat::Tex);
        QTest::newRow("bare name, Targa filter") << "plain" << 2 << "plain.tga" << int(ImageFormat::Tga);
        QTest::newRow("other extension, PNG filter") << "v1.2" << 3 << "v1.2.png" << int(ImageFormat::Png);
        QTest::newRow("bare name, All Images") << "plain" << 4 << "plain.tex" << int(ImageFormat::Tex);
    }
    void typedExtensionDecidesTheFormat()
    {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(QString, written);
        QFETCH(int, format);
        ImageDocument doc = rgbaTex();
        save(doc, pathOf(typed), filter, {"1", "-1", "2147483647"});
        QCOMPARE(filesInDir(), QStringList{written});
        const ByteVector bytes = bytesOf(pathOf(written));
        const int sniffed = bytes.size() > 8 && bytes[1] == 'P' && bytes[2] == 'N' ? int(ImageFormat::Png)
                          : bytes.size() == 18 + 16                               ? int(ImageFormat::Tga)
                          : bytes.size() == 14 + 16                               ? int(ImageFormat::Tex) : -1;
        QCOMPARE(sniffed, format);
        // Opened again as the dialog now starts: the same picture.
        const ChosenFile again =
            readChosenFile(platform.dialogState().path.toStdString(), platform.dialogState().filterIndex);
        QCOMPARE(int(again.format), format);
        QVERIFY(again.read.image);
        QCOMPARE(vtt::testing::bytesOf(again.read.image->PixelBytes()), vtt::testing::bytesOf(rgbaTex().PixelBytes()));
    }

    // Only the document's own file is replaced without a question; No keeps
    // the other file byte for byte.
    void replacingAnotherFileAsks()
    {
        const QString other = pathOf("other.tga");
        for (const bool yes : {false, true}) {
            writeFile(other, oldFile());
            ImageDocument doc = rgbaTex();
            platform.answerFile(other, 2);
            platform.yesNoAnswers = {yes};
            QCOMPARE(saveDocument(doc, platform, nullptr, DesignTexts), yes);
            QCOMPARE(platform.questions.back(), QStringLiteral("other.tga already exists. Replace it?"));
            QCOMPARE(contents(other) == oldFile(), !yes);
        }
    }

    void panelBoxesOnATexSave_data()
    {
        QTest::addColumn<QString>("mips");
        QTest::addColumn<QString>("unknown");
        QTest::addColumn<QString>("bits");
        QTest::addColumn<QString>("refusal"); // empty when the file is written
        QTest::addColumn<int>("mipCount");
        QTest::addColumn<int>("unknownValue");
        QTest::addColumn<int>("bitsValue");
        const QString shortRange = QStringLiteral("from -32768 to 32767");
        const QString longRange = QStringLiteral("from -2147483648 to 2147483647");
        auto refused = [](const char* box, const QString& range, const char* text) {
            return QStringLiteral("the %1 box must hold a whole number %2, not \"%3\"")
                .arg(QLatin1String(box), range, QLatin1String(text));
        };
        const int lowest = std::numeric_limits<std::int32_t>::min();
        QTest::newRow("design texts") << "1" << "0" << "" << "" << 1 << 0 << 0;
        QTest::newRow("all empty") << "" << "" << "" << "" << 0 << 0 << 0;
        QTest::newRow("edited, spaces around") << " 3 " << "-32768" << "-2147483648" << "" << 3 << -32768 << lowest;
        QTest::newRow("largest") << "32767" << "32767" << "2147483647" << "" << 32767 << 32767 << 2147483647;
        QTest::newRow("mips not a number") << "abc" << "0" << "0" << refused("Mips", shortRange, "abc") << 0 << 0 << 0;
        QTest::newRow("mips too large") << "32768" << "0" << "0" << refused("Mips", shortRange, "32768") << 0 << 0 << 0;
        QTest::newRow("unknown not whole") << "1" << "1.5" << "0" << refused("Unknown", shortRange, "1.5") << 0 << 0
                                           << 0;
        QTest::newRow("unknown too small") << "1" << "-32769" << "0" << refused("Unknown", shortRange, "-32769") << 0
                                           << 0 << 0;
        QTest::newRow("bits too large") << "1" << "0" << "2147483648" << refused("Bits", longRange, "2147483648") << 0
                                        << 0 << 0;
        QTest::newRow("bits with a percent") << "1" << "0" << "%1x" << refused("Bits", longRange, "%1x") << 0 << 0 << 0;
    }
    void panelBoxesOnATexSave()
    {
        QFETCH(QString, mips);
        QFETCH(QString, unknown);
        QFETCH(QString, bits);
        QFETCH(QString, refusal);
        QFETCH(int, mipCount);
        QFETCH(int, unknownValue);
        QFETCH(int, bitsValue);
        // Opened as TEX: the boxes are read all the same.
        ImageDocument doc = rgbaTex();
        const QString path = pathOf("out.tex");
        writeFile(path, oldFile());
        save(doc, path, 1, {mips, unknown, bits});

        if (!refusal.isEmpty()) {
            QCOMPARE(platform.messages.size(), std::size_t(1));
            QCOMPARE(platform.messages[0].text, QStringLiteral("Could not save \"%1\": %2.").arg(path, refusal));
            QCOMPARE(platform.messages[0].style, MessageStyle::Stop);
            QCOMPARE(contents(path), oldFile());
            QCOMPARE(doc.Facts.Tex.MipCount, std::int16_t(1));
            QCOMPARE(doc.Facts.Tex.Unknown, std::int16_t(-1));
            QCOMPARE(doc.Facts.Tex.Bits, 2147483647);

            // A TGA save uses none of the boxes and goes ahead.
            save(doc, pathOf("out.tga"), 2, {mips, unknown, bits});
            QCOMPARE(platform.messages.size(), std::size_t(1));
            QCOMPARE(bytesOf(pathOf("out.tga")).size(), std::size_t(18 + 16));
            return;
        }
        QVERIFY(platform.messages.empty());
        const ByteVector out = bytesOf(path);
        QCOMPARE(ByteVector(out.begin(), out.begin() + 14),
                 texHeader(2, 2, 18, std::int16_t(mipCount), std::int16_t(unknownValue), bitsValue));
        QCOMPARE(doc.Facts.Tex.MipCount, std::int16_t(mipCount));
        QCOMPARE(doc.Facts.Tex.Unknown, std::int16_t(unknownValue));
        QCOMPARE(doc.Facts.Tex.Bits, bitsValue);
    }

    void historicalTypesShowTheirMessageAndWriteNothing_data()
    {
        addHistoricalTypeMessages();
    }
    void historicalTypesShowTheirMessageAndWriteNothing()
    {
        QFETCH(int, type);
        QFETCH(QString, message);
        ImageDocument doc = indexedDocument(2, 2, ImageFormat::Tex);
        doc.Facts.Tex.Type = std::int16_t(type);
        doc.Facts.Tex.MipCount = 4;
        const QString existing = pathOf("existing.tex");
        writeFile(existing, oldFile());
        save(doc, existing, 1);
        save(doc, pathOf("new.tex"), 1);

        QCOMPARE(platform.messages.size(), std::size_t(2));
        for (const RecordedMessage& m : platform.messages) {
            QCOMPARE(m.text, message);
            QCOMPARE(m.style, MessageStyle::Plain);
            QCOMPARE(m.title, ProgramTitle);
        }
        QCOMPARE(contents(existing), oldFile());
        QCOMPARE(filesInDir(), QStringList{"existing.tex"});
        QCOMPARE(doc.Facts.Tex.MipCount, std::int16_t(4));

        // As TGA the same document is an ordinary 8-bit colour-mapped file.
        save(doc, pathOf("as.tga"), 2);
        QCOMPARE(platform.messages.size(), std::size_t(2));
        QCOMPARE(bytesOf(pathOf("as.tga")).size(), std::size_t(18 + 768 + 4));
    }

    void neverOpenedDocumentWritesNothing_data()
    {
        QTest::addColumn<int>("filter");
        QTest::newRow("as TEX") << 1;
        QTest::newRow("as TGA") << 2;
    }
    void neverOpenedDocumentWritesNothing()
    {
        QFETCH(int, filter);
        ImageDocument doc;
        const QString path = pathOf("empty.out");
        save(doc, path, filter);
        QCOMPARE(platform.messages.size(), std::size_t(1));
        QCOMPARE(platform.messages[0].style, MessageStyle::Stop);
        const QString written = path + (filter == 1 ? ".tex" : ".tga"); // the filter's extension added
        QVERIFY(platform.messages[0].text.startsWith(QStringLiteral("Could not save \"%1\": no image").arg(written)));
        QVERIFY(filesInDir().isEmpty());
    }

    void convertedFieldsStayAndFileKindDoesNot()
    {
        // A 24-bit TGA saved as TEX becomes type 17 in the document; saved
        // again as TGA it is the 24-bit file it was.
        ByteVector tga = tgaFile(3, 2, 24, 0x20);
        ImageDocument doc = directDocument(3, 2, 24, ImageFormat::Tga);
        for (std::size_t i = 0; i < 6; ++i) {
            doc.PixelBytes()[4 * i + 0] = tga[18 + 3 * i + 2];
            doc.PixelBytes()[4 * i + 1] = tga[18 + 3 * i + 1];
            doc.PixelBytes()[4 * i + 2] = tga[18 + 3 * i + 0];
        }
        doc.Facts.Tga.Descriptor = 0x20;
        doc.Facts.Tex.Type = 1;
        save(doc, pathOf("a.tex"), 1, {"2", "5", "6"});
        QVERIFY(platform.messages.empty());
        QCOMPARE(doc.Facts.Tex.Type, std::int16_t(17));
        QCOMPARE(doc.Facts.Kind, ImageFormat::Tga);
        QCOMPARE(bytesOf(pathOf("a.tex")).size(), std::size_t(14 + 3 * (6 + 1)));
        save(doc, pathOf("b.tga"), 2);
        QCOMPARE(bytesOf(pathOf("b.tga")), tga);
    }

    void shorterFileReplacesALongerOneWhole()
    {
        // 18 + 16 bytes of Targa over a 1000-byte file: no old tail survives,
        // and no temporary is left beside it.
        ImageDocument rgba = rgbaTex();
        const QString tga = pathOf("shrinks.tga");
        writeFile(tga, oldFile());
        save(rgba, tga, 2);
        QVERIFY(platform.messages.empty());
        QCOMPARE(contents(tga).size(), 18 + 16);
        QCOMPARE(filesInDir(), QStringList{"shrinks.tga"});
    }

    void atomicWriteKeepsPermissionsAndLinks()
    {
        // Written through a link: the file it points to is replaced, keeps
        // its permission bits, and the link stays a link.
        const QString path = pathOf("target.bin");
        writeFile(path, oldFile());
        const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
        QVERIFY(QFile::setPermissions(path, mode));
        QVERIFY(QFile::link(path, pathOf("link.bin")));
        ByteVector hundred(100);
        for (std::size_t i = 0; i < hundred.size(); ++i)
            hundred[i] = std::uint8_t(i);
        QVERIFY(writeFileAtomically(pathOf("link.bin").toStdString(), hundred));
        QCOMPARE(bytesOf(path), hundred);
        QVERIFY(QFileInfo(pathOf("link.bin")).isSymLink());
        QCOMPARE(QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), mode);
        QCOMPARE(filesInDir(), (QStringList{"link.bin", "target.bin"}));
    }

    void fullDiskLeavesTheOldFileByteForByte()
    {
        // 64 x 64 type 18 with 7 levels is over 21,000 bytes; the limit lets
        // no more than 4,096 of them out.
        ImageDocument doc = directDocument(64, 64, 32, ImageFormat::Tex);
        doc.Facts.Tex.Type = 18;
        const QString path = pathOf("full.tex");
        QByteArray old(1000, '\0');
        for (int i = 0; i < old.size(); ++i)
            old[i] = char(i * 7);
        writeFile(path, old);
        {
            FileSizeLimit limit(4096);
            QVERIFY(limit.active());
            save(doc, path, 1, {"7", "0", "0"});
        }
        QCOMPARE(contents(path), old);
        QCOMPARE(filesInDir(), QStringList{"full.tex"});
        QCOMPARE(platform.messages.size(), std::size_t(1));
        QCOMPARE(platform.messages[0].style, MessageStyle::Stop);
        const QString failed = QStringLiteral("Could not save \"%1\": it could not be written").arg(path);
        QVERIFY2(platform.messages[0].text.startsWith(failed), qPrintable(platform.messages[0].text));
        QCOMPARE(doc.Facts.Tex.MipCount, std::int16_t(0));

        // The conversion a failed save made is undone as well.
        ImageDocument tex = rgbaTex();
        tex.Facts.Tex.Type = 17; // as TGA it would become 24-bit
        {
            FileSizeLimit limit(10);
            save(tex, path, 2);
        }
        QCOMPARE(contents(path), old);
        QCOMPARE(tex.BitDepth(), std::uint8_t(32));
        QCOMPARE(tex.Facts.Tga.ImageType, std::uint8_t(0));
        QCOMPARE(platform.messages.size(), std::size_t(2));

        // Afterwards the same save goes through.
        save(doc, path, 1, {"7", "0", "0"});
        QCOMPARE(platform.messages.size(), std::size_t(2));
        QCOMPARE(contents(path).size(), 14 + 4 * (4096 + 1024 + 256 + 64 + 16 + 4 + 1));
    }

    void missingFolderIsReported()
    {
        ImageDocument doc = rgbaTex();
        doc.Facts.FileName = "before.tex";
        const QString path = pathOf("no/such/folder/out.tex");
        platform.answerFile(path, 1);
        QVERIFY(!saveDocument(doc, platform, nullptr, DesignTexts));
        QCOMPARE(doc.Facts.FileName, std::string("before.tex")); // still the file it came from
        QCOMPARE(platform.messages.size(), std::size_t(1));
        QCOMPARE(platform.messages[0].style, MessageStyle::Stop);
        const QString failed = QStringLiteral("Could not save \"%1\": it could not be created").arg(path);
        QVERIFY2(platform.messages[0].text.startsWith(failed), qPrintable(platform.messages[0].text));
        QVERIFY(!QFile::exists(path));
    }

    // After a recent-file open, Enter in the Save dialog writes that file
    // again in its format, not the file saved last.
    void saveAfterRecentOpenWritesTheSameFile()
    {
        ImageDocument doc;
        frmSkelvo window(doc, platform);
        const QString own = pathOf("own.tex"), last = pathOf("last.tga");
        ImageDocument seed = rgbaTex();
        save(seed, own, 1, {"1", "-1", "2147483647"});
        platform.answerFile(own, 1);
        window.mnuOpen_Click();
        platform.answerFile(last, 2);
        window.mnuSave_Click();
        const QByteArray lastBytes = contents(last);
        window.openRecent(own);
        window.mnuFlip_Click();
        platform.acceptFileAsStarted();
        window.mnuSave_Click();
        QVERIFY(platform.questions.empty() && platform.messages.empty());
        QCOMPARE(contents(last), lastBytes);
        QCOMPARE(contents(own).mid(14, 4), QByteArray("\0\0\xff\xff", 4)); // blue, flipped to the top
    }

    void mainWindowSavesTheBoxesAsEdited()
    {
        // Through the window: a TEX document's edited Unknown and Bits boxes
        // reach the file.
        ImageDocument doc;
        frmSkelvo window(doc, platform);
        const QString source = pathOf("source.tex");
        ByteVector file = texHeader(2, 2, 18, 1, -1, 2147483647);
        append(file, {255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255, 255, 255, 255, 7});
        writeFile(source, QByteArray(reinterpret_cast<const char*>(file.data()), qsizetype(file.size())));
        platform.answerFile(source, 1);
        window.mnuOpen_Click();
        QVERIFY(platform.messages.empty());

        window.findChild<QLineEdit*>("txtUnknown")->setText("12");
        window.findChild<QLineEdit*>("txtBits")->setText("-3");
        const QString target = pathOf("target.tex");
        platform.answerFile(target, 1);
        window.mnuSave_Click();
        QVERIFY(platform.messages.empty());
        QCOMPARE(bytesOf(target), [&] {
            ByteVector expected = texHeader(2, 2, 18, 1, 12, -3);
            expected.insert(expected.end(), file.begin() + 14, file.end());
            return expected;
        }());
    }
};

QTEST_MAIN(SaveCommandTest)
#include "test_save_command.moc"
