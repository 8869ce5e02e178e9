#pragma once

#include <QAbstractItemView>
#include <QRect>
#include <QSize>

#include <algorithm>

namespace vidfolio::ui {

// Where the video tree's rows are in its viewport: every row is as high as
// the first, and the view scrolls by whole rows, so a row's place is its
// number, counted from the first row in view, times that height. A value
// for one moment: the tree makes one from the row height, the scroll bar's
// value (the first row in view) and the viewport's size whenever it needs
// to know.
class RowPlaces
{
public:
    // `rowHeight` is at least one pixel.
    RowPlaces(int rowHeight, int firstRow, QSize viewport)
        : m_height(rowHeight), m_first(firstRow), m_viewport(viewport)
    {
    }

    int rowHeight() const { return m_height; }
    int firstRow() const { return m_first; }
    // Rows that fit wholly in the viewport (at least one).
    int rowsInView() const { return std::max(1, m_viewport.height() / m_height); }
    // The row whose line holds `y`, from the top of the viewport; above it,
    // y < 0, the rows before the first in view.
    int rowAt(int y) const;
    // The lines of `count` rows from `row`, across the viewport.
    QRect lines(int row, int count = 1) const
    {
        return {0, (row - m_first) * m_height, m_viewport.width(), count * m_height};
    }

    // The first row in view that shows `row` as `hint` asks, before the
    // scroll range bounds it.
    int firstRowShowing(int row, QAbstractItemView::ScrollHint hint) const;
    // The last first row in view of `rows` rows: one step a row, as a tree
    // scrolling by items, the last row ending at the bottom of the viewport.
    int lastFirstRow(int rows) const { return std::max(0, rows - rowsInView()); }
    // How far Page Up moves: to the row a viewport's height above, as a tree
    // does; the viewport may end in part of a row.
    int pageUpRows() const { return (m_viewport.height() + m_height - 1) / m_height; }
    int pageDownRows() const { return m_viewport.height() / m_height; }

private:
    int m_height;
    int m_first;
    QSize m_viewport;
};

} // namespace vidfolio::ui
