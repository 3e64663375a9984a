#include "shell/frmSkelvo.h"
#include "support/SavedImages.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "view/PictureArea.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

using namespace vtt;
using namespace vtt::testing;

namespace {

// A top-down 32-bit Targa whose first pixel has blue `blue`.
std::vector<std::uint8_t> image(int width, int height, std::uint8_t blue)
{
    auto bytes = tgaFile(width, height, 32, 0x28);
    bytes[18] = blue;
    return bytes;
}

enum class Disk { Untouched, Replaced, NewSize, HalfWritten, Removed };

} // namespace

Q_DECLARE_METATYPE(Disk)

class DiskChangesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ImageDocument doc;
    ScriptedPlatform platform;
    std::unique_ptr<frmSkelvo> window;

    QString path(const QString& name) const { return dir.filePath(name); }
    QAction* recentItem(int i) const
    {
        emit window->findChild<QMenu*>(QStringLiteral("mnuRecent"))->aboutToShow();
        return window->menuAction(QStringLiteral("mnuRecent_%1").arg(i));
    }

    // Another program's save: a new file renamed over the old one.
    void replace(const QString& name, const std::vector<std::uint8_t>& bytes)
    {
        writeTestFile(dir, QStringLiteral(".new"), bytes);
        QCOMPARE(std::rename(path(".new").toLocal8Bit().constData(), path(name).toLocal8Bit().constData()), 0);
    }

private slots:
    void init()
    {
        doc = ImageDocument{};
        platform = ScriptedPlatform{};
        window = std::make_unique<frmSkelvo>(doc, platform);
        writeTestFile(dir, QStringLiteral("a.tga"), image(4, 3, 1));
        window->openNamed(path("a.tga"));
        QCOMPARE(doc.PixelBytes[2], std::uint8_t(1));
    }
    void cleanup() { window.reset(); }

    void reloadsWhenUnmodified_data()
    {
        QTest::addColumn<Disk>("change");
        QTest::addColumn<int>("blue");        // of the first pixel afterwards
        QTest::addColumn<double>("scale");    // the view's afterwards
        QTest::addColumn<QString>("message"); // part of the one message expected
        QTest::newRow("untouched") << Disk::Untouched << 1 << 2.0 << QString();
        QTest::newRow("replaced, same size: view kept") << Disk::Replaced << 9 << 2.0 << QString();
        QTest::newRow("rewritten, new size: view reset") << Disk::NewSize << 9 << 1.0 << QString();
        QTest::newRow("half written") << Disk::HalfWritten << 1 << 2.0 << "could not be read again";
        QTest::newRow("removed") << Disk::Removed << 1 << 2.0 << "is no longer on disk";
    }
    void reloadsWhenUnmodified()
    {
        QFETCH(Disk, change);
        window->picture()->zoomIn();
        if (change == Disk::Replaced)
            replace("a.tga", image(4, 3, 9));
        if (change == Disk::NewSize)
            writeTestFile(dir, QStringLiteral("a.tga"), image(5, 2, 9));
        if (change == Disk::HalfWritten) {
            auto half = image(4, 3, 9);
            half.resize(half.size() / 2);
            writeTestFile(dir, QStringLiteral("a.tga"), half);
        }
        if (change == Disk::Removed)
            QVERIFY(QFile::remove(path("a.tga")));
        // Each change is handled at the first activation and only then.
        window->checkFileOnDisk();
        window->checkFileOnDisk();
        QFETCH(int, blue);
        QFETCH(double, scale);
        QFETCH(QString, message);
        QCOMPARE(doc.PixelBytes[2], std::uint8_t(blue));
        QCOMPARE(window->picture()->view().scale(), scale);
        QCOMPARE(platform.messages.size(), std::size_t(!message.isEmpty()));
        if (!message.isEmpty())
            QVERIFY2(platform.messages.front().text.contains(message)
                         && platform.messages.front().text.contains(path("a.tga")),
                     qPrintable(platform.messages.front().text));
        QVERIFY(platform.questions.empty());
    }

    void asksWhenModified_data()
    {
        QTest::addColumn<bool>("reload");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void asksWhenModified()
    {
        QFETCH(bool, reload);
        window->mnuFlip_Click();
        if (!window->isModified())
            QSKIP("the window does not track changes yet");
        const PixelArray flipped = doc.PixelBytes;
        replace("a.tga", image(4, 3, 9));
        platform.yesNoAnswers.push_back(reload);
        window->checkFileOnDisk();
        window->checkFileOnDisk();
        QCOMPARE(platform.questions, (std::vector<QString>{"a.tga changed on disk. Reload it and lose your changes?"}));
        QCOMPARE(doc.PixelBytes[2], reload ? std::uint8_t(9) : flipped[2]);
        QCOMPARE(window->isModified(), !reload);
    }

    // The last eight opened or saved, newest first; a missing one is said
    // and dropped, and choosing another opens it.
    void recentFiles()
    {
        QStringList expected{path("a.tga")};
        for (int i = 0; i < 8; ++i) {
            const QString name = QStringLiteral("r%1.tga").arg(i);
            writeTestFile(dir, name, image(2, 2, std::uint8_t(i)));
            window->openNamed(path(name));
            expected.prepend(path(name));
        }
        window->openNamed(path("r2.tga")); // to the front again, once
        expected.move(expected.indexOf(path("r2.tga")), 0);
        expected.removeLast();
        platform.answerFile(path("saved.tga"), 2);
        window->mnuSave_Click();
        expected.prepend(path("saved.tga"));
        expected.removeLast();
        QCOMPARE(platform.setting("recentFiles").toStringList(), expected);
        QCOMPARE(recentItem(0)->text(), "&1 " + path("saved.tga"));

        QVERIFY(QFile::remove(path("r7.tga")));
        recentItem(2)->trigger(); // r7
        QCOMPARE(platform.messages.size(), std::size_t(1));
        QVERIFY(platform.messages.front().text.contains(path("r7.tga")));
        QVERIFY(!platform.setting("recentFiles").toStringList().contains(path("r7.tga")));
        QCOMPARE(doc.FileName, path("saved.tga").toStdString());

        recentItem(2)->trigger(); // r6, now in r7's place
        QCOMPARE(doc.FileName, path("r6.tga").toStdString());
        QCOMPARE(doc.PixelBytes[2], std::uint8_t(6));
    }
};

QTEST_MAIN(DiskChangesTest)
#include "test_disk_changes.moc"
