#include "platform/picturereader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace vidfolio {
namespace {

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
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    return readPicture(buffer);
}

QImage readPictureFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return readPicture(file);
}

} // namespace vidfolio
