// Where the tree's rows are: every row as high as the first, so a row's
// place is its number times that height. Scrolling, the keys, the selection
// and painting all reckon by row number and touch only the rows in view.

#include "ui/videotree.h"

#include "ui/videoentries.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <cmath>

namespace vidfolio::ui {

int VideoTree::rowHeight() const
{
    if (m_rowHeight > 0)
        return m_rowHeight;
    if (m_entries->rowCount() == 0)
        return std::max(1, std::max(fontMetrics().height(), iconSize().height()));
    // Every line holds a picture and one line of text: the first tells them all.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex first = m_entries->index(0);
    m_rowHeight = std::max(1, itemDelegateForIndex(first)->sizeHint(option, first).height());
    return m_rowHeight;
}

int VideoTree::rowsInView() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

int VideoTree::firstRowInView() const
{
    return verticalScrollBar()->value();
}

void VideoTree::updateScrollRange()
{
    // One step a row, as a tree scrolling by items: the last row ends at the
    // bottom of the viewport when scrolled to the end.
    const int page = rowsInView();
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, std::max(0, m_entries->rowCount() - page));
    bar->setPageStep(page);
    bar->setSingleStep(1);
}

QRect VideoTree::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != m_entries)
        return {};
    const int tall = rowHeight();
    return {0, (index.row() - firstRowInView()) * tall, viewport()->width(), tall};
}

void VideoTree::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    const int row = index.row();
    const int page = rowsInView();
    const int top = firstRowInView();
    int value = top;
    switch (hint) {
    case EnsureVisible:
        if (row < top)
            value = row;
        else if (row >= top + page)
            value = row - page + 1;
        break;
    case PositionAtTop:
        value = row;
        break;
    case PositionAtBottom:
        value = row - page + 1;
        break;
    case PositionAtCenter:
        value = row - page / 2;
        break;
    }
    verticalScrollBar()->setValue(value);
}

QModelIndex VideoTree::indexAt(const QPoint &point) const
{
    if (point.y() < 0)
        return {};
    const int row = firstRowInView() + point.y() / rowHeight();
    return row < m_entries->rowCount() ? m_entries->index(row) : QModelIndex();
}

QModelIndex VideoTree::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int rows = m_entries->rowCount();
    if (rows == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return m_entries->index(0);
    int row = current.row();
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        --row;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    case MovePageUp:
        // To the row a viewport's height above, as a tree does; the viewport
        // may end in part of a row.
        row -= (viewport()->height() + rowHeight() - 1) / rowHeight();
        break;
    case MovePageDown:
        row += viewport()->height() / rowHeight();
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return m_entries->index(std::clamp(row, 0, rows - 1));
}

int VideoTree::horizontalOffset() const
{
    return 0;
}

int VideoTree::verticalOffset() const
{
    return firstRowInView() * rowHeight();
}

bool VideoTree::isIndexHidden(const QModelIndex &) const
{
    return false;
}

void VideoTree::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect area = rect.normalized();
    const int tall = rowHeight();
    const int top = firstRowInView();
    const int from = std::max(0, top + static_cast<int>(std::floor(double(area.top()) / tall)));
    const int to = std::min(m_entries->rowCount() - 1,
                            top + static_cast<int>(std::floor(double(area.bottom()) / tall)));
    if (from > to) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    selectionModel()->select(QItemSelection(m_entries->index(from), m_entries->index(to)), command);
}

QRegion VideoTree::visualRegionForSelection(const QItemSelection &selection) const
{
    // Only what the viewport can show, however many rows are selected.
    const int top = firstRowInView();
    const int bottom = top + rowsInView() + 1;
    const int tall = rowHeight();
    QRegion region;
    for (const QItemSelectionRange &range : selection) {
        const int from = std::max(range.top(), top);
        const int to = std::min(range.bottom(), bottom);
        if (from <= to)
            region += QRect(0, (from - top) * tall, viewport()->width(), (to - from + 1) * tall);
    }
    return region;
}

void VideoTree::paintEvent(QPaintEvent *event)
{
    const int rows = m_entries->rowCount();
    if (rows == 0)
        return;
    const int tall = rowHeight();
    const int top = firstRowInView();
    const QRect area = event->rect();
    const int from = top + std::max(0, area.top()) / tall;
    const int to = std::min(rows - 1, top + std::max(0, area.bottom()) / tall);

    QStyleOptionViewItem base;
    initViewItemOption(&base);
    // A whole line shows as selected, as in a tree that selects rows.
    base.showDecorationSelected = true;
    base.viewItemPosition = QStyleOptionViewItem::OnlyOne;
    if (!isActiveWindow())
        base.palette.setCurrentColorGroup(QPalette::Inactive);
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus();

    QPainter painter(viewport());
    for (int row = from; row <= to; ++row) {
        const QModelIndex index = m_entries->index(row);
        QStyleOptionViewItem option = base;
        option.rect = QRect(0, (row - top) * tall, viewport()->width(), tall);
        if (selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (focused && index == current)
            option.state |= QStyle::State_HasFocus;
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void VideoTree::updateGeometries()
{
    updateScrollRange();
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

void VideoTree::scrollContentsBy(int, int dy)
{
    viewport()->scroll(0, dy * rowHeight());
}

void VideoTree::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    updateScrollRange();
    // Rows below the viewport change only the scroll range.
    const int tall = rowHeight();
    const QRect added(0, (start - firstRowInView()) * tall, viewport()->width(),
                      (end - start + 1) * tall);
    if (added.intersects(viewport()->rect()))
        viewport()->update(added & viewport()->rect());
}

void VideoTree::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_rowHeight = 0;
    QAbstractItemView::changeEvent(event);
}

} // namespace vidfolio::ui
