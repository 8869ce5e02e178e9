#pragma once

#include "actions/loadpic.h"
#include "actions/videocommands.h"
#include "app/commands.h"
#include "history/historyfile.h"
#include "listing/pagefetcher.h"
#include "listing/siteaddress.h"
#include "platform/downloader.h"
#include "platform/filefolder.h"
#include "platform/launcher.h"

#include <functional>
#include <memory>

namespace vidfolio {

class ListingView;
class RunLoop;
class SelectionView;

// Bounds on one thumbnail download. A thumbnail is a few kilobytes and the
// window waits for it, so a slow or stuck picture server is given up far
// sooner than a page.
inline constexpr DownloadLimits kPictureLimits{.connectTimeout = std::chrono::seconds(10),
                                               .stallTimeout = std::chrono::seconds(10),
                                               .maxBytes = 16ll * 1024 * 1024,
                                               .totalTimeout = std::chrono::seconds(30)};

// What the program is made with; the defaults are those of the installed
// program. Tests and the probe point the site and the folder elsewhere.
struct ProgramSetup
{
    SiteRoots roots = SiteRoots::builtIn();
    // Where the history file and the scratch file live: beside the program
    // while it may write there, otherwise in the user's data folder.
    FileFolder folder = chooseFileFolder();
    // Opens the addresses of the Video menu; null for the desktop's handler.
    std::shared_ptr<Launcher> launcher{};
    // Bounds on each download, one set for each kind: a profile page of a
    // listing, the watch page of a lookup, a thumbnail.
    DownloadLimits pageLimits{};
    DownloadLimits watchPageLimits{};
    DownloadLimits pictureLimits = kPictureLimits;
    // Told of every page fetched, with how it went; the probe prints them.
    PageFetcher::Observer onFetch{};
};

// The program without its window: the file folder, the downloads (one
// downloader for pages and thumbnails, the page fetcher on top of it), the
// history of user names with its rules, and the commands a user gives, run
// by the command rule (Commands: which gives up which, and what one given
// up leaves behind). The window and the probe each hold one and hand it
// their views; it knows no widget.
class Program
{
public:
    Program(ProgramSetup setup, RunLoop &loop);

    // Loads the history into `box` at start, remembering what it found and
    // how many names it put there. An unreadable history is reported, and
    // saveHistory leaves it as it is.
    HistoryRead loadHistory(UserHistoryList &box);
    // Merges the names of `box` with the history file as other copies of the
    // program may have left it (see SaveUsers), unless loadHistory found the
    // file unreadable: saving this run's names over it would lose all the
    // names it holds. Called when a listing remembers a name and at the end.
    // Only a save that wrote the file counts its names as saved, so a later
    // one puts them back in their place. Saves never nest: an end that comes
    // during one is carried out once it has returned.
    SaveResult saveHistory(const UserList &box);

    // "List Videos": lists the user named in `users` into `view`, saving the
    // history as soon as the name is in the list, before any page is asked
    // for, so that the name survives however the program ends.
    void listVideos(ListingView &view, UserList &users);
    // A click on the tree entry with `key`: reveals the Video menu and loads
    // the video's thumbnails.
    void chooseVideo(SelectionView &view, const QString &key);
    // The Video menu opening: shows the selected entry's title as its first
    // item. Not a command: it waits for nothing and gives none up.
    void openVideoMenu(SelectionView &view);
    // A command of the Video menu on the entry `view` has selected.
    void runVideoCommand(VideoCommand command, VideoCommandView &view);

    // Ends the program, from anywhere (Exit, a close, a signal): the command
    // under way stops at once, the names of `box` are saved once, pending
    // events are handled, then `endProgram` is called. A second end does
    // nothing.
    void end(const UserList &box, std::function<void()> endProgram);
    // The player lookup: fetches the watch page at `address` and returns the
    // player parameters it names; empty when the page could not be fetched
    // or names none.
    QString GetVideoID(VideoCommandView &view, const QString &address);

private:
    SaveResult saveHistory(const UserList &box, std::chrono::milliseconds lockWait);

    ProgramSetup m_setup;
    RunLoop &m_loop;
    Commands m_commands;
    Downloader m_downloader;
    PageFetcher m_fetcher;
    HistoryRead m_historyRead = HistoryRead::Missing;
    // The names the history file held as this copy last read or saved it:
    // the last entries of the box; the names above them are new since.
    int m_historyLoaded = 0;
};

} // namespace vidfolio
