#pragma once

#include <QSet>
#include <QString>

namespace vidfolio {

// What a listing run needs of the window. The tree's key index and the
// progress bar's rules live here, so every view behaves the same way; a view
// only shows what these operations decide.
class ListingView
{
public:
    virtual ~ListingView() = default;

    virtual void hideVideoMenu() = 0;
    virtual void setWindowEnabled(bool enabled) = 0;
    virtual void setStatus(const QString &text) = 0;
    // Whether "Last 10 or less" is ticked.
    virtual bool onlyRecent() const = 0;
    virtual void repaintTree() = 0;

    void clearTree();
    // Adds a top-level entry after the others. False, and nothing added, when
    // an entry with `key` is in the tree already (keys compare exactly).
    bool addTreeEntry(const QString &key, const QString &text, int image);
    int treeEntryCount() const { return static_cast<int>(m_keys.size()); }

    // The bar runs from 0 to its maximum. A maximum below the current value,
    // or a value below 0 or above the maximum, is refused: false, and the bar
    // stays as it was.
    int progressMaximum() const { return m_progressMaximum; }
    int progressValue() const { return m_progressValue; }
    bool setProgressMaximum(int maximum);
    bool setProgressValue(int value);

protected:
    virtual void treeCleared() = 0;
    virtual void treeEntryAdded(const QString &key, const QString &text, int image) = 0;
    virtual void progressChanged(int value, int maximum) = 0;

private:
    QSet<QString> m_keys;
    int m_progressMaximum = 100;
    int m_progressValue = 0;
};

} // namespace vidfolio
