// vidfolio-probe: runs the real listing and video command code headless and
// prints what the window would show, one JSON object per line.
//
//   vidfolio-probe list HOST USER [--only-recent] [--folder DIR]
//   vidfolio-probe lookup HOST ID --watch|--direct|--download [--folder DIR]
//
// `lookup` runs the Video menu's command on an entry with identifier ID and
// prints the addresses it would open instead of opening them.

#include "consoleview.h"

#include "actions/lookup.h"
#include "history/historyfile.h"
#include "listing/listingrun.h"
#include "listing/pagefetcher.h"
#include "listing/profilepage.h"
#include "platform/downloader.h"
#include "platform/programfolder.h"
#include "platform/runloop.h"

#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

using namespace vidfolio;

namespace {

struct ListOptions
{
    QString host;
    QString user;
    bool onlyRecent = false;
    std::optional<QString> folder;
};

struct LookupOptions
{
    QString host;
    QString id;
    std::optional<VideoCommand> command;
    std::optional<QString> folder;
};

// The probe has no window: nothing to pump, but the run's pause is real.
class ConsoleRunLoop final : public RunLoop
{
public:
    void pumpEvents() override {}
    void sleepMs(int ms) override { m_real.sleepMs(ms); }

private:
    QtRunLoop m_real;
};

int usage()
{
    std::fputs("usage: vidfolio-probe list HOST USER [--only-recent] [--folder DIR]\n"
               "       vidfolio-probe lookup HOST ID --watch|--direct|--download [--folder DIR]\n",
               stderr);
    return 2;
}

std::optional<ListOptions> parseList(int argc, char **argv)
{
    if (argc < 4)
        return std::nullopt;
    ListOptions options;
    options.host = QString::fromLocal8Bit(argv[2]);
    options.user = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        if (std::strcmp(argv[i], "--only-recent") == 0)
            options.onlyRecent = true;
        else if (std::strcmp(argv[i], "--folder") == 0 && i + 1 < argc)
            options.folder = QString::fromLocal8Bit(argv[++i]);
        else
            return std::nullopt;
    }
    return options;
}

std::optional<LookupOptions> parseLookup(int argc, char **argv)
{
    if (argc < 4)
        return std::nullopt;
    LookupOptions options;
    options.host = QString::fromLocal8Bit(argv[2]);
    options.id = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        if (std::strcmp(argv[i], "--watch") == 0)
            options.command = VideoCommand::Watch;
        else if (std::strcmp(argv[i], "--direct") == 0)
            options.command = VideoCommand::Watchdirect;
        else if (std::strcmp(argv[i], "--download") == 0)
            options.command = VideoCommand::Download;
        else if (std::strcmp(argv[i], "--folder") == 0 && i + 1 < argc)
            options.folder = QString::fromLocal8Bit(argv[++i]);
        else
            return std::nullopt;
    }
    if (!options.command)
        return std::nullopt;
    return options;
}

// The folder for the scratch and history files: the one given, or a
// temporary one that lives as long as `temporary`.
std::optional<QString> workFolder(const std::optional<QString> &given,
                                  std::optional<QTemporaryDir> &temporary)
{
    if (given)
        return *given;
    temporary.emplace();
    if (!temporary->isValid()) {
        std::fputs("vidfolio-probe: cannot create a temporary folder\n", stderr);
        return std::nullopt;
    }
    return temporary->path();
}

int list(const ListOptions &options, std::chrono::steady_clock::time_point start)
{
    std::optional<QTemporaryDir> scratchFolder;
    const std::optional<QString> folderPath = workFolder(options.folder, scratchFolder);
    if (!folderPath)
        return 1;
    const QString &folder = *folderPath;
    const QString historyPath = pathInFolder(folder, QString::fromUtf16(kHistoryFileName));

    ConsoleView view(options.onlyRecent, start);
    ConsoleRunLoop loop;
    Downloader downloader;
    PageFetcher fetcher(downloader, folder);
    fetcher.setObserver([&view](const QString &address, const FetchResult &result) {
        view.printFetch(address, result.ok);
    });

    LoadUsers(view, historyPath);
    view.setUserText(options.user);
    ListingRun(view, view, fetcher, loop, SiteRoots::forHost(options.host)).run();
    SaveUsers(view, historyPath, loop);
    view.printUsers();
    return 0;
}

int lookup(const LookupOptions &options, std::chrono::steady_clock::time_point start)
{
    std::optional<QTemporaryDir> scratchFolder;
    const std::optional<QString> folder = workFolder(options.folder, scratchFolder);
    if (!folder)
        return 1;

    ConsoleView view(false, start);
    ConsoleLauncher launcher(start);
    Downloader downloader;
    PageFetcher fetcher(downloader, *folder);
    fetcher.setObserver([&view](const QString &address, const FetchResult &result) {
        view.printFetch(address, result.ok);
    });
    // The entry a listing would have made for the video; the thumbnail base
    // plays no part in the commands.
    view.setSelectedVideo({options.id + kKeySeparator, options.id});
    runVideoCommand(*options.command, view, fetcher, launcher, SiteRoots::forHost(options.host));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const auto start = std::chrono::steady_clock::now();
    if (argc >= 2 && std::strcmp(argv[1], "list") == 0) {
        if (const auto options = parseList(argc, argv))
            return list(*options, start);
    } else if (argc >= 2 && std::strcmp(argv[1], "lookup") == 0) {
        if (const auto options = parseLookup(argc, argv))
            return lookup(*options, start);
    }
    return usage();
}
