// What goes through the clipboard: Edit > Copy and Paste.

#include "shell/frmSkelvo.h"

#include "shell/WindowLayout.h"
#include "view/PictureArea.h"
#include "widgets/LineView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstring>

namespace vtt {

namespace {

QImage clipboardPicture(const ImageDocument& doc)
{
    QImage picture(doc.ImageWidth(), doc.ImageHeight(), QImage::Format_RGBA8888);
    if (picture.isNull() || doc.empty())
        return {};
    const std::size_t width = static_cast<std::size_t>(doc.ImageWidth());
    for (int y = 0; y < picture.height(); ++y) {
        std::uint8_t* row = picture.scanLine(y);
        if (doc.isPaletted()) {
            const std::uint8_t* indices = doc.PixelIndices().data() + y * width;
            for (std::size_t x = 0; x < width; ++x)
                std::memcpy(row + 4 * x, doc.Palette().data() + 4 * indices[x], 4);
        } else {
            std::memcpy(row, doc.PixelBytes().data() + 4 * y * width, 4 * width);
        }
    }
    return picture;
}

Result<ImageDocument> documentOfPicture(const QImage& picture)
{
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull())
        return unexpected(ErrorKind::OutOfMemory, "there is not enough memory to take it");
    VTT_TRY(doc, ImageDocument::create(rgba.width(), rgba.height(), 32));
    const std::size_t rowBytes = 4 * static_cast<std::size_t>(rgba.width());
    for (int y = 0; y < rgba.height(); ++y)
        std::memcpy(doc.PixelBytes().data() + y * rowBytes, rgba.constScanLine(y), rowBytes);
    return doc;
}

} // namespace

void frmSkelvo::mnuCopy_Click()
{
    if (c_.txtHexDump->hasFocus())
        return c_.txtHexDump->copy();
    // The level shown, with its alpha, as stored.
    const ImageDocument& shown = session_.shownLevel();
    if (shown.empty())
        return;
    const QImage picture = clipboardPicture(shown);
    if (picture.isNull())
        return platform_.messageBox(this, QStringLiteral("There is not enough memory to copy the picture."),
                                    MessageStyle::Stop);
    QGuiApplication::clipboard()->setImage(picture);
}

void frmSkelvo::mnuPaste_Click()
{
    const QImage picture = QGuiApplication::clipboard()->image();
    if (picture.isNull())
        return platform_.messageBox(this, QStringLiteral("The clipboard holds no picture to paste."),
                                    MessageStyle::Information);
    if (picture.width() > ImageDocument::LargestSide || picture.height() > ImageDocument::LargestSide)
        return platform_.messageBox(this,
                                    QStringLiteral("The clipboard's picture is %1 \u00d7 %2 pixels; a side may have "
                                                   "at most %3.")
                                        .arg(picture.width())
                                        .arg(picture.height())
                                        .arg(ImageDocument::LargestSide),
                                    MessageStyle::Stop);
    if (!maybeSaveChanges())
        return;
    auto doc = documentOfPicture(picture);
    if (!doc)
        return platform_.messageBox(
            this, QStringLiteral("Cannot paste the picture: %1.").arg(QString::fromStdString(doc.error().detail)),
            MessageStyle::Stop);
    session_.openUntitled(std::move(*doc));
    c_.picImage->documentOpened(session_.document());
    fileShown();
}

} // namespace vtt
