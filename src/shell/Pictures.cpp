#include "shell/Pictures.h"

#include <QImage>

// The pictures are compiled into the GUI library, a static library: the
// resource must be registered by name or the linker may drop it.
static void registerPictures() { Q_INIT_RESOURCE(vtt); }

namespace vtt {

namespace {

void ensureRegistered()
{
    static const bool registered = (registerPictures(), true);
    (void)registered;
}

const char* const PictureFiles[ToolbarPictureCount] = {
    "new", "open", "save", "flip", "mirror", "rotate", "paintpot", "info",
};

QPixmap greenMasked(const QString& path)
{
    QImage image(path);
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = qRgb(0, 255, 0);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0x00FFFFFF) == (transparent & 0x00FFFFFF))
                line[x] = qRgba(0, 0, 0, 0);
    }
    return QPixmap::fromImage(image);
}

} // namespace

ImageList::ImageList()
{
    ensureRegistered();
    for (const char* name : PictureFiles)
        pictures_.push_back(greenMasked(QStringLiteral(":/toolbar/%1.png").arg(QString::fromLatin1(name))));
}

QIcon programIcon()
{
    ensureRegistered();
    return QIcon(QStringLiteral(":/icons/vellicor-texture-tool.png"));
}

QIcon rotateIcon()
{
    ensureRegistered();
    return QIcon(QStringLiteral(":/icons/rotate.png"));
}

} // namespace vtt
