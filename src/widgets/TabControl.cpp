#include "widgets/TabControl.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace vtt {

TabControl::TabControl(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this))
{
    bar_->setDrawBase(false);
    bar_->setExpanding(true);
    connect(bar_, &QTabBar::currentChanged, this, &TabControl::showPage);
}

QWidget* TabControl::addPage(const QString& caption)
{
    auto* page = new QWidget(this);
    page->setGeometry(rect());
    pages_.push_back(page);
    bar_->addTab(caption);
    bar_->raise();
    showPage(bar_->currentIndex());
    return page;
}

int TabControl::currentIndex() const { return bar_->currentIndex(); }

void TabControl::setCurrentIndex(int index) { bar_->setCurrentIndex(index); }

void TabControl::showPage(int index)
{
    for (std::size_t i = 0; i < pages_.size(); ++i)
        pages_[i]->setVisible(static_cast<int>(i) == index);
    bar_->raise();
}

void TabControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = rect().adjusted(0, bar_->height() - 1, 0, 0);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

void TabControl::resizeEvent(QResizeEvent*)
{
    bar_->setGeometry(0, 0, width(), bar_->sizeHint().height());
    for (QWidget* page : pages_)
        page->setGeometry(rect());
}

} // namespace vtt
