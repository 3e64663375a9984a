#include "platform/InputFile.h"

#include <QFileInfo>

namespace vtt {

bool InputFile::open(const QString& path, QString& error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        error = QStringLiteral("the file does not exist");
        return false;
    }
    if (info.isDir()) {
        error = QStringLiteral("it is a folder, not a file");
        return false;
    }
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly)) {
        error = file_.errorString();
        return false;
    }
    const qint64 size = file_.size();
    if (size > 0) {
        if (uchar* mapped = file_.map(0, size)) {
            bytes_ = Bytes(mapped, static_cast<std::size_t>(size));
            return true;
        }
    }
    // Not mappable (empty, or a special file): read it instead.
    copy_ = file_.readAll();
    if (file_.error() != QFileDevice::NoError) {
        error = file_.errorString();
        return false;
    }
    bytes_ = Bytes(reinterpret_cast<const std::uint8_t*>(copy_.constData()), static_cast<std::size_t>(copy_.size()));
    return true;
}

} // namespace vtt
