#include "listing/siteaddress.h"

#include <QUrl>

#include <string_view>

namespace vidfolio {
namespace {

// Characters that may stand as they are in the query of an address:
// unreserved, sub-delimiters, ":", "@", "/" and "?".
bool allowedInQuery(char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    static constexpr std::string_view kOthers = "-._~!$&'()*+,;=:@/?";
    return c != '\0' && kOthers.find(c) != std::string_view::npos;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

} // namespace

SiteRoots SiteRoots::forHost(const QString &host)
{
    return {QStringLiteral("http://") + host, QStringLiteral("http://www.") + host};
}

SiteRoots SiteRoots::builtIn()
{
    return forHost(QStringLiteral(VIDFOLIO_SITE_HOST));
}

QString profileAddress(const SiteRoots &roots, const QString &userName, qint64 page)
{
    const QString name = queryValue(userName);
    if (page == 0)
        return roots.root + QStringLiteral("/profile_videos?user=") + name;
    return roots.rootWww + QStringLiteral("/profile_videos?user=") + name +
           QStringLiteral("&page=") + QString::number(page);
}

QString watchAddress(const SiteRoots &roots, const QString &videoId)
{
    return roots.root + QStringLiteral("/watch?v=") + queryValue(videoId);
}

QString playerAddress(const SiteRoots &roots, const QString &parameters)
{
    return roots.root + kPlayerMarker.toString() + addressSafe(parameters);
}

QString videoFileAddress(const SiteRoots &roots, const QString &parameters)
{
    return roots.root + QStringLiteral("/get_video.php?video_id=") + addressSafe(parameters);
}

QString thumbnailAddress(const QString &base, int number)
{
    return base + QString::number(number) + QStringLiteral(".jpg");
}

QString queryValue(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString addressSafe(QStringView value)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const QByteArray bytes = value.toUtf8();
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        const bool escape = c == '%' && i + 2 < bytes.size() && isHexDigit(bytes.at(i + 1)) &&
                            isHexDigit(bytes.at(i + 2));
        if (allowedInQuery(c) || escape) {
            out.append(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out.append('%').append(kHex[byte >> 4]).append(kHex[byte & 0xF]);
        }
    }
    return QString::fromLatin1(out);
}

} // namespace vidfolio
