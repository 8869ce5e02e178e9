#include "actions/loadpic.h"

#include "platform/downloader.h"
#include "platform/picturereader.h"

#include <string>

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
    std::string body;
    if (!downloader.DownloadBytes(path.toStdString(), body, limits).ok)
        return {};
    return decodePicture(QByteArray::fromRawData(body.data(), qsizetype(body.size())));
}

} // namespace vidfolio
