#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

#include <cstdint>
#include <vector>

namespace vtt::testing {

// Writes `bytes` as `name` in the test's temporary folder; returns the path.
inline QString writeTestFile(const QTemporaryDir& dir, const QString& name, const std::vector<std::uint8_t>& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write test file %s", qPrintable(path));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
}

#ifdef VTT_TEST_DATA_DIR
// A file of tests/data, by its path there.
inline std::vector<std::uint8_t> testDataFile(const QString& relative)
{
    QFile f(QStringLiteral(VTT_TEST_DATA_DIR "/") + relative);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", qPrintable(relative));
    const QByteArray bytes = f.readAll();
    return {bytes.begin(), bytes.end()};
}
#endif

} // namespace vtt::testing
