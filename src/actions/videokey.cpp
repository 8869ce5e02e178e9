#include "actions/videokey.h"

#include "listing/profilepage.h"

namespace vidfolio {

VideoKeyParts splitVideoKey(const QString &key)
{
    const qsizetype at = key.indexOf(kKeySeparator);
    if (at < 0)
        return {QString(), key, false};
    return {key.first(at), key.sliced(at + 1), true};
}

} // namespace vidfolio
