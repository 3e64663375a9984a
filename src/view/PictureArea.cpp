#include "view/PictureArea.h"

#include "widgets/ColourValue.h"
#include "view/Render.h"

#include <QAction>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace vtt {

namespace {

constexpr int WheelNotch = 120;  // angle of one wheel notch, in eighths of a degree
constexpr double WheelStep = 48; // picture pixels scrolled per notch
constexpr double KeyStep = 32;   // picture pixels panned per arrow key

} // namespace

PictureArea::PictureArea(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("picImage"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Panning keys as actions of their own, so the list of keys shows them.
    const auto pan = [this](const char* name, const char* caption, Qt::Key key, double dx, double dy) {
        auto* action = new QAction(QString::fromLatin1(caption), this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, [this, dx, dy] { changeView([=, this] { view_.panBy(dx, dy); }); });
        addAction(action);
    };
    pan("actPanLeft", "Pan Left", Qt::Key_Left, KeyStep, 0);
    pan("actPanRight", "Pan Right", Qt::Key_Right, -KeyStep, 0);
    pan("actPanUp", "Pan Up", Qt::Key_Up, 0, KeyStep);
    pan("actPanDown", "Pan Down", Qt::Key_Down, 0, -KeyStep);
}

void PictureArea::clearPicture()
{
    doc_ = nullptr;
    pyramid_.clear();
    pyramidBuilt_ = false;
    update();
    emit viewChanged();
}

void PictureArea::showDocument(const ImageDocument& doc, const QString& readoutName)
{
    doc_ = &doc;
    readoutName_ = readoutName;
    pyramid_.clear();
    pyramidBuilt_ = false;
}

void PictureArea::drawDocument(const ImageDocument& doc)
{
    showDocument(doc, {});
    changeView([] {}, true);
}

void PictureArea::documentOpened(const ImageDocument& doc)
{
    showDocument(doc, {});
    changeView([this] { view_.reset(); });
    setFocus(Qt::OtherFocusReason);
}

void PictureArea::showLevel(const ImageDocument& doc, const QString& readoutName)
{
    showDocument(doc, readoutName);
    changeView([] {}, true);
}

void PictureArea::setChannelMode(ChannelMode mode)
{
    mode_ = mode;
    update();
    emit viewChanged();
}

void PictureArea::zoomIn()
{
    changeView([this] { view_.zoomStep(+1, view_.viewWidth() / 2.0, view_.viewHeight() / 2.0); });
}

void PictureArea::zoomOut()
{
    changeView([this] { view_.zoomStep(-1, view_.viewWidth() / 2.0, view_.viewHeight() / 2.0); });
}

void PictureArea::fitToArea()
{
    changeView([this] { fitting_ = true; });
}

void PictureArea::actualSize()
{
    changeView([this] { view_.reset(); });
}

// Runs `change` on a transform that knows the area's and the image's
// current sizes, then schedules a paint.
template <typename Change>
void PictureArea::changeView(Change change, bool keepsFit)
{
    view_.setViewport(contentsRect().width(), contentsRect().height());
    const ImageExtent extent = doc_ ? extentOf(*doc_) : ImageExtent{};
    view_.setImage(extent.width, extent.height);
    if (!keepsFit)
        fitting_ = false;
    change();
    if (fitting_)
        view_.fit();
    update();
    emit viewChanged();
}

void PictureArea::render(std::uint32_t* into, std::ptrdiff_t stride, QRect part) const
{
    const std::uint32_t background = palette().color(QPalette::Window).rgb() | 0xFF000000u;
    if (!doc_) {
        for (int y = 0; y < part.height(); ++y)
            std::fill(into + y * stride, into + y * stride + part.width(), background);
        return;
    }
    if (view_.scale() < 1 && !pyramidBuilt_) {
        pyramid_.build(*doc_); // on failure the picture samples the image itself
        pyramidBuilt_ = true;
    }
    renderView(*doc_, view_, {part.left(), part.top(), part.width(), part.height()}, into, stride, background, mode_,
               &pyramid_);
}

std::int32_t PictureArea::pixelAt(int x, int y) const
{
    const QRect area = contentsRect();
    if (x < 0 || y < 0 || x >= area.width() || y >= area.height())
        return -1;
    std::uint32_t c = 0;
    render(&c, 1, QRect(x, y, 1, 1));
    return colourValue(static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                       static_cast<std::uint8_t>(qBlue(c)));
}

QImage PictureArea::visiblePicture() const
{
    QImage image(contentsRect().size(), QImage::Format_RGB32);
    render(reinterpret_cast<std::uint32_t*>(image.bits()), image.bytesPerLine() / 4, image.rect());
    return image;
}

QString PictureArea::pixelText(int x, int y) const
{
    const QString text = describePixel(x, y);
    return readoutName_.isEmpty() || text.isEmpty() ? text : readoutName_ + QStringLiteral(": ") + text;
}

QString PictureArea::pointerText() const { return pointer_ ? describePixel(pointer_->x(), pointer_->y()) : QString(); }

QString PictureArea::describePixel(int x, int y) const
{
    if (!doc_ || x < 0 || y < 0 || x >= contentsRect().width() || y >= contentsRect().height())
        return {};
    const std::optional<PixelUnder> p = pixelUnder(*doc_, view_, x, y);
    if (!p)
        return {};
    QString text = QStringLiteral("%1, %2: %3 %4 %5 %6")
                       .arg(p->x)
                       .arg(p->y)
                       .arg(p->red)
                       .arg(p->green)
                       .arg(p->blue)
                       .arg(p->alpha);
    if (p->paletteIndex >= 0)
        text += QStringLiteral(" (index %1)").arg(p->paletteIndex);
    return text;
}

QPoint PictureArea::pictureOf(QPointF widgetPos) const
{
    const QPointF p = widgetPos - contentsRect().topLeft();
    return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

void PictureArea::showPixelText(QPoint widgetPos, QPoint globalPos)
{
    const QPoint p = pictureOf(widgetPos);
    const QString text = pixelText(p.x(), p.y());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(globalPos, text, this);
}

bool PictureArea::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (!dragging_)
            showPixelText(help->pos(), help->globalPos());
        return true;
    }
    return QFrame::event(event);
}

