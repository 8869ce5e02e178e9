#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vidfolio {

// Largest picture decoded, in pixels. Anything bigger is refused before its
// bitmap is allocated, so one hostile picture cannot take the memory and the
// seconds of decoding a giant bitmap on the window's thread.
inline constexpr qint64 kMaxPicturePixels = qint64{4096} * 4096;

// Largest local picture file read.
inline constexpr qint64 kMaxPictureFileBytes = 64ll * 1024 * 1024;

// Decodes picture data with Qt's image readers (JPEG, PNG, GIF, BMP, ...).
// Data that is not a picture, a picture over the size bound, or a JPEG cut
// off before its end gives a null image.
QImage decodePicture(const QByteArray &data);

// The same for the picture in a local file of at most kMaxPictureFileBytes.
QImage readPictureFile(const QString &path);

} // namespace vidfolio
