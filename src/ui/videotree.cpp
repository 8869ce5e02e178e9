#include "ui/videotree.h"

#include "ui/quietscrollbar.h"
#include "ui/rowplaces.h"
#include "ui/videoentries.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>

namespace vidfolio::ui {

VideoTree::VideoTree(QWidget *parent) : QAbstractItemView(parent), m_entries(new VideoEntries(this))
{
    setVerticalScrollBar(new QuietScrollBar(Qt::Vertical));
    // A title too long for the line is cut short with an ellipsis.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(ScrollPerItem);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectRows);
    setEditTriggers(NoEditTriggers);
    setModel(m_entries);
    m_publishSoon.setSingleShot(true);
    m_publishSoon.setInterval(0);
    connect(&m_publishSoon, &QTimer::timeout, m_entries, &VideoEntries::publish);
    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { Q_EMIT entryClicked(m_entries->key(index.row())); });
}

VideoTree::~VideoTree() = default;

void VideoTree::setImages(const QList<QIcon> &images)
{
    m_entries->setImages(images);
    viewport()->update();
}

void VideoTree::appendEntry(const QString &key, const QString &title, int image)
{
    m_entries->append(key, title, image);
    if (!m_publishSoon.isActive())
        m_publishSoon.start();
}

void VideoTree::clearEntries()
{
    m_publishSoon.stop();
    m_entries->clear();
}

void VideoTree::repaintNow()
{
    if (!m_entries->hasUnpublished())
        return;
    // Entries below the viewport would paint nothing: they wait for the turn.
    const int shown = m_entries->rowCount();
    if (shown > 0 && shown > places().rowAt(viewport()->height()))
        return;
    m_entries->publish();
    const QRect appended = places().lines(shown, m_entries->rowCount() - shown);
    viewport()->repaint(appended & viewport()->rect());
}

QString VideoTree::entryKey(int row) const
{
    return m_entries->key(row);
}

QString VideoTree::entryTitle(int row) const
{
    return m_entries->title(row);
}

std::optional<int> VideoTree::selectedRow() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.first().row();
}

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

RowPlaces VideoTree::places() const
{
    return {rowHeight(), verticalScrollBar()->value(), viewport()->size()};
}

void VideoTree::updateScrollRange()
{
    const RowPlaces rows = places();
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, rows.lastFirstRow(m_entries->rowCount()));
    bar->setPageStep(rows.rowsInView());
    bar->setSingleStep(1);
}

QRect VideoTree::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != m_entries)
        return {};
    return places().lines(index.row());
}

void VideoTree::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    verticalScrollBar()->setValue(places().firstRowShowing(index.row(), hint));
}

QModelIndex VideoTree::indexAt(const QPoint &point) const
{
    if (point.y() < 0)
        return {};
    const int row = places().rowAt(point.y());
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
        row -= places().pageUpRows();
        break;
    case MovePageDown:
        row += places().pageDownRows();
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
    const RowPlaces rows = places();
    return rows.firstRow() * rows.rowHeight();
}

bool VideoTree::isIndexHidden(const QModelIndex &) const
{
    return false;
}

void VideoTree::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect area = rect.normalized();
    const RowPlaces rows = places();
    const int from = std::max(0, rows.rowAt(area.top()));
    const int to = std::min(m_entries->rowCount() - 1, rows.rowAt(area.bottom()));
    if (from > to) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    selectionModel()->select(QItemSelection(m_entries->index(from), m_entries->index(to)), command);
}

QRegion VideoTree::visualRegionForSelection(const QItemSelection &selection) const
{
    // Only what the viewport can show, however many rows are selected.
    const RowPlaces rows = places();
    const int top = rows.firstRow();
    const int bottom = top + rows.rowsInView() + 1;
    QRegion region;
    for (const QItemSelectionRange &range : selection) {
        const int from = std::max(range.top(), top);
        const int to = std::min(range.bottom(), bottom);
        if (from <= to)
            region += rows.lines(from, to - from + 1);
    }
    return region;
}

void VideoTree::paintEvent(QPaintEvent *event)
{
    const int count = m_entries->rowCount();
    if (count == 0)
        return;
    const RowPlaces rows = places();
    const QRect area = event->rect();
    const int from = rows.rowAt(std::max(0, area.top()));
    const int to = std::min(count - 1, rows.rowAt(std::max(0, area.bottom())));

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
        option.rect = rows.lines(row);
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
    const QRect added = places().lines(start, end - start + 1);
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
