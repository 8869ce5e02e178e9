#include "listing/listingrun.h"

#include "history/userlist.h"
#include "listing/listingview.h"
#include "listing/pagefetcher.h"
#include "listing/profilepage.h"
#include "platform/runloop.h"

namespace vidfolio {

QString profileAddress(const SiteRoots &roots, const QString &userName, qint64 page)
{
    const QString name = queryValue(userName);
    if (page == 0)
        return roots.root + QStringLiteral("/profile_videos?user=") + name;
    return roots.rootWww + QStringLiteral("/profile_videos?user=") + name +
           QStringLiteral("&page=") + QString::number(page);
}

ListingRun::ListingRun(ListingView &view, UserList &users, PageFetcher &fetcher, RunLoop &loop,
                       SiteRoots roots)
    : m_view(view), m_users(users), m_fetcher(fetcher), m_loop(loop), m_roots(std::move(roots))
{
}

void ListingRun::run()
{
    m_view.hideVideoMenu();
    m_view.setWindowEnabled(false);
    m_loop.pumpEvents();
    rememberUserName(m_users);
    m_view.clearTree();
    m_view.setStatus(QStringLiteral("Working, please wait.."));

    const QString userName = m_users.userText();
    const FetchResult first = m_fetcher.FetchPage(profileAddress(m_roots, userName, 0));
    if (!first.ok) {
        finish(QStringLiteral("Download failed: ") + first.reason);
        return;
    }
    const QString &firstPage = m_fetcher.PageText();
    if (firstPage.contains(u"machid:")) {
        m_view.setStatus(QStringLiteral("User ") + userName + QStringLiteral(" not found!"));
        m_view.setWindowEnabled(true);
        return;
    }
    if (firstPage.contains(u"This user doesn't have any videos at this time!")) {
        m_view.setStatus(QStringLiteral("This user doesn't have any videos!"));
        m_view.setWindowEnabled(true);
        return;
    }

    const qint64 pageCount = profilePageCount(firstPage);
    QString pageFailure;
    for (qint64 page = 1; page <= pageCount; ++page) {
        const FetchResult fetched = m_fetcher.FetchPage(profileAddress(m_roots, userName, page));
        if (!fetched.ok) {
            pageFailure = QStringLiteral(" (page %1 failed: %2)").arg(page).arg(fetched.reason);
            break;
        }
        listPage();
        m_view.setProgressValue(m_view.progressValue() + 1);
        if (m_view.onlyRecent())
            break;
    }
    finish(QStringLiteral("Finished: %1 videos").arg(m_view.treeEntryCount()) + pageFailure);
}

void ListingRun::listPage()
{
    QString &text = m_fetcher.PageText();
    const qsizetype listStart = text.indexOf(u"Public Videos");
    if (listStart > 0)
        text.remove(0, listStart);

    // Piece 0, the text before the first "vTable", holds no video. An empty
    // page has no pieces at all.
    const QList<QStringView> pieces = QStringView(text).split(u"vTable");
    const int lastPiece = text.isEmpty() ? -1 : static_cast<int>(pieces.size()) - 1;
    m_view.setProgressMaximum(lastPiece);
    for (int i = 1; i <= lastPiece; ++i) {
        if (const auto entry = cutVideoPiece(pieces.at(i)))
            m_view.addTreeEntry(entry->key, entry->title, 1);
        m_view.repaintTree();
    }
}

void ListingRun::finish(const QString &status)
{
    m_view.setWindowEnabled(true);
    m_view.setProgressValue(m_view.progressMaximum());
    m_view.setStatus(status);
    m_loop.pumpEvents();
    m_loop.sleepMs(300);
    m_view.setProgressValue(0);
}

} // namespace vidfolio
