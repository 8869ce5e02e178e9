#include "listing/pagefetcher.h"

#include "platform/downloader.h"
#include "platform/programfolder.h"
#include "platform/textcodec.h"

#include <QFile>

namespace vidfolio {

PageFetcher::PageFetcher(Downloader &downloader, const QString &folder)
    : m_downloader(downloader), m_scratchPath(pathInFolder(folder, QStringLiteral("temp.txt")))
{
}

FetchResult PageFetcher::FetchPage(const QString &address)
{
    FetchResult result = fetch(address);
    // Whatever happened, no scratch file outlives the fetch.
    QFile::remove(m_scratchPath);
    if (m_observer)
        m_observer(address, result);
    return result;
}

FetchResult PageFetcher::fetch(const QString &address)
{
    const DownloadResult download = m_downloader.DownloadFile(
        address.toStdString(), QFile::encodeName(m_scratchPath).toStdString());
    if (!download.ok)
        return {false, QString::fromStdString(download.reason)};

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
