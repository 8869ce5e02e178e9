#pragma once

#include <QString>

namespace vidfolio {

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

// The tree entry the video commands act on.
struct SelectedVideo
{
    QString key;
    QString title;
};

} // namespace vidfolio
