#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vidfolio {

// Largest picture decoded, in pixels. Anything bigger is refused before its
// bitmap is allocated, so one hostile picture cannot take the memory and the
// seconds of decoding a giant bitmap on the window's thread.
inline constexpr qint64 kMaxPicturePixels = 4096 * 4096;

// Decodes picture data with Qt's image readers (JPEG, PNG, GIF, BMP, ...).
// Data that is not a picture, or a picture over the size bound, gives a null
// image.
QImage decodePicture(const QByteArray &data);

// The same for the picture in a local file.
QImage readPictureFile(const QString &path);

} // namespace vidfolio
