#pragma once

#include "actions/loadpic.h"
#include "actions/videocommands.h"

#include <QImage>
#include <QString>

namespace vidfolio {

class RunLoop;

// The thumbnail boxes, and the pictures of a video: one for each.
inline constexpr int kThumbnails = 3;

// What choosing a video in the tree needs of the window, beyond the video
// commands' needs.
class SelectionView : public VideoCommandView
{
public:
    // Moves the keyboard focus to the user-name box.
    virtual void focusUserBox() = 0;
    virtual void showVideoMenu() = 0;
    // Shows `picture` in thumbnail box `box` (0 to kThumbnails - 1); a null
    // image empties it.
    virtual void setThumbnail(int box, const QImage &picture) = 0;
    // The first item of the Video menu, which only displays the title.
    virtual void setVideoNameCaption(const QString &caption) = 0;
};

// A click on the tree entry with `clickedKey`: reveals the Video menu and
// loads the video's thumbnails, one after the other, into the boxes,
// each download bounded by `pictureLimits`. A thumbnail that cannot be
// loaded leaves its box empty. Returns how many boxes, from the first, were
// given their picture (or emptied for one that failed): fewer than all
// when the loop was stopped first.
int NodeClick(SelectionView &view, Downloader &downloader, RunLoop &loop, const QString &clickedKey,
              const DownloadLimits &pictureLimits);

// What a click on a video leaves behind when it was given up after
// `boxesDone` boxes: the boxes whose pictures never came are emptied, as for
// a picture that failed, and the busy status goes.
void nodeClickGivenUp(SelectionView &view, int boxesDone);

// The Video menu opening: its first item shows the selected title, cut to 30
// characters, followed by "...". Without a selected entry the user is told
// and the caption stays as it was.
void VideoMenuOpened(SelectionView &view);

QString videoNameCaption(const QString &title);

} // namespace vidfolio
