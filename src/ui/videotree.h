#pragma once

#include <QAbstractItemView>
#include <QIcon>
#include <QList>
#include <QTimer>

#include <optional>

namespace vidfolio::ui {

class RowPlaces;
class VideoEntries;

// The tree of listed videos: a list of entries (key, title, picture) on
// which appending costs the same however many entries it holds, up to the
// listing's cap of 200,000.
//
// Every entry is a root node of one line, and all lines are as high as the
// first, so a row's place is its number times that height (RowPlaces):
// nothing is laid out, and painting draws only the rows in the viewport.
// Appended entries join the model together, in one insertion, when the
// event loop next turns (or at once when they would show in the viewport,
// or when asked for), so a page of entries costs the view one step. The
// view scrolls by rows; the arrow, page, Home and End keys move the current
// entry as in a tree, and only a mouse click on an entry raises
// entryClicked. The selection, the current entry and the keys
// (Qt::UserRole) work as in any item view.
class VideoTree final : public QAbstractItemView
{
    Q_OBJECT
public:
    explicit VideoTree(QWidget *parent = nullptr);
    ~VideoTree() override;

    // The pictures an entry's picture number (from 1) stands for.
    void setImages(const QList<QIcon> &images);

    // Appends an entry below the others; it shows at the next turn of the
    // event loop, or at repaintNow().
    void appendEntry(const QString &key, const QString &title, int image);
    void clearEntries();
    // Shows at once the entries appended since the last turn that fall in
    // the viewport; those below it join with the next turn.
    void repaintNow();

    QString entryKey(int row) const;
    QString entryTitle(int row) const;
    // The row of the selected entry, if any.
    std::optional<int> selectedRow() const;

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;

Q_SIGNALS:
    // A mouse click on an entry, with its key.
    void entryClicked(const QString &key);

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void paintEvent(QPaintEvent *event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void changeEvent(QEvent *event) override;

private:
    // The height of every row, measured on the first once there is one.
    int rowHeight() const;
    RowPlaces places() const;
    void updateScrollRange();

    VideoEntries *m_entries;
    QTimer m_publishSoon;
    mutable int m_rowHeight = 0;
};

} // namespace vidfolio::ui
