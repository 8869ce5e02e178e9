#include "ui/videotree.h"

#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using vidfolio::ui::VideoTree;

namespace {

// A VideoTree beside a plain QTreeWidget of one column set up the same way;
// whatever the plain tree shows after a change is what the video tree must
// show too: the same lines, scroll range and selection.
class VideoTreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto *row = new QHBoxLayout(&window);
        plain.setHeaderHidden(true);
        plain.setRootIsDecorated(false);
        plain.setUniformRowHeights(true);
        for (QAbstractItemView *view : std::initializer_list<QAbstractItemView *>{&plain, &video}) {
            view->setFixedSize(300, 150);
            view->setIconSize(QSize(16, 16));
            row->addWidget(view);
        }
        QPixmap camera(16, 16);
        camera.fill(Qt::darkBlue);
        icon = QIcon(camera);
        video.setImages({icon});
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // Appends `count` entries to both; the video tree takes them in one step
    // at the next turn of the event loop.
    void append(int count)
    {
        for (int i = 0; i < count; ++i) {
            const int n = plain.topLevelItemCount() + 1;
            const QString title =
                QStringLiteral("Video %1 with a title long enough to be cut short").arg(n);
            auto *item = new QTreeWidgetItem(QStringList(title));
            item->setData(0, Qt::UserRole, QStringLiteral("key%1").arg(n));
            item->setIcon(0, icon);
            plain.addTopLevelItem(item);
            video.appendEntry(QStringLiteral("key%1").arg(n), title, 1);
        }
        QTest::qWait(0);
        // A scroll bar shows or hides in a queued call after its range has
        // changed, in either view; a slow turn may leave it for the next.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    void expectSameView(const char *step)
    {
        // The turn of the event loop took every appended entry in, unasked.
        const int rows = plain.topLevelItemCount();
        ASSERT_EQ(video.model()->rowCount(), rows) << step;
        // What the view is given for each line, and what a screen reader reads.
        for (int row = 0; row < rows; ++row) {
            const QModelIndex shown = video.model()->index(row, 0);
            for (const int role : {Qt::DisplayRole, Qt::UserRole})
                ASSERT_EQ(shown.data(role), plain.topLevelItem(row)->data(0, role)) << step;
        }
        const QScrollBar *expected = plain.verticalScrollBar();
        const QScrollBar *actual = video.verticalScrollBar();
        EXPECT_EQ(actual->maximum(), expected->maximum()) << step << ", " << rows << " rows";
        EXPECT_EQ(actual->pageStep(), expected->pageStep()) << step << ", " << rows << " rows";
        EXPECT_EQ(actual->value(), expected->value()) << step << ", " << rows << " rows";
        EXPECT_EQ(actual->isVisible(), expected->isVisible()) << step << ", " << rows << " rows";
        const QList<QTreeWidgetItem *> selected = plain.selectedItems();
        const std::optional<int> selectedRow = video.selectedRow();
        ASSERT_EQ(selectedRow.has_value(), !selected.isEmpty()) << step;
        if (selectedRow) {
            EXPECT_EQ(*selectedRow, plain.indexOfTopLevelItem(selected.first())) << step;
        }
        EXPECT_EQ(video.currentIndex().row(), plain.currentIndex().row()) << step;
        // What it paints, pixel for pixel, the selected line aside: the plain
        // tree draws the highlight behind its text a shade darker.
        const auto painted = [&](QAbstractItemView &view) {
            QImage image = view.viewport()->grab().toImage();
            if (selectedRow)
                QPainter(&image).fillRect(video.visualRect(video.model()->index(*selectedRow, 0)),
                                          Qt::red);
            return image;
        };
        EXPECT_EQ(painted(video), painted(plain)) << step;
        // Each line in view holds the entry at its place.
        for (int y = 0; y < video.viewport()->height(); y += 5) {
            const QModelIndex expectedAt = plain.indexAt(QPoint(10, y));
            const QModelIndex actualAt = video.indexAt(QPoint(10, y));
            EXPECT_EQ(actualAt.row(), expectedAt.row()) << step << ", y " << y;
            if (actualAt.isValid()) {
                EXPECT_EQ(video.visualRect(actualAt).top(), plain.visualRect(expectedAt).top());
            }
        }
    }

    // What the window shows of the video tree, as far as it has been painted.
    QImage onScreen()
    {
        const QPoint at = video.mapTo(&window, QPoint(0, 0));
        return window.screen()
            ->grabWindow(window.winId(), at.x(), at.y(), video.width(), video.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    QImage painted() { return video.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    QWidget window;
    QTreeWidget plain;
    VideoTree video;
    QIcon icon;
};

TEST_F(VideoTreeTest, BatchedAppendsKeepEntriesOrderSelectionAndScrollRange)
{
    // One entry, then batches that fill the view, pass its end and go on
    // below it; a selection made on the way stays with its entry, and a view
    // scrolled to the end stays where it was as more entries come.
    append(1);
    expectSameView("one entry");
    append(6);
    expectSameView("a batch of six");
    plain.setCurrentItem(plain.topLevelItem(3));
    video.setCurrentIndex(video.model()->index(3, 0));
    append(40);
    expectSameView("a batch past the end of the view");
    plain.scrollToBottom();
    video.scrollToBottom();
    append(1000);
    expectSameView("a page's worth while scrolled to the end");
    plain.scrollToBottom();
    video.scrollToBottom();
    expectSameView("scrolled to the end again");
    plain.clear();
    video.clearEntries();
    expectSameView("emptied");
    append(3);
    expectSameView("after emptying");
}

TEST_F(VideoTreeTest, KeysMoveTheCurrentEntryAsInAPlainTreeWithoutANodeClick)
{
    append(100);
    plain.setCurrentItem(plain.topLevelItem(0));
    video.setCurrentIndex(video.model()->index(0, 0));
    const QSignalSpy clicks(&video, &VideoTree::entryClicked);
    const struct
    {
        Qt::Key key;
        const char *name;
    } keys[] = {{Qt::Key_Down, "down"},
                {Qt::Key_Down, "down again"},
                {Qt::Key_PageDown, "page down"},
                {Qt::Key_Up, "up"},
                {Qt::Key_End, "end"},
                {Qt::Key_Down, "down at the end"},
                {Qt::Key_PageUp, "page up"},
                {Qt::Key_Home, "home"},
                {Qt::Key_Up, "up at the top"}};
    for (const auto &key : keys) {
        QTest::keyClick(&plain, key.key);
        QTest::keyClick(&video, key.key);
        expectSameView(key.name);
    }
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(VideoTreeTest, AClickNamesTheEntryUnderTheMouse)
{
    append(30);
    video.scrollToBottom();
    const QSignalSpy clicks(&video, &VideoTree::entryClicked);
    const QModelIndex last = video.model()->index(29, 0);
    QTest::mouseClick(video.viewport(), Qt::LeftButton, {}, video.visualRect(last).center());
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toString(), QStringLiteral("key30"));
    EXPECT_EQ(video.selectedRow(), std::optional<int>(29));
}

TEST_F(VideoTreeTest, WhatIsOnScreenIsWhatAFreshPaintShows)
{
    // Entries painted at once as they come, and the scroll bar that leaves
    // out repaints changing no pixel: once the pending updates are handled,
    // none may be found missing.
    for (int i = 0; i < 60; ++i) {
        video.appendEntry(QString::number(i), QString::number(i), 1);
        video.repaintNow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return onScreen() == painted(); }, 2000))
            << i + 1 << " rows";
    }
    video.scrollToBottom();
    EXPECT_TRUE(QTest::qWaitFor([&] { return onScreen() == painted(); }, 2000));
}

} // namespace
