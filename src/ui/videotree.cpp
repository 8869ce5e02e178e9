#include "ui/videotree.h"

#include <QAbstractListModel>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

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

// The entries, in the order appended. The view hears of the entries appended
// since the last publish() in one insertion; until then they are not rows.
class VideoEntries final : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : m_shown;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid))
            return {};
        const auto row = static_cast<std::size_t>(index.row());
        switch (role) {
        case Qt::DisplayRole:
            return m_titles[row];
        case Qt::UserRole:
            return m_keys[row];
        case Qt::DecorationRole:
            return icon(static_cast<int>(row));
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    void setImages(const QList<QIcon> &images) { m_images = images; }

    void append(const QString &key, const QString &title, int image)
    {
        m_keys.push_back(key);
        m_titles.push_back(title);
        // Picture numbers past the list (or past 255) show no picture.
        m_pictures.push_back(image >= 1 && image <= 255 ? static_cast<quint8>(image) : 0);
    }

    void clear()
    {
        beginResetModel();
        m_keys = {};
        m_titles = {};
        m_pictures = {};
        m_shown = 0;
        endResetModel();
    }

    bool hasUnpublished() const { return m_titles.size() > static_cast<std::size_t>(m_shown); }

    void publish()
    {
        if (!hasUnpublished())
            return;
        beginInsertRows({}, m_shown, static_cast<int>(m_titles.size()) - 1);
        m_shown = static_cast<int>(m_titles.size());
        endInsertRows();
    }

    const QString &key(int row) const { return m_keys.at(static_cast<std::size_t>(row)); }
    const QString &title(int row) const { return m_titles.at(static_cast<std::size_t>(row)); }
    QIcon icon(int row) const
    {
        const int picture = m_pictures.at(static_cast<std::size_t>(row));
        return picture >= 1 && picture <= m_images.size() ? m_images.at(picture - 1) : QIcon();
    }

private:
    std::vector<QString> m_keys;
    std::vector<QString> m_titles;
    std::vector<quint8> m_pictures;
    QList<QIcon> m_images;
    int m_shown = 0;
};

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
            [this](const QModelIndex &index) { emit entryClicked(m_entries->key(index.row())); });
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
    if (shown > 0 && shown >= firstRowInView() + viewport()->height() / rowHeight() + 1)
        return;
    m_entries->publish();
    const int rowsTall = rowHeight();
    const QRect appended(0, (shown - firstRowInView()) * rowsTall, viewport()->width(),
                         (m_entries->rowCount() - shown) * rowsTall);
    viewport()->repaint(appended & viewport()->rect());
}

int VideoTree::entryCount()
{
    m_entries->publish();
    return m_entries->rowCount();
}

QString VideoTree::entryKey(int row) const
{
    return m_entries->key(row);
}

QString VideoTree::entryTitle(int row) const
{
    return m_entries->title(row);
}

QIcon VideoTree::entryIcon(int row) const
{
    return m_entries->icon(row);
}

QModelIndex VideoTree::entryIndex(int row)
{
    m_entries->publish();
    return m_entries->index(row);
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
