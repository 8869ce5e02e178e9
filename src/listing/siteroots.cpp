#include "listing/siteroots.h"

namespace vidfolio {

SiteRoots SiteRoots::forHost(const QString &host)
{
    return {QStringLiteral("http://") + host, QStringLiteral("http://www.") + host};
}

SiteRoots SiteRoots::builtIn()
{
    return forHost(QStringLiteral(VIDFOLIO_SITE_HOST));
}

} // namespace vidfolio
