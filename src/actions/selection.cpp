#include "actions/selection.h"

#include "listing/siteaddress.h"
#include "listing/videokey.h"
#include "platform/runloop.h"

namespace vidfolio {

int NodeClick(SelectionView &view, Downloader &downloader, RunLoop &loop, const QString &clickedKey,
              const DownloadLimits &pictureLimits)
{
    view.focusUserBox();
    view.showVideoMenu();
    view.setStatus(QStringLiteral("Loading pictures..."));
    const QString base = splitVideoKey(clickedKey).thumbnailBase;
    for (int box = 0; box < kThumbnails; ++box) {
        const LoadedPicture loaded =
            LoadPic(downloader, thumbnailAddress(base, box + 1), pictureLimits);
        if (loaded.outcome == Outcome::Stopped)
            return box;
        view.setThumbnail(box, loaded.image);
    }
    if (loop.pumpEvents() == WaitEnd::Stopped)
        return kThumbnails;
    view.setStatus(QStringLiteral("Finished"));
    return kThumbnails;
}

void nodeClickGivenUp(SelectionView &view, int boxesDone)
{
    for (int box = boxesDone; box < kThumbnails; ++box)
        view.setThumbnail(box, QImage());
    view.setStatus(QString());
}

void VideoMenuOpened(SelectionView &view)
{
    if (const std::optional<SelectedVideo> selected = view.selectedVideo())
        view.setVideoNameCaption(videoNameCaption(selected->title));
    else
        view.showNoVideoSelected();
}

QString videoNameCaption(const QString &title)
{
    // Thirty characters, counting a character outside the Basic Multilingual
    // Plane once, so that none is cut in half.
    constexpr int kShown = 30;
    qsizetype end = 0;
    for (int shown = 0; shown < kShown && end < title.size(); ++shown) {
        const bool pair = title.at(end).isHighSurrogate() && end + 1 < title.size() &&
                          title.at(end + 1).isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return title.first(end) + QStringLiteral("...");
}

} // namespace vidfolio
