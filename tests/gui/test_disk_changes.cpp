#include "shell/frmSkelvo.h"
#include "support/SavedImages.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "view/PictureArea.h"

#include <QAction>
#include <QMenu>
#include <QtTest>

#include <cstdio>

using namespace vtt;
using namespace vtt::testing;

// A top-down 32-bit Targa whose first pixel has blue `blue`.
static std::vector<std::uint8_t> image(int width, int height, std::uint8_t blue, std::size_t keep = SIZE_MAX)
{
    auto bytes = tgaFile(width, height, 32, 0x28);
    bytes[18] = blue;
    bytes.resize(std::min(keep, bytes.size()));
    return bytes;
}

class DiskChangesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ImageDocument doc;
    ScriptedPlatform platform;
    std::unique_ptr<frmSkelvo> window;

    QString path(const QString& name) const { return dir.filePath(name); }
    // Another program's save: a new file renamed over the old one.
    void replace(const std::vector<std::uint8_t>& bytes)
    {
        writeTestFile(dir, ".new", bytes);
        QCOMPARE(std::rename(path(".new").toLocal8Bit(), path("a.tga").toLocal8Bit()), 0);
    }

private slots:
    void init()
    {
        platform = ScriptedPlatform{};
        window = std::make_unique<frmSkelvo>(doc, platform);
        writeTestFile(dir, "a.tga", image(4, 3, 1));
        window->openNamed(path("a.tga"));
    }
    void cleanup() { window.reset(); }

    // Each change is handled at the first activation after it, and only then.
    void reloadsWhenUnmodified_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("blue");        // of the first pixel afterwards
        QTest::addColumn<double>("scale");    // of the view afterwards
        QTest::addColumn<QString>("message"); // how the one message expected goes on after the file's name
        QTest::newRow("untouched") << "" << 1 << 2.0 << "";
        QTest::newRow("replaced, same size: view kept") << "replace" << 9 << 2.0 << "";
        QTest::newRow("rewritten, new size: view reset") << "resize" << 9 << 1.0 << "";
        QTest::newRow("half written") << "half" << 1 << 2.0 << "changed on disk but could not be read again";
        QTest::newRow("removed") << "remove" << 1 << 2.0 << "is no longer on disk";
    }
    void reloadsWhenUnmodified()
    {
        QFETCH(QString, change);
        window->picture()->zoomIn();
        if (change == "replace")
            replace(image(4, 3, 9));
        if (change == "resize" || change == "half")
            writeTestFile(dir, "a.tga", change == "half" ? image(4, 3, 9, 40) : image(5, 2, 9));
        if (change == "remove")
            QVERIFY(QFile::remove(path("a.tga")));
        window->checkFileOnDisk();
        window->checkFileOnDisk();
        QFETCH(int, blue);
        QFETCH(double, scale);
        QFETCH(QString, message);
        QCOMPARE(doc.PixelBytes()[2], std::uint8_t(blue));
        QCOMPARE(window->picture()->view().scale(), scale);
        QCOMPARE(platform.messages.size(), std::size_t(!message.isEmpty()));
        QVERIFY(message.isEmpty() || platform.messages.front().text.startsWith(path("a.tga") + ' ' + message));
        QVERIFY(platform.questions.empty());
    }

    void asksWhenModified()
    {
        for (const bool reload : {false, true}) {
            window->mnuFlip_Click();
            QVERIFY(window->isModified());
            const std::uint8_t flipped = doc.PixelBytes()[2];
            replace(image(4, 3, std::uint8_t(9 + reload)));
            platform.yesNoAnswers.push_back(reload);
            window->checkFileOnDisk();
            window->checkFileOnDisk();
            QCOMPARE(platform.questions, std::vector<QString>(1 + reload, "a.tga changed on disk. Reload it and lose your changes?"));
            QCOMPARE(doc.PixelBytes()[2], reload ? std::uint8_t(10) : flipped);
            QCOMPARE(window->isModified(), !reload);
        }
    }

    // The last eight opened or saved, newest first; a missing one is said
    // and dropped, and choosing another opens it.
    void recentFiles()
    {
        QStringList expected;
        for (const char* name : {"r0", "r1", "r2", "r3", "r4", "r5", "r6", "r7", "r2"}) {
            writeTestFile(dir, name, image(2, 2, std::uint8_t(name[1])));
            window->openNamed(path(name));
            expected.removeAll(path(name));
            expected.prepend(path(name));
        }
        platform.answerFile(path("saved.tga"), 2);
        window->mnuSave_Click();
        expected.prepend(path("saved.tga"));
        QCOMPARE(platform.setting("recentFiles").toStringList(), expected.mid(0, 8));
        QVERIFY(QFile::remove(path("r7")));
        for (int i = 0; i < 2; ++i) { // r7 first, then r6 in its place
            emit window->findChild<QMenu*>("mnuRecent")->aboutToShow();
            window->menuAction("mnuRecent_2")->trigger();
        }
        QCOMPARE(platform.messages.size(), std::size_t(1));
        QVERIFY(platform.messages.front().text.startsWith(path("r7") + ' '));
        QVERIFY(!platform.setting("recentFiles").toStringList().contains(path("r7")));
        QCOMPARE(doc.PixelBytes()[2], std::uint8_t('6'));
    }
};

QTEST_MAIN(DiskChangesTest)
#include "test_disk_changes.moc"
