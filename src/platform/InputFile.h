#pragma once

#include "codecs/ByteIo.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace vtt {

// A file's bytes for the readers. Large files are mapped rather than copied,
// so opening a big texture costs little more than the decoded image.
class InputFile {
public:
    // False with `error` naming the problem when the file cannot be read.
    bool open(const QString& path, QString& error);
    Bytes bytes() const { return bytes_; }

private:
    QFile file_;
    QByteArray copy_;
    Bytes bytes_;
};

} // namespace vtt
