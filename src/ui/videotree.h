#pragma once

#include <QTimer>
#include <QTreeWidget>

namespace vidfolio::ui {

// The tree of listed videos: a QTreeWidget on which appending a row costs
// the same however many rows it holds.
//
// QTreeView lays out all of its rows again at the first paint after any row
// is inserted, so repainting after each of n appended rows took time growing
// with n squared. A row appended while the rows already laid out reach past
// the bottom of the viewport cannot change what the viewport shows: the tree
// puts off laying out such rows and only lengthens the scroll range by what
// they add. The rows put off are laid out, all at once, as soon as the event
// loop runs, the tree gets any event other than a paint, or it scrolls.
class VideoTree final : public QTreeWidget
{
    Q_OBJECT
public:
    explicit VideoTree(QWidget *parent = nullptr);

    void doItemsLayout() override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

protected:
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;

private:
    void layOutRowsPutOff();

    bool m_rowsPutOff = false;
    QTimer m_layOutSoon;
};

} // namespace vidfolio::ui
