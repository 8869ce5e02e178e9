#include "listing/siteroots.h"

#include <QUrl>

namespace vidfolio {

SiteRoots SiteRoots::forHost(const QString &host)
{
    return {QStringLiteral("http://") + host, QStringLiteral("http://www.") + host};
}

SiteRoots SiteRoots::builtIn()
{
    return forHost(QStringLiteral(VIDFOLIO_SITE_HOST));
}

QString queryValue(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

} // namespace vidfolio
