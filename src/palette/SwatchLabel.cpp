#include "palette/SwatchLabel.h"

#include "widgets/ColourValue.h"

#include <QMouseEvent>
#include <QPainter>

namespace vtt {

SwatchLabel::SwatchLabel(int index, QWidget* parent) : QLabel(parent), index_(index)
{
    setFocusPolicy(Qt::NoFocus);
}

void SwatchLabel::setColour(std::int32_t colour)
{
    colour_ = colourValue(redOf(colour), greenOf(colour), blueOf(colour));
    update();
}

void SwatchLabel::paintEvent(QPaintEvent*)
{
    // A one-pixel border: neighbours overlap by exactly that pixel, so the
    // borders of the grid are single lines.
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(argbOf(colour_)));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void SwatchLabel::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

// A click is a left press and release on the swatch, as for a button.
void SwatchLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click)
        emit clicked(index_);
}

} // namespace vtt
