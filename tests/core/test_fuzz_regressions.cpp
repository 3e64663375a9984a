// Replays every kept hostile input, and the other test files, through both
// readers, the operations and a write/read round trip. Under the sanitizer
// build (VTT_SANITIZE=ON) this is where an out-of-bounds read shows.

#include "../../fuzz/ReaderChecks.h"

#include <QtTest>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace vtt;
namespace fs = std::filesystem;

class FuzzRegressionsTest : public QObject {
    Q_OBJECT

private slots:
    void readersStaySound_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("asTex");
        const fs::path root(VTT_TEST_DATA_DIR);
        int hostile = 0;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const fs::path& p = entry.path();
            if (!entry.is_regular_file() || p.extension() == ".md" || p.extension() == ".png"
                || p.filename().string().rfind("LICENSE", 0) == 0)
                continue;
            if (p.parent_path().filename() == "fuzz-regressions")
                ++hostile;
            const std::string name = fs::relative(p, root).string();
            for (bool asTex : {true, false})
                QTest::newRow((name + (asTex ? " as TEX" : " as TGA")).c_str())
                    << QString::fromStdString(p.string()) << asTex;
        }
        QVERIFY2(hostile > 0, "tests/data/fuzz-regressions holds no inputs");
    }

    void readersStaySound()
    {
        QFETCH(QString, path);
        QFETCH(bool, asTex);
        std::ifstream in(path.toStdString(), std::ios::binary);
        QVERIFY(in);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        const std::string problem = checks::readerProblem(Bytes(bytes.data(), bytes.size()), asTex, true);
        QVERIFY2(problem.empty(), problem.c_str());
    }

    // Every prefix of a valid file is a truncated file: each must be refused
    // or read soundly, never read past its end.
    void truncatedFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("asTex");
        QByteArray tex("\x03\x00\x02\x00\x12\x00\x01\x00\x00\x00\x00\x00\x00\x00", 14);
        tex.append(QByteArray(24, '\x7f'));
        QTest::newRow("type 18, 3 x 2") << tex << true;
        QByteArray rle("\x00\x00\x0a\x00\x00\x00\x00\x00\x00\x00\x00\x00\x03\x00\x02\x00\x20\x28", 18);
        rle.append(QByteArray("\x82\x01\x02\x03\x04\x02\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10", 18));
        QTest::newRow("run-length 32-bit, 3 x 2") << rle << false;
    }

    void truncatedFilesAreRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, asTex);
        const Bytes whole(reinterpret_cast<const std::uint8_t*>(file.constData()), static_cast<std::size_t>(file.size()));
        QVERIFY((asTex ? readTex(whole) : readTga(whole)).has_value());
        for (std::size_t length = 0; length < whole.size(); ++length) {
            // A copy of exactly `length` bytes, so that the sanitizer sees a
            // read past it.
            const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            const ReadResult r = asTex ? readTex(Bytes(part.data(), part.size())) : readTga(Bytes(part.data(), part.size()));
            QVERIFY2(!r.has_value(), qPrintable(QStringLiteral("a %1-byte prefix was accepted").arg(length)));
            QVERIFY(!r.error().detail.empty());
        }
    }
};

QTEST_APPLESS_MAIN(FuzzRegressionsTest)
#include "test_fuzz_regressions.moc"
