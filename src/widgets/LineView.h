#pragma once

#include <QAbstractScrollArea>

#include <cstddef>
#include <functional>

namespace vtt {

// A read-only box of text lines that asks for a line only when it is
// visible, so millions of lines cost nothing until they are scrolled to.
// Whole lines are selected with the mouse or Shift and the arrow keys,
// Ctrl+A selects all, and Ctrl+C copies the selection: at most CopyLimit
// lines of it, so that a copy never holds the window up (a 48 MiB file's
// three million lines would take seconds and a gigabyte).
class LineView : public QAbstractScrollArea {
    Q_OBJECT
public:
    using LineSource = std::function<QString(std::size_t)>;

    static constexpr std::size_t CopyLimit = 65536;

    explicit LineView(QWidget* parent = nullptr);

    // `widestChars` sizes the horizontal scroll range.
    void setLines(std::size_t count, LineSource source, int widestChars);
    std::size_t lineCount() const { return count_; }
    std::size_t firstVisibleLine() const;
    int visibleLineCount() const;

    void selectLines(std::size_t from, std::size_t to);
    void selectAll();
    // The selected lines, at most `limit` of them from the first, one
    // line feed between each two.
    QString selectedText(std::size_t limit = CopyLimit) const;
    std::size_t selectedCount() const;
    void copy();

signals:
    // After a copy: how many lines went to the clipboard, of how many
    // selected.
    void copied(qulonglong copied, qulonglong selected);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int lineHeight() const;
    void updateScrollBars();
    std::size_t lineAt(int y) const;
    void moveCursor(std::size_t line, bool extend);

    std::size_t count_ = 0;
    LineSource source_;
    int widestChars_ = 0;
    static constexpr std::size_t None = static_cast<std::size_t>(-1);
    std::size_t anchor_ = None;
    std::size_t cursor_ = None;
};

} // namespace vtt