void PictureArea::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    const QRect area = contentsRect();
    if (area.isEmpty())
        return;
    if (buffer_.size() != area.size())
        buffer_ = QImage(area.size(), QImage::Format_RGB32);
    const QRect part = event->rect().intersected(area).translated(-area.topLeft());
    if (part.isEmpty())
        return;
    const std::ptrdiff_t stride = buffer_.bytesPerLine() / 4;
    render(reinterpret_cast<std::uint32_t*>(buffer_.bits()) + part.top() * stride + part.left(), stride, part);
    QPainter painter(this);
    painter.drawImage(part.topLeft() + area.topLeft(), buffer_, part);
}

void PictureArea::resizeEvent(QResizeEvent* event)
{
    // Fitting keeps fitting; otherwise the image point at the top-left
    // corner stays there.
    QFrame::resizeEvent(event);
    changeView([] {}, true);
}

void PictureArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QFrame::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    dragFrom_ = event->position().toPoint();
    QToolTip::hideText();
    setCursor(Qt::ClosedHandCursor);
}

void PictureArea::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    pointer_ = pictureOf(event->position());
    emit pointerMoved();
    if (dragging_) {
        const QPoint moved = at - dragFrom_;
        dragFrom_ = at;
        changeView([&] { view_.panBy(moved.x(), moved.y()); });
    } else if (QToolTip::isVisible()) {
        showPixelText(at, event->globalPosition().toPoint());
    }
}

void PictureArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging_) {
        QFrame::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    unsetCursor();
}

void PictureArea::leaveEvent(QEvent* event)
{
    pointer_.reset();
    emit pointerMoved();
    QFrame::leaveEvent(event);
}

void PictureArea::wheelEvent(QWheelEvent* event)
{
    changeView([&] { turnWheel(event); });
    if (QToolTip::isVisible())
        showPixelText(event->position().toPoint(), event->globalPosition().toPoint());
    event->accept();
}

void PictureArea::turnWheel(const QWheelEvent* event)
{
    const QPoint angle = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        zoomWheel_ += angle.y() != 0 ? angle.y() : angle.x();
        const QPointF at = event->position() - contentsRect().topLeft();
        for (; zoomWheel_ >= WheelNotch; zoomWheel_ -= WheelNotch)
            view_.zoomStep(+1, at.x(), at.y());
        for (; zoomWheel_ <= -WheelNotch; zoomWheel_ += WheelNotch)
            view_.zoomStep(-1, at.x(), at.y());
    } else {
        // Touchpads report pixels; wheels report notches.
        const QPointF delta = event->pixelDelta().isNull() ? QPointF(angle) * (WheelStep / WheelNotch)
                                                           : QPointF(event->pixelDelta());
        if (event->modifiers() & Qt::ShiftModifier)
            view_.panBy(delta.y() != 0 ? delta.y() : delta.x(), 0);
        else
            view_.panBy(delta.x(), delta.y());
    }
}

void PictureArea::keyPressEvent(QKeyEvent* event)
{
    // Plain keys only (Shift may be needed to type +): Alt and Ctrl
    // combinations stay with the menus.
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
        QFrame::keyPressEvent(event);
        return;
    }
    // The arrows come here only from the keypad: the pan actions take the rest.
    const auto pan = [this](double dx, double dy) { changeView([=, this] { view_.panBy(dx, dy); }); };
    switch (event->key()) {
    case Qt::Key_Left: pan(KeyStep, 0); break;
    case Qt::Key_Right: pan(-KeyStep, 0); break;
    case Qt::Key_Up: pan(0, KeyStep); break;
    case Qt::Key_Down: pan(0, -KeyStep); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomIn(); break;
    case Qt::Key_Minus: zoomOut(); break;
    case Qt::Key_F: fitToArea(); break;
    case Qt::Key_1: actualSize(); break;
    default: QFrame::keyPressEvent(event); break;
    }
}

} // namespace vtt
