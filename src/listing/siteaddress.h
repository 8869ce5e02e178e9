#pragma once

#include <QString>
#include <QStringView>

namespace vidfolio {

// Every address this program asks the site for or hands to the browser is
// built here, so that the query encoding is decided in one place.

// The two roots every site address starts with.
struct SiteRoots
{
    QString root;    // "http://" + host
    QString rootWww; // "http://www." + host

    static SiteRoots forHost(const QString &host);
    // The host this program was built for.
    static SiteRoots builtIn();
};

// The address a page names the player by; the player parameters follow it.
// A watch page is searched for it, and the bare player's address is built
// with it.
inline constexpr QStringView kPlayerMarker = u"/player2.swf?video_id=";

// The address of a user's profile-videos page; page 0 is the first fetch,
// which has no page number. The name is percent-encoded as a query value.
QString profileAddress(const SiteRoots &roots, const QString &userName, qint64 page);

// Addresses of one video. The identifier is percent-encoded as a query
// value; the player parameters keep their "&" and "=", and any character
// that may not stand in an address is percent-encoded (addressSafe).
QString watchAddress(const SiteRoots &roots, const QString &videoId);
QString playerAddress(const SiteRoots &roots, const QString &parameters);
QString videoFileAddress(const SiteRoots &roots, const QString &parameters);

// The address of picture `number` (from 1) of a video whose thumbnail base
// (from its key) is `base`: the base followed by "1.jpg", "2.jpg", ...
QString thumbnailAddress(const QString &base, int number);

// `value` as one query value of a site address: everything but letters,
// digits and "-._~" percent-encoded (as UTF-8), so that no "&", "=", space
// or other character in it can change the address's meaning.
QString queryValue(const QString &value);

// `value` with every byte that may not stand in the query of an address
// percent-encoded (as UTF-8); well-formed "%XX" escapes are kept.
QString addressSafe(QStringView value);

} // namespace vidfolio
