#include "ui/videotree.h"

#include "ui/videoentries.h"

#include <QEvent>
#include <QPaintEvent>
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

} // namespace vidfolio::ui
