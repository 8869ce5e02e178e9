#include "actions/loadpic.h"

#include "platform/downloader.h"
#include "platform/picturereader.h"

namespace vidfolio {
namespace {

bool isWebAddress(const QString &path)
{
    return path.startsWith(u"http://", Qt::CaseInsensitive) ||
           path.startsWith(u"https://", Qt::CaseInsensitive);
}

LoadedPicture picture(QImage image)
{
    return {image.isNull() ? Outcome::Failed : Outcome::Done, std::move(image)};
}

} // namespace

LoadedPicture LoadPic(Downloader &downloader, const QString &path, const DownloadLimits &limits)
{
    if (!isWebAddress(path))
        return picture(readPictureFile(path));
    QByteArray body;
    const DownloadResult download = downloader.DownloadBytes(path, body, limits);
    if (!download.ok())
        return {download.outcome, {}};
    return picture(decodePicture(body));
}

} // namespace vidfolio
