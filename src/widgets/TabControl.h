#pragma once

#include <QWidget>

#include <vector>

class QTabBar;

namespace vtt {

// A tab control whose pages cover the whole control, tab strip included, so
// the controls on a page are placed from the control's own top-left corner
// exactly as the layouts give them. Only the selected page is visible, and
// switching pages runs no command.
class TabControl : public QWidget {
    Q_OBJECT
public:
    explicit TabControl(QWidget* parent = nullptr);

    QWidget* addPage(const QString& caption);
    QWidget* page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    int count() const { return static_cast<int>(pages_.size()); }
    int currentIndex() const;
    void setCurrentIndex(int index);
    QTabBar* tabBar() const { return bar_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showPage(int index);

    QTabBar* bar_;
    std::vector<QWidget*> pages_;
};

} // namespace vtt
