#include "document/ImageDocument.h"
#include "shell/frmSkelvo.h"
#include "support/SavedImages.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

using namespace vtt;
using namespace vtt::testing;

// A file named on the program's command line or dropped on the main window.
class OpenNamedTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ImageDocument doc;
    ScriptedPlatform platform;
    std::unique_ptr<frmSkelvo> window;

    QString type() const { return window->findChild<QLabel*>("lblType")->text(); }

private slots:
    void init()
    {
        doc = ImageDocument{};
        platform = ScriptedPlatform{};
        window = std::make_unique<frmSkelvo>(doc, platform);
        window->show();
    }

    void readsTheFormatItsNameSays_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::vector<std::uint8_t>>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("type");
        auto tex = texHeader(2, 1, 18);
        appendRepeated(tex, 8, 200);
        QTest::newRow("upper-case TEX") << "a.TEX" << tex << int(DocumentKind::Tex) << "Type: 18";
        QTest::newRow("tga keeps the panel") << "b.tga" << tgaFile(3, 2, 24, 0) << int(DocumentKind::Tga) << "Type:";
        QTest::newRow("no extension is Targa") << "c" << tgaFile(3, 2, 32, 0) << int(DocumentKind::Tga) << "Type:";
    }

    void readsTheFormatItsNameSays()
    {
        QFETCH(QString, name);
        QFETCH(std::vector<std::uint8_t>, bytes);
        window->openNamed(writeTestFile(dir, name, bytes));
        QVERIFY(platform.messages.empty());
        QFETCH(int, kind);
        QCOMPARE(int(doc.FileKind), kind);
        QFETCH(QString, type);
        QCOMPARE(this->type(), type);
    }

    void badFileShowsWhyAndKeepsTheDocument()
    {
        auto tex = texHeader(2, 1, 18);
        appendRepeated(tex, 8, 200);
        const QString good = writeTestFile(dir, "good.tex", tex);
        window->openNamed(good);
        const QString bad = writeTestFile(dir, "bad.tex", texHeader(2, 1, 18));
        window->openNamed(bad);
        QCOMPARE(platform.messages.size(), std::size_t(1));
        QVERIFY(platform.messages[0].text.contains(bad));
        QCOMPARE(doc.FileName, good.toStdString());
        QCOMPARE(type(), QStringLiteral("Type: 18"));
    }

    void dropOpensTheFile()
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(writeTestFile(dir, "dropped.tga", tgaFile(4, 4, 8, 0)))});
        const QPoint at = window->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        QCOMPARE(doc.FileName, dir.filePath("dropped.tga").toStdString());
        QCOMPARE(doc.BitDepth, std::uint8_t(8));
    }
};

QTEST_MAIN(OpenNamedTest)
#include "test_open_named.moc"
