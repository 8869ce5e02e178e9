#include "ui/videotree.h"

#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

using vidfolio::ui::VideoTree;

namespace {

// A VideoTree beside a plain QTreeWidget set up the same way; whatever the
// plain tree shows after a change is what the video tree must show too.
class VideoTreeTest : public ::testing::TestWithParam<QAbstractItemView::ScrollMode>
{
protected:
    void SetUp() override
    {
        auto *row = new QHBoxLayout(&window);
        for (QTreeWidget *tree : std::initializer_list<QTreeWidget *>{&plain, &video}) {
            tree->setFixedSize(300, 150);
            tree->setHeaderHidden(true);
            tree->setRootIsDecorated(false);
            tree->setUniformRowHeights(true);
            tree->setVerticalScrollMode(GetParam());
            row->addWidget(tree);
        }
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void append(int count)
    {
        for (int i = 0; i < count; ++i) {
            const QString text = QStringLiteral("Video %1 with a title long enough to be cut short")
                                     .arg(plain.topLevelItemCount() + 1);
            plain.addTopLevelItem(new QTreeWidgetItem(QStringList(text)));
            video.addTopLevelItem(new QTreeWidgetItem(QStringList(text)));
            plain.viewport()->repaint();
            video.viewport()->repaint();
            expectSameView();
        }
    }

    void expectSameView()
    {
        const QScrollBar *expected = plain.verticalScrollBar();
        const QScrollBar *actual = video.verticalScrollBar();
        const int rows = plain.topLevelItemCount();
        EXPECT_EQ(actual->maximum(), expected->maximum()) << rows << " rows";
        EXPECT_EQ(actual->pageStep(), expected->pageStep()) << rows << " rows";
        EXPECT_EQ(actual->value(), expected->value()) << rows << " rows";
        EXPECT_EQ(actual->isVisible(), expected->isVisible()) << rows << " rows";
        EXPECT_TRUE(video.grab().toImage() == plain.grab().toImage()) << rows << " rows";
    }

    // What the window shows of `tree`, as far as it has been painted.
    QImage onScreen(QTreeWidget &tree)
    {
        const QPoint at = tree.mapTo(&window, QPoint(0, 0));
        return window.screen()
            ->grabWindow(window.winId(), at.x(), at.y(), tree.width(), tree.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    static QImage painted(QTreeWidget &tree)
    {
        return tree.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    QWidget window;
    QTreeWidget plain;
    VideoTree video;
};

TEST_P(VideoTreeTest, AppendedRowsShowAndScrollAsInAPlainTree)
{
    // Past the first rows the scroll bar appears and new rows fall below
    // the view; every step looks as it does in the plain tree.
    append(40);
}

TEST_P(VideoTreeTest, RowsAppendedWhileScrolledToTheEndShowAsInAPlainTree)
{
    append(30);
    plain.scrollToBottom();
    video.scrollToBottom();
    expectSameView();
    append(20);
}

TEST_P(VideoTreeTest, RowsPutOffAreLaidOutOnceEventsAreHandled)
{
    append(20);
    for (int i = 0; i < 500; ++i) {
        plain.addTopLevelItem(new QTreeWidgetItem(QStringList(QString::number(i))));
        video.addTopLevelItem(new QTreeWidgetItem(QStringList(QString::number(i))));
    }
    QTest::qWait(0);
    video.scrollToBottom();
    plain.scrollToBottom();
    expectSameView();
    QTreeWidgetItem *last = video.topLevelItem(video.topLevelItemCount() - 1);
    EXPECT_TRUE(video.viewport()->rect().contains(video.visualItemRect(last)));
    EXPECT_EQ(video.itemAt(video.visualItemRect(last).center()), last);
}

TEST_P(VideoTreeTest, WhatIsOnScreenIsWhatAFreshPaintShows)
{
    // The scroll bar leaves out repaints that would change no pixel; once
    // the pending updates are handled, none may be found missing.
    for (int i = 0; i < 60; ++i) {
        video.addTopLevelItem(new QTreeWidgetItem(QStringList(QString::number(i))));
        video.viewport()->repaint();
        ASSERT_TRUE(QTest::qWaitFor([&] { return onScreen(video) == painted(video); }, 2000))
            << i + 1 << " rows";
    }
    video.scrollToBottom();
    EXPECT_TRUE(QTest::qWaitFor([&] { return onScreen(video) == painted(video); }, 2000));
}

TEST_P(VideoTreeTest, RowsInsertedAboveTheEndAreLaidOutAtOnce)
{
    append(30);
    plain.insertTopLevelItem(0, new QTreeWidgetItem(QStringList(QStringLiteral("first"))));
    video.insertTopLevelItem(0, new QTreeWidgetItem(QStringList(QStringLiteral("first"))));
    plain.viewport()->repaint();
    video.viewport()->repaint();
    expectSameView();
}

INSTANTIATE_TEST_SUITE_P(ScrollModes, VideoTreeTest,
                         ::testing::Values(QAbstractItemView::ScrollPerItem,
                                           QAbstractItemView::ScrollPerPixel),
                         [](const auto &info) {
                             return info.param == QAbstractItemView::ScrollPerItem ? "PerItem"
                                                                                   : "PerPixel";
                         });

} // namespace
