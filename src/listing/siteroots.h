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

// `value` as one query value of a site address: everything but letters,
// digits and "-._~" percent-encoded (as UTF-8), so that no "&", "=", space
// or other character in it can change the address's meaning.
QString queryValue(const QString &value);

} // namespace vidfolio
