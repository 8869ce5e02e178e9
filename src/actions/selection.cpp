#include "actions/selection.h"

#include "listing/videokey.h"
#include "platform/runloop.h"

namespace vidfolio {

void NodeClick(SelectionView &view, Downloader &downloader, RunLoop &loop,
               const QString &clickedKey, const DownloadLimits &pictureLimits)
{
    view.focusUserBox();
    view.showVideoMenu();
    view.setStatus(QStringLiteral("Loading pictures..."));
    const QString base = splitVideoKey(clickedKey).thumbnailBase;
    for (int box = 0; box < 3; ++box) {
        const QImage picture = LoadPic(
            downloader, base + QString::number(box + 1) + QStringLiteral(".jpg"), pictureLimits);
        // A close while the picture loaded ends the program, and a newer
        // command gives this one up: nothing more is shown.
        if (loop.stopped())
            return;
        view.setThumbnail(box, picture);
    }
    loop.pumpEvents();
    if (loop.stopped())
        return;
    view.setStatus(QStringLiteral("Finished"));
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
