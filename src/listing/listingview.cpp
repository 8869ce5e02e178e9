#include "listing/listingview.h"

namespace vidfolio {

void ListingView::clearTree()
{
    m_keys.clear();
    treeCleared();
}

bool ListingView::addTreeEntry(const QString &key, const QString &text, int image)
{
    if (m_keys.contains(key))
        return false;
    m_keys.insert(key);
    treeEntryAdded(key, text, image);
    return true;
}

bool ListingView::setProgressMaximum(int maximum)
{
    if (maximum < m_progressValue)
        return false;
    if (maximum != m_progressMaximum) {
        m_progressMaximum = maximum;
        progressChanged(m_progressValue, m_progressMaximum);
    }
    return true;
}

bool ListingView::setProgressValue(int value)
{
    if (value < 0 || value > m_progressMaximum)
        return false;
    if (value != m_progressValue) {
        m_progressValue = value;
        progressChanged(m_progressValue, m_progressMaximum);
    }
    return true;
}

} // namespace vidfolio
