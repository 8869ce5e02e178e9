#pragma once

#include <QString>

#include <functional>

namespace vidfolio {

class Downloader;

struct FetchResult
{
    bool ok = false;
    QString reason; // why the fetch failed, for the status line
};

// Reads web pages into memory through the scratch file "temp.txt" in the
// program folder, and keeps the text of the page fetched last.
class PageFetcher
{
public:
    using Observer = std::function<void(const QString &address, const FetchResult &result)>;

    PageFetcher(Downloader &downloader, const QString &folder);

    // Downloads `address` into the scratch file, reads it whole into the page
    // text and deletes the file. A failed fetch leaves the page text as it was.
    FetchResult FetchPage(const QString &address);

    // The text of the page fetched last; callers may cut it down in place.
    QString &PageText() { return m_pageText; }
    const QString &PageText() const { return m_pageText; }

    QString scratchPath() const { return m_scratchPath; }

    // Called after every fetch; the probe tool reports fetches through it.
    void setObserver(Observer observer) { m_observer = std::move(observer); }

private:
    FetchResult fetch(const QString &address);

    Downloader &m_downloader;
    QString m_scratchPath;
    QString m_pageText;
    Observer m_observer;
};

} // namespace vidfolio
