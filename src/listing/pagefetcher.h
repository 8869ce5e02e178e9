#pragma once

#include "platform/outcome.h"

#include <QString>

#include <chrono>
#include <functional>

namespace vidfolio {

class Downloader;
struct DownloadLimits;

// The scratch file every fetch downloads into, in the program's file folder.
inline constexpr char16_t kScratchFileName[] = u"temp.txt";

// Done: the page text holds the page. Failed: the page text is as it was,
// and `reason` says why, for the status line. Stopped: the run loop was
// stopped during the fetch, and the caller stops where it is.
struct [[nodiscard]] FetchResult
{
    Outcome outcome = Outcome::Failed;
    QString reason;

    bool ok() const { return outcome == Outcome::Done; }
};

// Reads web pages into memory through the scratch file "temp.txt" in the
// program's file folder, and keeps the text of the page fetched last.
//
// Several copies of the program may share the folder. Each fetch takes its
// turn on the scratch file (FileTurn) before the download and keeps it until
// the file is deleted, so no copy ever reads a page another one downloaded.
// Nothing but a regular file of the folder's own is written or read: a link
// named "temp.txt" is replaced by a new file, and its target is never touched.
class PageFetcher
{
public:
    using Observer = std::function<void(const QString &address, const FetchResult &result)>;

    // The folder is made at the first fetch when it does not exist yet. A
    // fetch waits at most `turnWait` for another copy's fetch to end (see
    // scratchTurnWait); `observer`, when given, is told of every fetch.
    PageFetcher(Downloader &downloader, const QString &folder, std::chrono::milliseconds turnWait,
                Observer observer = {});

    // Downloads `address` within `limits` into the scratch file, reads it
    // whole into the page text and deletes the file. A failed fetch leaves
    // the page text as it was; one that waited in vain for its turn fails as
    // "scratch file busy".
    FetchResult FetchPage(const QString &address, const DownloadLimits &limits);

    // The text of the page fetched last; callers may cut it down in place.
    QString &PageText() { return m_pageText; }
    const QString &PageText() const { return m_pageText; }

private:
    FetchResult takeTurnAndFetch(const QString &address, const DownloadLimits &limits);
    FetchResult fetch(const QString &address, const DownloadLimits &limits, int scratchFd);

    Downloader &m_downloader;
    QString m_scratchPath;
    std::chrono::milliseconds m_turnWait;
    QString m_pageText;
    Observer m_observer;
};

// How long a fetch waits for its turn on the scratch file: a little longer
// than another copy's fetch may hold it, whose download takes at most
// `longest`'s total time, and then the page is read and deleted.
std::chrono::milliseconds scratchTurnWait(const DownloadLimits &longest);

} // namespace vidfolio
