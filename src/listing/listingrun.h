#pragma once

#include "listing/siteaddress.h"
#include "platform/outcome.h"

#include <QString>

#include <functional>
#include <optional>

namespace vidfolio {

class ListingView;
class PageFetcher;
class RunLoop;
struct DownloadLimits;

// What keeping the typed name gave: the name, and how keeping it on disk
// went. Stopped: the run stops where it is. Failed: the run goes on, and its
// end tells the user why the names were not saved.
struct RememberedName
{
    QString userName;
    Outcome saved = Outcome::Done;
    QString saveFailure;
};

// Puts the name typed into the user-name box into the list of names the
// program remembers.
using RememberUserName = std::function<RememberedName()>;

// One listing of the user named in the user-name box: remembers the name,
// fetches the user's profile pages one after the other and adds an entry per
// video to the tree, reporting through the status line and progress bar.
class ListingRun
{
public:
    // `remember` runs once the window is disabled, before the tree is
    // emptied and the first page is asked for: the program keeps the name in
    // its history file from then on, so that no way the program ends can
    // lose it.
    // Each profile page is downloaded within `pageLimits`.
    ListingRun(ListingView &view, RememberUserName remember, PageFetcher &fetcher,
               const DownloadLimits &pageLimits, RunLoop &loop, SiteRoots roots);

    void run();

    // What a listing leaves behind when it was given up (in its closing
    // pause, the only time the window takes a command): an empty bar.
    static void givenUp(ListingView &view);

private:
    // Tells the user when the first page shows that the user does not exist
    // or has no videos, and ends the run then.
    bool userHasVideos(const QString &userName);
    // Fetches and lists the numbered pages the first page announces; the
    // note the status line ends with, or nothing when a fetch was stopped.
    std::optional<QString> listNumberedPages(const QString &userName);
    // Splits one numbered page into pieces and adds an entry for each; false
    // when a piece was left out because the list is full.
    bool listPage();
    // Enables the window, fills the progress bar, shows `status` for a
    // moment and empties the bar again.
    void finish(const QString &status);
    // Shows the status a run ends with, and the note on the save when it
    // failed.
    void showEnd(const QString &status);
    // Lets input queued while the window was disabled go, then enables the
    // window; false when the loop was stopped first.
    bool enableWindow();

    ListingView &m_view;
    RememberUserName m_remember;
    PageFetcher &m_fetcher;
    const DownloadLimits &m_pageLimits;
    RunLoop &m_loop;
    SiteRoots m_roots;
    QString m_saveNote;
};

} // namespace vidfolio
