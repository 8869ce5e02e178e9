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
                       RunLoop &loop, SiteRoots roots)
    : m_view(view), m_remember(std::move(remember)), m_fetcher(fetcher), m_loop(loop),
      m_roots(std::move(roots))
{
}

void ListingRun::run()
{
    m_view.hideVideoMenu();
    m_view.setWindowEnabled(false);
    m_loop.pumpEvents();
    // Each wait may end the program; the run then stops where it is.
    if (m_loop.stopped())
        return;
    const QString userName = m_remember();
    // Keeping the name may pump events, and a close among them ends the
    // program.
    if (m_loop.stopped())
        return;
    m_view.clearTree();
    m_view.setStatus(QStringLiteral("Working, please wait.."));

    const FetchResult first = m_fetcher.FetchPage(profileAddress(m_roots, userName, 0));
    if (first.abandoned)
        return;
    if (!first.ok) {
        finish(QStringLiteral("Download failed: ") + first.reason);
        return;
    }
    if (!userHasVideos(userName))
        return;
    const std::optional<QString> note = listNumberedPages(userName);
    if (!note)
        return;
    finish(QStringLiteral("Finished: %1 videos").arg(m_view.treeEntryCount()) + *note);
}

bool ListingRun::userHasVideos(const QString &userName)
{
    const QString &firstPage = m_fetcher.PageText();
    if (firstPage.contains(u"machid:")) {
        m_view.setStatus(QStringLiteral("User ") + userName + QStringLiteral(" not found!"));
        m_view.setWindowEnabled(true);
        return false;
    }
    if (firstPage.contains(u"This user doesn't have any videos at this time!")) {
        m_view.setStatus(QStringLiteral("This user doesn't have any videos!"));
        m_view.setWindowEnabled(true);
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
        const FetchResult fetched = m_fetcher.FetchPage(profileAddress(m_roots, userName, page));
        if (fetched.abandoned)
            return std::nullopt;
        if (!fetched.ok)
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

void ListingRun::finish(const QString &status)
{
    m_view.setWindowEnabled(true);
    m_view.setProgressValue(m_view.progressMaximum());
    m_view.setStatus(status);
    m_loop.pumpEvents();
    m_loop.sleepMs(300);
    // A newer command cuts the pause short; the bar is emptied all the same.
    if (m_loop.stopped())
        return;
    m_view.setProgressValue(0);
}

} // namespace vidfolio
