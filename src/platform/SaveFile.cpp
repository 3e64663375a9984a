#include "platform/SaveFile.h"

#include <QSaveFile>

namespace vtt {

std::optional<QString> writeWholeFile(const QString& path, std::span<const std::uint8_t> bytes)
{
    QSaveFile file(path);
    // Writing straight into the target would leave a half-written file
    // behind a failure; refuse instead where no temporary can be made.
    file.setDirectWriteFallback(false);
    // Unbuffered: a buffered device only learns of a failed write when it
    // flushes on commit, and a short final flush is not always reported,
    // which would put a cut-off file in the target's place. Written straight
    // through, every short write shows here.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QStringLiteral("it could not be created (%1)").arg(file.errorString());

    // A write may take only part of the bytes (a file-size limit is reached
    // that way); writing on gets either the rest out or the system's reason.
    const char* data = reinterpret_cast<const char*>(bytes.data());
    auto left = static_cast<qint64>(bytes.size());
    while (left > 0) {
        const qint64 written = file.write(data, left);
        if (written <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return QStringLiteral("it could not be written (%1)").arg(reason);
        }
        data += written;
        left -= written;
    }
    if (!file.commit())
        return QStringLiteral("it could not be written (%1)").arg(file.errorString());
    return std::nullopt;
}

} // namespace vtt
