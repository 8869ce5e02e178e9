#include "ui/videotree.h"

#include <QEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include <optional>
#include <tuple>

namespace vidfolio::ui {
namespace {

// A scroll bar that repaints on a change of range only when the change shows.
// Appending rows lengthens the range each time; once the slider is at its
// shortest, that moves no pixel, yet a plain scroll bar would repaint itself,
// and every widget that shows through it, on each append.
class QuietScrollBar final : public QScrollBar
{
public:
    explicit QuietScrollBar(Qt::Orientation orientation) : QScrollBar(orientation) {}

protected:
    void sliderChange(SliderChange change) override
    {
        if (change == SliderRangeChange && m_shown && look() == *m_shown)
            return;
        QScrollBar::sliderChange(change);
    }

    void paintEvent(QPaintEvent *event) override
    {
        m_shown = look();
        QScrollBar::paintEvent(event);
    }

    void changeEvent(QEvent *event) override
    {
        // Anything else may change the look: paint afresh next time.
        m_shown.reset();
        QScrollBar::changeEvent(event);
    }

    void resizeEvent(QResizeEvent *event) override
    {
        m_shown.reset();
        QScrollBar::resizeEvent(event);
    }

private:
    // What the painted bar depends on besides the style: where the slider
    // is, and whether the arrows at either end can still move it.
    using Look = std::tuple<QRect, bool, bool>;

    Look look() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect slider = style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                     QStyle::SC_ScrollBarSlider, this);
        return {slider, value() > minimum(), value() < maximum()};
    }

    std::optional<Look> m_shown;
};

} // namespace

VideoTree::VideoTree(QWidget *parent) : QTreeWidget(parent)
{
    setVerticalScrollBar(new QuietScrollBar(Qt::Vertical));
    m_layOutSoon.setSingleShot(true);
    m_layOutSoon.setInterval(0);
    connect(&m_layOutSoon, &QTimer::timeout, this, &VideoTree::layOutRowsPutOff);
}

void VideoTree::doItemsLayout()
{
    // A full layout takes in every row, those put off included.
    m_rowsPutOff = false;
    m_layOutSoon.stop();
    QTreeWidget::doItemsLayout();
}

void VideoTree::layOutRowsPutOff()
{
    if (m_rowsPutOff)
        doItemsLayout();
}

void VideoTree::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    layOutRowsPutOff();
    QTreeWidget::scrollTo(index, hint);
}

bool VideoTree::event(QEvent *event)
{
    if (event->type() != QEvent::Paint)
        layOutRowsPutOff();
    return QTreeWidget::event(event);
}

bool VideoTree::viewportEvent(QEvent *event)
{
    if (event->type() != QEvent::Paint)
        layOutRowsPutOff();
    return QTreeWidget::viewportEvent(event);
}

void VideoTree::scrollContentsBy(int dx, int dy)
{
    layOutRowsPutOff();
    QTreeWidget::scrollContentsBy(dx, dy);
}

void VideoTree::rowsInserted(const QModelIndex &parent, int start, int end)
{
    // While a full layout is pending the scroll range may be out of date, but
    // that layout takes in every row anyway; otherwise the range is exact and
    // a value below its maximum means laid-out rows continue below the view.
    // The scroll bar must be showing already: it appears during a layout, and
    // takes its width from the viewport.
    QScrollBar *bar = verticalScrollBar();
    const bool appendedBelowView = !parent.isValid() && end == topLevelItemCount() - 1 &&
                                   bar->isVisible() && bar->value() < bar->maximum();
    if (!appendedBelowView) {
        QTreeWidget::rowsInserted(parent, start, end);
        return;
    }
    // The view's own bookkeeping, without QTreeView's relayout of every row.
    QAbstractItemView::rowsInserted(parent, start, end);
    // The range QTreeView would set for the added rows (all rows are as high
    // as the first): one step a row when scrolling by items, else its height.
    const int rows = end - start + 1;
    const int step = verticalScrollMode() == ScrollPerItem ? 1 : rowHeight(model()->index(0, 0));
    bar->setMaximum(bar->maximum() + rows * step);
    m_rowsPutOff = true;
    m_layOutSoon.start();
}

} // namespace vidfolio::ui
