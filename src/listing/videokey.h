#pragma once

#include <QString>
#include <QStringView>

namespace vidfolio {

// The key of a tree entry: the video identifier, the separator and the
// thumbnail base address. Built when a profile page is cut and split when
// the video is chosen or a Video command runs; both sides live here.

// Separates the video identifier from the thumbnail base in a tree key.
inline constexpr QChar kKeySeparator = QChar(0x2021);

// The key of the video `id` whose thumbnails start with `thumbnailBase`.
// An identifier holding the separator would split in the wrong place; the
// caller leaves such a video out.
QString makeVideoKey(QStringView id, QStringView thumbnailBase);

// A tree key split at its first separator: the video identifier before it,
// the thumbnail base address after it.
struct VideoKeyParts
{
    QString id;
    QString thumbnailBase;
    bool hasSeparator = false;
};

// A key without the separator has no identifier, and all of it is taken as
// the thumbnail base.
VideoKeyParts splitVideoKey(const QString &key);

} // namespace vidfolio
