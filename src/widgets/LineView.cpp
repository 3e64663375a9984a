#include "widgets/LineView.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace vtt {

LineView::LineView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
}

void LineView::setLines(std::size_t count, LineSource source, int widestChars)
{
    count_ = count;
    source_ = std::move(source);
    widestChars_ = widestChars;
    anchor_ = cursor_ = None;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
}

int LineView::lineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

int LineView::visibleLineCount() const { return std::max(1, viewport()->height() / lineHeight()); }

std::size_t LineView::firstVisibleLine() const { return static_cast<std::size_t>(verticalScrollBar()->value()); }

void LineView::updateScrollBars()
{
    const std::size_t last = count_ > static_cast<std::size_t>(visibleLineCount()) ? count_ - visibleLineCount() : 0;
    verticalScrollBar()->setRange(0, static_cast<int>(std::min<std::size_t>(last, INT_MAX)));
    verticalScrollBar()->setPageStep(visibleLineCount());
    const int width = fontMetrics().horizontalAdvance(QLatin1Char('0')) * (widestChars_ + 1);
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void LineView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void LineView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    if (!source_)
        return;
    const int h = lineHeight(), ascent = fontMetrics().ascent();
    const int x = 2 - horizontalScrollBar()->value();
    const std::size_t low = std::min(anchor_, cursor_), high = anchor_ == None ? None : std::max(anchor_, cursor_);
    const std::size_t first = firstVisibleLine();
    for (int r = 0; r * h < viewport()->height() + h; ++r) {
        const std::size_t line = first + static_cast<std::size_t>(r);
        if (line >= count_)
            break;
        const bool selected = anchor_ != None && line >= low && line <= high;
        if (selected)
            painter.fillRect(0, r * h, viewport()->width(), h, palette().highlight());
        painter.setPen(selected ? palette().color(QPalette::HighlightedText) : palette().color(QPalette::Text));
        painter.drawText(x, r * h + ascent, source_(line));
    }
}

std::size_t LineView::lineAt(int y) const
{
    const std::size_t line = firstVisibleLine() + static_cast<std::size_t>(std::max(0, y) / lineHeight());
    return count_ == 0 ? None : std::min(line, count_ - 1);
}

void LineView::moveCursor(std::size_t line, bool extend)
{
    if (line == None)
        return;
    if (!extend || anchor_ == None)
        anchor_ = line;
    cursor_ = line;
    const std::size_t first = firstVisibleLine();
    if (line < first)
        verticalScrollBar()->setValue(static_cast<int>(line));
    else if (line >= first + visibleLineCount())
        verticalScrollBar()->setValue(static_cast<int>(line - visibleLineCount() + 1));
    viewport()->update();
}

void LineView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        moveCursor(lineAt(event->position().toPoint().y()), event->modifiers() & Qt::ShiftModifier);
}

void LineView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        moveCursor(lineAt(event->position().toPoint().y()), true);
}

void LineView::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::Copy)
        return copy();
    if (event == QKeySequence::SelectAll)
        return selectAll();
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const std::size_t at = cursor_ == None ? firstVisibleLine() : cursor_;
    const std::size_t page = static_cast<std::size_t>(visibleLineCount());
    const std::size_t last = count_ == 0 ? 0 : count_ - 1;
    switch (event->key()) {
    case Qt::Key_Up: moveCursor(at > 0 ? at - 1 : 0, extend); break;
    case Qt::Key_Down: moveCursor(std::min(at + 1, last), extend); break;
    case Qt::Key_PageUp: moveCursor(at > page ? at - page : 0, extend); break;
    case Qt::Key_PageDown: moveCursor(std::min(at + page, last), extend); break;
    case Qt::Key_Home: moveCursor(0, extend); break;
    case Qt::Key_End: moveCursor(last, extend); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
}

void LineView::selectLines(std::size_t from, std::size_t to)
{
    if (count_ == 0)
        return;
    anchor_ = std::min(from, count_ - 1);
    cursor_ = std::min(to, count_ - 1);
    viewport()->update();
}

void LineView::selectAll() { selectLines(0, count_ == 0 ? 0 : count_ - 1); }

std::size_t LineView::selectedCount() const
{
    return anchor_ == None ? 0 : std::max(anchor_, cursor_) - std::min(anchor_, cursor_) + 1;
}

QString LineView::selectedText(std::size_t limit) const
{
    if (anchor_ == None || !source_)
        return {};
    const std::size_t first = std::min(anchor_, cursor_);
    const std::size_t count = std::min(selectedCount(), limit);
    QString text;
    for (std::size_t line = first; line < first + count; ++line) {
        const QString shown = source_(line);
        if (line == first)
            text.reserve(static_cast<qsizetype>((shown.size() + 1) * count)); // lines of a dump are alike
        else
            text += QLatin1Char('\n');
        text += shown;
    }
    return text;
}

void LineView::copy()
{
    if (anchor_ == None)
        return;
    QApplication::clipboard()->setText(selectedText());
    emit copied(std::min(selectedCount(), CopyLimit), selectedCount());
}

} // namespace vtt
