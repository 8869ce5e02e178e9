#pragma once

#include <QString>

namespace vidfolio {

// The two roots every site address starts with.
struct SiteRoots
{
    QString root;    // "http://" + host
    QString rootWww; // "http://www." + host

    static SiteRoots forHost(const QString &host);
    // The host this program was built for.
    static SiteRoots builtIn();
};

} // namespace vidfolio
