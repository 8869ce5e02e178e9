#include "actions/lookup.h"

#include "listing/pagefetcher.h"
#include "platform/launcher.h"

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

std::optional<QString> cutPlayerParameters(QStringView page)
{
    const qsizetype marker = page.indexOf(kPlayerMarker);
    if (marker < 0)
        return std::nullopt;
    QStringView parameters = page.sliced(marker + kPlayerMarker.size());
    if (const qsizetype quote = parameters.indexOf(u'"'); quote >= 0)
        parameters.truncate(quote);
    if (parameters.size() > kMaxPlayerParameters)
        return std::nullopt;
    return parameters.toString();
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

PlayerLookup lookUpPlayer(VideoCommandView &view, PageFetcher &fetcher, const QString &address)
{
    PlayerLookup lookup;
    view.setStatus(QStringLiteral("Please wait.."));
    // Only a page fetched now may be searched: after a failed fetch the text
    // held is an older page, which could name another video's player.
    std::optional<QString> parameters;
    const FetchResult fetched = fetcher.FetchPage(address);
    // Given up because the program is ending: nothing more is shown.
    if (fetched.abandoned)
        return lookup;
    if (fetched.ok)
        parameters = cutPlayerParameters(fetcher.PageText());
    if (parameters) {
        lookup = {*parameters, true};
        view.setStatus(QStringLiteral("Finished"));
    } else {
        view.setStatus(QStringLiteral("Error"));
        view.setWindowEnabled(true);
    }
    view.lookupFinished(lookup.parameters);
    return lookup;
}

void runVideoCommand(VideoCommand command, VideoCommandView &view, PageFetcher &fetcher,
                     Launcher &launcher, const SiteRoots &roots)
{
    const std::optional<SelectedVideo> selected = view.selectedVideo();
    const VideoKeyParts key = selected ? splitVideoKey(selected->key) : VideoKeyParts{};
    if (!key.hasSeparator) {
        view.showNoVideoSelected();
        return;
    }
    const QString watch = watchAddress(roots, key.id);
    if (command == VideoCommand::Watch) {
        launcher.open(watch);
        return;
    }
    const PlayerLookup lookup = lookUpPlayer(view, fetcher, watch);
    if (!lookup.found)
        return;
    launcher.open(command == VideoCommand::Download ? videoFileAddress(roots, lookup.parameters)
                                                    : playerAddress(roots, lookup.parameters));
}

} // namespace vidfolio
