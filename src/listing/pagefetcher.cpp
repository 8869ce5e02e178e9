#include "listing/pagefetcher.h"

#include "platform/downloader.h"
#include "platform/fileturn.h"
#include "platform/programfolder.h"
#include "platform/runloop.h"
#include "platform/textcodec.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace vidfolio {
namespace {

// Time for the fetch around the download: reading and deleting the page.
constexpr std::chrono::seconds kScratchWaitMargin{30};

// Reads the file open on `fd` whole, from its start.
bool readWhole(int fd, QByteArray &bytes)
{
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0)
        return false;
    bytes.resize(static_cast<qsizetype>(info.st_size));
    qsizetype used = 0;
    while (used < bytes.size()) {
        const ssize_t count = ::pread(fd, bytes.data() + used, bytes.size() - used, used);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        used += count;
    }
    return true;
}

} // namespace

std::chrono::milliseconds scratchTurnWait(const DownloadLimits &longest)
{
    return longest.totalTimeout + kScratchWaitMargin;
}

PageFetcher::PageFetcher(Downloader &downloader, const QString &folder,
                         std::chrono::milliseconds turnWait, Observer observer)
    : m_downloader(downloader),
      m_scratchPath(pathInFolder(folder, QString::fromUtf16(kScratchFileName))),
      m_turnWait(turnWait), m_observer(std::move(observer))
{
}

FetchResult PageFetcher::FetchPage(const QString &address, const DownloadLimits &limits)
{
    FetchResult result = takeTurnAndFetch(address, limits);
    if (m_observer)
        m_observer(address, result);
    return result;
}

FetchResult PageFetcher::takeTurnAndFetch(const QString &address, const DownloadLimits &limits)
{
    RunLoop &loop = m_downloader.loop();
    FileTurn turn = FileTurn::take(m_scratchPath, m_turnWait, loop);
    if (turn.status() == FileTurn::Status::CannotOpen) {
        // The data folder is made when the first file goes into it.
        QDir().mkpath(QFileInfo(m_scratchPath).absolutePath());
        turn = FileTurn::take(m_scratchPath, m_turnWait, loop);
    }
    switch (turn.status()) {
    case FileTurn::Status::Stopped:
        return {Outcome::Stopped, {}};
    case FileTurn::Status::Busy:
        return {Outcome::Failed, QStringLiteral("scratch file busy")};
    case FileTurn::Status::CannotOpen:
        return {Outcome::Failed,
                QStringLiteral("cannot write ") + QString::fromUtf16(kScratchFileName)};
    case FileTurn::Status::Held:
        break;
    }

    // A file left by a run that crashed is ours now: the download cuts it,
    // and a failed download empties it unread. Should the program be ended
    // with exit() meanwhile (the window system gone), the file goes too.
    turn.removeFileAtExit();
    FetchResult result = fetch(address, limits, turn.fd());
    // Whatever happened, no scratch file outlives the fetch. It goes before
    // the turn does, so that the next holder starts a file of its own.
    turn.removeFile();
    return result;
}

FetchResult PageFetcher::fetch(const QString &address, const DownloadLimits &limits, int scratchFd)
{
    // Written and read through the descriptor of the turn, so that the page
    // goes only into the file that was made safe and locked, whatever
    // appears at the path meanwhile.
    const DownloadResult download =
        m_downloader.DownloadFile(address, scratchFd, m_scratchPath, limits);
    if (!download.ok())
        return {download.outcome, download.reason};

    QByteArray bytes;
    if (!readWhole(scratchFd, bytes))
        return {Outcome::Failed,
                QStringLiteral("cannot read ") + QString::fromUtf16(kScratchFileName)};
    m_pageText = decodeText(bytes);
    return {Outcome::Done, {}};
}

} // namespace vidfolio
