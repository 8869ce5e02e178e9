// vidfolio-probe: runs the real listing code headless and prints what the
// window would show, one JSON object per line.
//
//   vidfolio-probe list HOST USER [--only-recent] [--folder DIR]

#include "consoleview.h"

#include "history/historyfile.h"
#include "listing/listingrun.h"
#include "listing/pagefetcher.h"
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
    std::fputs("usage: vidfolio-probe list HOST USER [--only-recent] [--folder DIR]\n", stderr);
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

int list(const ListOptions &options, std::chrono::steady_clock::time_point start)
{
    std::optional<QTemporaryDir> scratchFolder;
    QString folder;
    if (options.folder) {
        folder = *options.folder;
    } else {
        scratchFolder.emplace();
        if (!scratchFolder->isValid()) {
            std::fputs("vidfolio-probe: cannot create a temporary folder\n", stderr);
            return 1;
        }
        folder = scratchFolder->path();
    }
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

} // namespace

int main(int argc, char **argv)
{
    const auto start = std::chrono::steady_clock::now();
    if (argc >= 2 && std::strcmp(argv[1], "list") == 0) {
        if (const auto options = parseList(argc, argv))
            return list(*options, start);
    }
    return usage();
}
