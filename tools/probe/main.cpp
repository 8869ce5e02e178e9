// vidfolio-probe: runs the real listing and video command code headless and
// prints what the window would show, one JSON object per line.
//
//   vidfolio-probe list HOST USER [--only-recent] [FOLDER] [LIMITS]
//   vidfolio-probe lookup HOST ID --watch|--direct|--download [FOLDER] [LIMITS]
//
// `lookup` runs the Video menu's command on an entry with identifier ID and
// prints the addresses it would open instead of opening them.
//
// FOLDER is where the history and the scratch file live: `--folder DIR` for
// DIR itself, `--program-folder DIR` for the folder the program would choose
// if it had been started from DIR (DIR while it is writable, otherwise the
// user's data folder), and a temporary folder when neither is given.
//
// LIMITS bound each page download in place of the program's own limits:
//   --stall-timeout SECONDS  --total-timeout SECONDS  --max-bytes BYTES

#include "consoleview.h"

#include "app/program.h"
#include "listing/videokey.h"
#include "platform/filefolder.h"
#include "platform/runloop.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

using namespace vidfolio;

namespace {

struct FolderOptions
{
    std::optional<QString> folder;
    std::optional<QString> programFolder;
};

struct ListOptions
{
    QString host;
    QString user;
    bool onlyRecent = false;
    FolderOptions folders;
    DownloadLimits limits;
};

struct LookupOptions
{
    QString host;
    QString id;
    std::optional<VideoCommand> command;
    FolderOptions folders;
    DownloadLimits limits;
};

// The probe has no window: nothing to pump, but the run's pause is real.
class ConsoleRunLoop final : public RunLoop
{
public:
    void handleEvents() override {}
};

int usage()
{
    std::fputs("usage: vidfolio-probe list HOST USER [--only-recent] [FOLDER] [LIMITS]\n"
               "       vidfolio-probe lookup HOST ID --watch|--direct|--download [FOLDER]"
               " [LIMITS]\n"
               "FOLDER: --folder DIR | --program-folder DIR\n"
               "LIMITS: --stall-timeout SECONDS --total-timeout SECONDS --max-bytes BYTES\n",
               stderr);
    return 2;
}

// Takes the folder option at argv[i] and its value; false when argv[i] is
// none, or a second one.
bool parseFolder(int argc, char **argv, int &i, FolderOptions &options)
{
    if (i + 1 >= argc || options.folder || options.programFolder)
        return false;
    if (std::strcmp(argv[i], "--folder") == 0)
        options.folder = QString::fromLocal8Bit(argv[++i]);
    else if (std::strcmp(argv[i], "--program-folder") == 0)
        options.programFolder = QString::fromLocal8Bit(argv[++i]);
    else
        return false;
    return true;
}

// A positive whole number, or nothing.
std::optional<long long> positive(const char *text)
{
    char *end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0)
        return std::nullopt;
    return value;
}

// Reads the limit option at argv[i] and its value into `limits`, moving `i`
// past them. False when argv[i] is no limit option or its value is wrong.
bool parseLimit(int argc, char **argv, int &i, DownloadLimits &limits)
{
    if (i + 1 >= argc)
        return false;
    const std::optional<long long> value = positive(argv[i + 1]);
    if (!value)
        return false;
    if (std::strcmp(argv[i], "--stall-timeout") == 0)
        limits.stallTimeout = std::chrono::seconds(*value);
    else if (std::strcmp(argv[i], "--total-timeout") == 0)
        limits.totalTimeout = std::chrono::seconds(*value);
    else if (std::strcmp(argv[i], "--max-bytes") == 0)
        limits.maxBytes = *value;
    else
        return false;
    ++i;
    return true;
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
        else if (!parseFolder(argc, argv, i, options.folders) &&
                 !parseLimit(argc, argv, i, options.limits))
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
        else if (!parseFolder(argc, argv, i, options.folders) &&
                 !parseLimit(argc, argv, i, options.limits))
            return std::nullopt;
    }
    if (!options.command)
        return std::nullopt;
    return options;
}

// The folder for the scratch and history files: the one given, the one the
// program would choose, or a temporary one that lives as long as `temporary`.
std::optional<FileFolder> workFolder(const FolderOptions &options,
                                     std::optional<QTemporaryDir> &temporary)
{
    if (options.folder)
        return FileFolder{*options.folder, {}};
    if (options.programFolder)
        return chooseFileFolder(*options.programFolder, dataFolder());
    temporary.emplace();
    if (!temporary->isValid()) {
        std::fputs("vidfolio-probe: cannot create a temporary folder\n", stderr);
        return std::nullopt;
    }
    return FileFolder{temporary->path(), {}};
}

// The program on HOST's site, keeping its files in `folder`, each page
// download (profile and watch pages) bounded by `limits`, printing every
// fetch through `view`. The folder is given, so the program's own choice of
// folder is not even looked at.
ProgramSetup probeSetup(const QString &host, const FileFolder &folder, const DownloadLimits &limits,
                        ConsoleView &view)
{
    return {.roots = SiteRoots::forHost(host),
            .folder = folder,
            .pageLimits = limits,
            .watchPageLimits = limits,
            .onFetch = [&view](const QString &address, const FetchResult &result) {
                view.printFetch(address, result.ok(), result.reason);
            }};
}

int list(const ListOptions &options, std::chrono::steady_clock::time_point start)
{
    std::optional<QTemporaryDir> scratchFolder;
    const std::optional<FileFolder> folder = workFolder(options.folders, scratchFolder);
    if (!folder)
        return 1;

    ConsoleView view(options.onlyRecent, start);
    ConsoleRunLoop loop;
    Program program(probeSetup(options.host, *folder, options.limits, view), loop);

    // The history as the window keeps it: loaded at start, saved at the end.
    program.loadHistory(view);
    view.setUserText(options.user);
    program.listVideos(view, view);
    program.saveHistory(view);
    view.printUsers();
    return 0;
}

int lookup(const LookupOptions &options, std::chrono::steady_clock::time_point start)
{
    std::optional<QTemporaryDir> scratchFolder;
    const std::optional<FileFolder> folder = workFolder(options.folders, scratchFolder);
    if (!folder)
        return 1;

    ConsoleView view(false, start);
    ConsoleRunLoop loop;
    ProgramSetup setup = probeSetup(options.host, *folder, options.limits, view);
    setup.launcher = std::make_shared<ConsoleLauncher>(start);
    Program program(std::move(setup), loop);
    // The entry a listing would have made for the video; the thumbnail base
    // plays no part in the commands.
    view.setSelectedVideo({options.id + kKeySeparator, options.id});
    program.runVideoCommand(*options.command, view);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const auto start = std::chrono::steady_clock::now();
    // The event loop downloads and pauses wait on; the options stay the
    // probe's own.
    int appArgc = 1;
    QCoreApplication app(appArgc, argv);
    // The program's name, which names its data folder.
    QCoreApplication::setApplicationName(QStringLiteral("Vidfolio"));
    if (argc >= 2 && std::strcmp(argv[1], "list") == 0) {
        if (const auto options = parseList(argc, argv))
            return list(*options, start);
    } else if (argc >= 2 && std::strcmp(argv[1], "lookup") == 0) {
        if (const auto options = parseLookup(argc, argv))
            return lookup(*options, start);
    }
    return usage();
}
