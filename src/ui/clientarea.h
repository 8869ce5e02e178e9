#pragma once

#include "ui/thumbnailrow.h"

#include <QWidget>

class QLabel;
class QProgressBar;

namespace vidfolio::ui {

class ClickArea;
class UserNameBox;
class VideoTree;

// The window's client area, below the menu bar ("ClientArea"): every
// control in its place of the layout, with its name, its colours and what a
// screen reader says of it. Tab goes from the tree to the user-name box and
// on to the thumbnails; the captions, bars and click area take no focus.
class ClientArea final : public QWidget
{
public:
    explicit ClientArea(QWidget *parent);

    UserNameBox *userBox() const { return m_txtUser; }
    // The click area over the words "List Videos".
    ClickArea *listVideos() const { return m_cmdGo; }
    VideoTree *tree() const { return m_treeVids; }
    QProgressBar *progressBar() const { return m_pb; }
    // The label that holds the status line's text.
    QLabel *status() const { return m_statText; }
    const ThumbnailRow &thumbnails() const { return m_thumbnails; }

private:
    // Made in the order declared, from the bottom of the stacking order up,
    // so that a control listed earlier in the layout lies above one listed
    // later.
    ClickArea *m_cmdGo;
    QProgressBar *m_pb;
    VideoTree *m_treeVids;
    QLabel *m_statText;
    UserNameBox *m_txtUser;
    ThumbnailRow m_thumbnails;
};

} // namespace vidfolio::ui
