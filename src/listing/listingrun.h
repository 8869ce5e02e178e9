#pragma once

#include "listing/siteaddress.h"

#include <QString>

#include <functional>
#include <optional>

namespace vidfolio {

class ListingView;
class PageFetcher;
class RunLoop;

// Puts the name typed into the user-name box into the list of names the
// program remembers, and returns it.
using RememberUserName = std::function<QString()>;

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
    ListingRun(ListingView &view, RememberUserName remember, PageFetcher &fetcher, RunLoop &loop,
               SiteRoots roots);

    void run();

private:
    // Tells the user when the first page shows that the user does not exist
    // or has no videos, and ends the run then.
    bool userHasVideos(const QString &userName);
    // Fetches and lists the numbered pages the first page announces; the
    // note the status line ends with, or nothing when a fetch was given up
    // because the program is ending.
    std::optional<QString> listNumberedPages(const QString &userName);
    // Splits one numbered page into pieces and adds an entry for each; false
    // when a piece was left out because the list is full.
    bool listPage();
    // Enables the window, fills the progress bar, shows `status` for a
    // moment and empties the bar again.
    void finish(const QString &status);

    ListingView &m_view;
    RememberUserName m_remember;
    PageFetcher &m_fetcher;
    RunLoop &m_loop;
    SiteRoots m_roots;
};

} // namespace vidfolio
