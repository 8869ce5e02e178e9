#include "platform/picturereader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace vidfolio {
namespace {

// A JPEG whose last scan runs to the end of the data without its
// end-of-image marker was cut off: Qt's reader would fill the missing rows
// with grey and call it a picture. Neither marker can occur inside a scan's
// coded data, and a thumbnail embedded in the header comes before the main
// scan, so only the last start-of-scan marker counts.
bool isTruncatedJpeg(const QByteArray &data)
{
    if (!data.startsWith("\xFF\xD8"))
        return false;
    const qsizetype scan = data.lastIndexOf("\xFF\xDA");
    return scan < 0 || data.lastIndexOf("\xFF\xD9") < scan;
}

QImage readPicture(QIODevice &device)
{
    QImageReader reader(&device);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPicturePixels)
        return {};
    QImage image = reader.read();
    if (!image.isNull() && qint64(image.width()) * image.height() > kMaxPicturePixels)
        return {};
    return image;
}

} // namespace

QImage decodePicture(const QByteArray &data)
{
    if (isTruncatedJpeg(data))
        return {};
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    return readPicture(buffer);
}

QImage readPictureFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPictureFileBytes)
        return {};
    return decodePicture(file.readAll());
}

} // namespace vidfolio
