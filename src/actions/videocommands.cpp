#include "actions/videocommands.h"

#include "listing/pagefetcher.h"
#include "listing/videokey.h"
#include "platform/launcher.h"

namespace vidfolio {

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

PlayerLookup GetVideoID(VideoCommandView &view, PageFetcher &fetcher, const QString &address,
                        const DownloadLimits &limits)
{
    PlayerLookup lookup;
    view.setStatus(QStringLiteral("Please wait.."));
    // Only a page fetched now may be searched: after a failed fetch the text
    // held is an older page, which could name another video's player.
    std::optional<QString> parameters;
    const FetchResult fetched = fetcher.FetchPage(address, limits);
    if (fetched.outcome == Outcome::Stopped)
        return lookup;
    if (fetched.ok())
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

bool waitsForTheSite(VideoCommand command)
{
    return command != VideoCommand::Watch;
}

void runVideoCommand(VideoCommand command, VideoCommandView &view, PageFetcher &fetcher,
                     const DownloadLimits &watchPageLimits, Launcher &launcher,
                     const SiteRoots &roots)
{
    const std::optional<SelectedVideo> selected = view.selectedVideo();
    const VideoKeyParts key = selected ? splitVideoKey(selected->key) : VideoKeyParts{};
    if (!key.hasSeparator) {
        view.showNoVideoSelected();
        return;
    }
    const QString watch = watchAddress(roots, key.id);
    if (!waitsForTheSite(command)) {
        launcher.open(watch);
        return;
    }
    const PlayerLookup lookup = GetVideoID(view, fetcher, watch, watchPageLimits);
    if (!lookup.found)
        return;
    launcher.open(command == VideoCommand::Download ? videoFileAddress(roots, lookup.parameters)
                                                    : playerAddress(roots, lookup.parameters));
}

void videoCommandGivenUp(VideoCommandView &view)
{
    view.setStatus(QString());
}

} // namespace vidfolio
