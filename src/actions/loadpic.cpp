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

} // namespace

QImage LoadPic(Downloader &downloader, QString path, const DownloadLimits &limits)
{
    if (!isWebAddress(path))
        return readPictureFile(path);
    QByteArray body;
    if (!downloader.DownloadBytes(path, body, limits).ok)
        return {};
    return decodePicture(body);
}

} // namespace vidfolio
