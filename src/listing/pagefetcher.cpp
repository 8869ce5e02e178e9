#include "listing/pagefetcher.h"

#include "platform/downloader.h"
#include "platform/fileturn.h"
#include "platform/programfolder.h"
#include "platform/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vidfolio {
namespace {

// Time for the fetch around the download: reading and deleting the page.
constexpr std::chrono::seconds kScratchWaitMargin{30};

} // namespace

PageFetcher::PageFetcher(Downloader &downloader, const QString &folder)
    : m_downloader(downloader), m_scratchPath(pathInFolder(folder, QStringLiteral("temp.txt"))),
      m_scratchWait(downloader.limits().totalTimeout + kScratchWaitMargin)
{
}

FetchResult PageFetcher::FetchPage(const QString &address)
{
    const FetchResult result = takeTurnAndFetch(address);
    if (m_observer)
        m_observer(address, result);
    return result;
}

FetchResult PageFetcher::takeTurnAndFetch(const QString &address)
{
    FileTurn turn = FileTurn::take(m_scratchPath, m_scratchWait);
    if (turn.status() == FileTurn::Status::CannotOpen) {
        // The data folder is made when the first file goes into it.
        QDir().mkpath(QFileInfo(m_scratchPath).absolutePath());
        turn = FileTurn::take(m_scratchPath, m_scratchWait);
    }
    if (turn.status() == FileTurn::Status::Busy)
        return {false, QStringLiteral("scratch file busy")};
    if (turn.status() == FileTurn::Status::CannotOpen)
        return {false, QStringLiteral("cannot write temp.txt")};

    // A file left by a run that crashed is ours now: the download truncates
    // it, and a failed download deletes it unread.
    FetchResult result = fetch(address);
    // Whatever happened, no scratch file outlives the fetch. It goes before
    // the turn does, so that the next holder starts a file of its own.
    QFile::remove(m_scratchPath);
    return result;
}

FetchResult PageFetcher::fetch(const QString &address)
{
    const DownloadResult download = m_downloader.DownloadFile(
        address.toStdString(), QFile::encodeName(m_scratchPath).toStdString());
    if (!download.ok)
        return {false, QString::fromStdString(download.reason), download.abandoned};

    QFile scratch(m_scratchPath);
    if (!scratch.open(QIODevice::ReadOnly))
        return {false, QStringLiteral("cannot read temp.txt")};
    const QByteArray bytes = scratch.readAll();
    if (scratch.error() != QFileDevice::NoError)
        return {false, QStringLiteral("cannot read temp.txt")};
    m_pageText = decodeText(bytes);
    return {true, {}};
}

} // namespace vidfolio
