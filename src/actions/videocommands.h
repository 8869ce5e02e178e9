#pragma once

#include "listing/siteaddress.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace vidfolio {

class Launcher;
class PageFetcher;
struct DownloadLimits;

// The three commands of the Video menu (watch page, bare player, video
// file) and the player lookup the last two start with.

// The tree entry the video commands act on.
struct SelectedVideo
{
    QString key;
    QString title;
};

// What the video commands need of the window.
class VideoCommandView
{
public:
    virtual ~VideoCommandView() = default;

    virtual void setStatus(const QString &text) = 0;
    virtual void setWindowEnabled(bool enabled) = 0;
    // The tree's selected entry, if any.
    virtual std::optional<SelectedVideo> selectedVideo() const = 0;
    // Tells the user that no entry is selected ("No video selected").
    virtual void showNoVideoSelected() = 0;
    // Called when a player lookup ends, with its result; nothing to show in
    // the window.
    virtual void lookupFinished(const QString &parameters) { Q_UNUSED(parameters); }
};

// Longer player parameters than this are not a player's: a marker whose
// quote is missing would otherwise hand the rest of a large page to the
// browser as one address, which the desktop cannot even start with.
inline constexpr qsizetype kMaxPlayerParameters = 4096;

// The player parameters in a watch page: the text after the first player
// marker up to the next double quote (or the page's end when no quote
// follows). Nothing when the page holds no marker, markers comparing
// exactly, or when the parameters are longer than kMaxPlayerParameters.
std::optional<QString> cutPlayerParameters(QStringView page);

struct PlayerLookup
{
    QString parameters;
    // False when the lookup ended with "Error": no page, or no marker in it.
    bool found = false;
};

// The player lookup: fetches the watch page at `address` within `limits`
// and cuts the player parameters out of it, telling the user how it went. A
// failed fetch or a page without the marker ends with "Error", the window
// enabled and an empty result; a fetch stopped by the run loop shows nothing
// more and finds nothing.
PlayerLookup GetVideoID(VideoCommandView &view, PageFetcher &fetcher, const QString &address,
                        const DownloadLimits &limits);

enum class VideoCommand
{
    Watch,       // opens the watch page
    Watchdirect, // opens the bare player with the video's player parameters
    Download,    // opens the video file with the same parameters
};

// Whether the command waits for the site (a lookup) before it opens its
// address.
bool waitsForTheSite(VideoCommand command);

// Runs a command of the Video menu on the selected entry. With no entry
// selected, or a key without an identifier part, nothing is opened and the
// user is told. After a lookup that ended with "Error", or was stopped,
// nothing is opened.
// The watch page is fetched within `watchPageLimits`.
void runVideoCommand(VideoCommand command, VideoCommandView &view, PageFetcher &fetcher,
                     const DownloadLimits &watchPageLimits, Launcher &launcher,
                     const SiteRoots &roots);

// What a Video command leaves behind when it was given up during its
// lookup: the busy status goes.
void videoCommandGivenUp(VideoCommandView &view);

} // namespace vidfolio
