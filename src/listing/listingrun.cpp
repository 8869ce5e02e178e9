#include "listing/listingrun.h"

#include "listing/listingview.h"
#include "listing/pagefetcher.h"
#include "listing/profilepage.h"
#include "platform/runloop.h"

namespace vidfolio {
namespace {

// Pages in a row that add no new video before the run stops early.
constexpr int kPagesWithoutNewVideo = 10;

} // namespace

ListingRun::ListingRun(ListingView &view, RememberUserName remember, PageFetcher &fetcher,
                       const DownloadLimits &pageLimits, RunLoop &loop, SiteRoots roots)
    : m_view(view), m_remember(std::move(remember)), m_fetcher(fetcher), m_pageLimits(pageLimits),
      m_loop(loop), m_roots(std::move(roots))
{
}

void ListingRun::run()
{
    m_view.hideVideoMenu();
    m_view.setWindowEnabled(false);
    if (m_loop.pumpEvents() == WaitEnd::Stopped)
        return;
    const RememberedName remembered = m_remember();
    if (remembered.saved == Outcome::Stopped)
        return;
    if (remembered.saved == Outcome::Failed)
        m_saveNote = QStringLiteral(" (user names not saved: %1)").arg(remembered.saveFailure);
    const QString &userName = remembered.userName;
    m_view.clearTree();
    m_view.setStatus(QStringLiteral("Working, please wait.."));

    const FetchResult first =
        m_fetcher.FetchPage(profileAddress(m_roots, userName, 0), m_pageLimits);
    switch (first.outcome) {
    case Outcome::Stopped:
        return;
    case Outcome::Failed:
        finish(QStringLiteral("Download failed: ") + first.reason);
        return;
    case Outcome::Done:
        break;
    }
    if (!userHasVideos(userName))
        return;
    const std::optional<QString> note = listNumberedPages(userName);
    if (!note)
        return;
    finish(QStringLiteral("Finished: %1 videos").arg(m_view.treeEntryCount()) + *note);
}

void ListingRun::givenUp(ListingView &view)
{
    view.setProgressValue(0);
}

bool ListingRun::userHasVideos(const QString &userName)
{
    const QString &firstPage = m_fetcher.PageText();
    if (firstPage.contains(u"machid:")) {
        showEnd(QStringLiteral("User ") + userName + QStringLiteral(" not found!"));
        enableWindow();
        return false;
    }
    if (firstPage.contains(u"This user doesn't have any videos at this time!")) {
        showEnd(QStringLiteral("This user doesn't have any videos!"));
        enableWindow();
        return false;
    }
    return true;
}

std::optional<QString> ListingRun::listNumberedPages(const QString &userName)
{
    // A page count read from a hostile or broken page may be huge: the run
    // ends once the list is full, or when a run of pages in a row brings no
    // video it has not listed yet (the site has nothing more to show).
    const QString &firstPage = m_fetcher.PageText();
    const std::optional<qint64> videoCount = profileVideoCount(firstPage);
    const qint64 pageCount = profilePageCount(firstPage);
    QString note = videoCount ? QString() : QStringLiteral(" (no video count on the page)");
    int pagesWithoutNewVideo = 0;
    for (qint64 page = 1; page <= pageCount; ++page) {
        const FetchResult fetched =
            m_fetcher.FetchPage(profileAddress(m_roots, userName, page), m_pageLimits);
        if (fetched.outcome == Outcome::Stopped)
            return std::nullopt;
        if (fetched.outcome == Outcome::Failed)
            return QStringLiteral(" (page %1 failed: %2)").arg(page).arg(fetched.reason);
        const int listedBefore = m_view.treeEntryCount();
        const bool roomLeft = listPage();
        m_view.setProgressValue(m_view.progressValue() + 1);
        if (!roomLeft)
            return QStringLiteral(" (the list stops at %1 videos)").arg(kMaxListedVideos);
        pagesWithoutNewVideo =
            m_view.treeEntryCount() > listedBefore ? 0 : pagesWithoutNewVideo + 1;
        if (pagesWithoutNewVideo == kPagesWithoutNewVideo && page < pageCount) {
            return QStringLiteral(" (pages %1 to %2 listed no new video)")
                .arg(page - kPagesWithoutNewVideo + 1)
                .arg(page);
        }
        if (m_view.onlyRecent())
            break;
    }
    return note;
}

bool ListingRun::listPage()
{
    QString &text = m_fetcher.PageText();
    const QList<QStringView> pieces = videoPieces(text);
    // An empty page has no pieces at all, not even the one before the first
    // "vTable", so its maximum is -1 (which the bar refuses).
    m_view.setProgressMaximum(text.isEmpty() ? -1 : static_cast<int>(pieces.size()));
    for (const QStringView piece : pieces) {
        if (m_view.treeEntryCount() >= kMaxListedVideos)
            return false;
        if (const auto entry = cutVideoPiece(piece))
            m_view.addTreeEntry(entry->key, entry->title, 1);
        m_view.repaintTree();
    }
    return true;
}

void ListingRun::showEnd(const QString &status)
{
    m_view.setStatus(status + m_saveNote);
}

bool ListingRun::enableWindow()
{
    // Input that reached the window while it was disabled is handled now, by
    // the disabled window, which drops it.
    if (m_loop.pumpEvents() == WaitEnd::Stopped)
        return false;
    m_view.setWindowEnabled(true);
    return true;
}

void ListingRun::finish(const QString &status)
{
    if (!enableWindow())
        return;
    m_view.setProgressValue(m_view.progressMaximum());
    showEnd(status);
    // Given up in the pause, the run leaves the bar to givenUp.
    if (m_loop.pumpEvents() == WaitEnd::Stopped || m_loop.sleepMs(300) == WaitEnd::Stopped)
        return;
    m_view.setProgressValue(0);
}

} // namespace vidfolio
