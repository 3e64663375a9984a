#include "view/PictureArea.h"

#include "widgets/ColourValue.h"
#include "view/Render.h"

#include <QPainter>

namespace vtt {

PictureArea::PictureArea(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("picImage"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
}

void PictureArea::clearPicture()
{
    canvas_.fill(palette().color(QPalette::Window));
    update();
}

void PictureArea::setPixel(int x, int y, std::int32_t colour)
{
    if (x < 0 || y < 0 || x >= canvas_.width() || y >= canvas_.height())
        return; // beyond the picture: not visible, not an error
    reinterpret_cast<std::uint32_t*>(canvas_.scanLine(y))[x] = argbOf(colour);
    update();
}

void PictureArea::drawDocument(const ImageDocument& doc)
{
    clearPicture();
    if (canvas_.isNull())
        return;
    renderDocument(doc, reinterpret_cast<std::uint32_t*>(canvas_.bits()), canvas_.width(), canvas_.height(),
                   canvas_.bytesPerLine() / 4);
    update();
}

std::int32_t PictureArea::pixelAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= canvas_.width() || y >= canvas_.height())
        return -1;
    const QRgb c = canvas_.pixel(x, y);
    return colourValue(static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                       static_cast<std::uint8_t>(qBlue(c)));
}

void PictureArea::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), canvas_);
}

void PictureArea::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    const QSize size = contentsRect().size();
    if (size == canvas_.size() || size.isEmpty())
        return;
    QImage next(size, QImage::Format_RGB32);
    next.fill(palette().color(QPalette::Window));
    if (!canvas_.isNull()) {
        QPainter copy(&next);
        copy.drawImage(0, 0, canvas_);
    }
    canvas_ = next;
}

} // namespace vtt
