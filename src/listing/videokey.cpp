#include "listing/videokey.h"

namespace vidfolio {

QString makeVideoKey(QStringView id, QStringView thumbnailBase)
{
    QString key;
    key.reserve(id.size() + 1 + thumbnailBase.size());
    key.append(id).append(kKeySeparator).append(thumbnailBase);
    return key;
}

VideoKeyParts splitVideoKey(const QString &key)
{
    const qsizetype at = key.indexOf(kKeySeparator);
    if (at < 0)
        return {QString(), key, false};
    return {key.first(at), key.sliced(at + 1), true};
}

} // namespace vidfolio
