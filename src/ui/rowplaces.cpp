#include "ui/rowplaces.h"

#include <cmath>

namespace vidfolio::ui {

int RowPlaces::rowAt(int y) const
{
    return m_first + static_cast<int>(std::floor(double(y) / m_height));
}

int RowPlaces::firstRowShowing(int row, QAbstractItemView::ScrollHint hint) const
{
    const int page = rowsInView();
    switch (hint) {
    case QAbstractItemView::EnsureVisible:
        if (row < m_first)
            return row;
        if (row >= m_first + page)
            return row - page + 1;
        return m_first;
    case QAbstractItemView::PositionAtTop:
        return row;
    case QAbstractItemView::PositionAtBottom:
        return row - page + 1;
    case QAbstractItemView::PositionAtCenter:
        return row - page / 2;
    }
    return m_first;
}

} // namespace vidfolio::ui
