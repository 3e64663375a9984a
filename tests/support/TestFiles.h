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

} // namespace vtt::testing
