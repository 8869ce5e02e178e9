// vidfolio-bench-case: one measurement of the benchmark, made in a process of
// its own and printed as one JSON line. The window runs on Qt's offscreen
// platform. vidfolio-bench runs these and makes the table.
//
//   vidfolio-bench-case window-list HOST USER   {"ms":...,"entries":...}
//   vidfolio-bench-case window-start FOLDER     {"shown":true}, then idles
//   vidfolio-bench-case history NAMES           {"loadMs":...,"saveMs":...,
//                                                "streamLoadMs":...,"streamSaveMs":...}
//   vidfolio-bench-case page PIECES             {"ms":...,"entries":...}
//   vidfolio-bench-case remember-save NAMES     {"saveMs":...,"startMs":...}
//   vidfolio-bench-case window-gap CASE | window-cap-gap HOST USER VIDEOS | close-exit
//   (livecase.h)

#include "livecase.h"

#include "app/program.h"
#include "history/historyfile.h"
#include "listing/listingrun.h"
#include "listing/listingview.h"
#include "listing/pagefetcher.h"
#include "platform/downloader.h"
#include "platform/runloop.h"
#include "sitepages.h"
#include "ui/main.h"
#include "ui/usernamebox.h"
#include "ui/videotree.h"

#include <httplib.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace vidfolio;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

ui::MainSetup setupIn(const QString &folder, const QString &host = QStringLiteral("localhost"))
{
    ui::MainSetup setup;
    setup.roots = SiteRoots::forHost(host);
    setup.folder = {folder, {}};
    setup.endProgram = [] {};
    return setup;
}

// Lists USER the way a user does: name typed, "List Videos" clicked. The
// clock stops where the probe's does, at the "Finished" status before the
// run's closing pause: the run pumps events right after setting it, and a
// zero timer looks at the status then.
int windowList(const QString &host, const QString &user)
{
    QTemporaryDir folder;
    ui::Main window(setupIn(folder.path(), host));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    double finishedMs = -1;
    Clock::time_point start;
    const QLabel *status = window.findChild<QLabel *>(QStringLiteral("StatText"));
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (finishedMs < 0 && status->text().startsWith(u"Finished"))
            finishedMs = msSince(start);
    });
    watch.start();

    window.findChild<QComboBox *>(QStringLiteral("TxtUser"))->setEditText(user);
    start = Clock::now();
    QTest::mouseClick(window.findChild<QWidget *>(QStringLiteral("CmdGo")), Qt::LeftButton);
    auto *tree = window.findChild<ui::VideoTree *>(QStringLiteral("TreeVids"));
    // The entries appended last join the tree's model at the next turn.
    QCoreApplication::processEvents();
    std::printf("{\"ms\":%.3f,\"entries\":%d}\n", finishedMs, tree->model()->rowCount());
    return finishedMs < 0 ? 1 : 0;
}

// Starts the window on the history in FOLDER and reports once it is shown;
// then idles a moment, as a window waiting for its user does.
int windowStart(const QString &folder)
{
    ui::Main window(setupIn(folder));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    std::printf("{\"shown\":true}\n");
    std::fflush(stdout);
    QTest::qWait(300);
    return 0;
}

// Loads and saves a history of `count` names through the window's user-name
// box, and reads and writes the same file line by line with plain streams.
int history(int count)
{
    QTemporaryDir folder;
    const QString loadPath = folder.filePath(QStringLiteral("load.vidfolio"));
    const QString savePath = folder.filePath(QStringLiteral("save.vidfolio"));
    const std::string streamPath = folder.filePath(QStringLiteral("stream.vidfolio")).toStdString();
    {
        std::ofstream out(loadPath.toStdString(), std::ios::binary);
        for (int i = 0; i < count; ++i)
            out << "Channel" << i << (i % 3 == 0 ? "Music" : "") << "\r\n";
    }

    ui::Main window(setupIn(folder.path()));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    RunLoop loop;
    auto &box = *window.findChild<ui::UserNameBox *>(QStringLiteral("TxtUser"));

    auto start = Clock::now();
    LoadUsers(box, loadPath);
    const double loadMs = msSince(start);
    start = Clock::now();
    const SaveResult saved = SaveUsers(box, savePath, loop, box.userCount());
    const double saveMs = msSince(start);
    if (saved.outcome != Outcome::Done)
        return 1;

    start = Clock::now();
    std::vector<std::string> names;
    {
        std::ifstream in(loadPath.toStdString(), std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            names.push_back(std::move(line));
        }
    }
    const double streamLoadMs = msSince(start);
    start = Clock::now();
    {
        std::ofstream out(streamPath, std::ios::binary);
        for (const std::string &name : names)
            out << name << "\r\n";
    }
    const double streamSaveMs = msSince(start);

    if (box.userCount() != count || static_cast<int>(names.size()) != count)
        return 1;
    std::printf("{\"loadMs\":%.3f,\"saveMs\":%.3f,\"streamLoadMs\":%.3f,\"streamSaveMs\":%.3f}\n",
                loadMs, saveMs, streamLoadMs, streamSaveMs);
    return 0;
}

// A view that keeps only what the listing itself keeps, so that the time is
// the listing's: fetch, scratch file, cutting and the key index.
class PlainView final : public ListingView
{
public:
    void hideVideoMenu() override {}
    void setWindowEnabled(bool) override {}
    void setStatus(const QString &text) override
    {
        if (text.startsWith(u"Finished"))
            finishedAt = Clock::now();
    }
    bool onlyRecent() const override { return false; }
    void repaintTree() override {}
    Clock::time_point finishedAt;

protected:
    void treeCleared() override {}
    void treeEntryAdded(const QString &, const QString &, int) override {}
    void progressChanged(int, int) override {}
};

class NoPauseLoop final : public RunLoop
{
public:
    void handleEvents() override {}
    void pause(int) override {}
};

// Lists a user whose one profile page holds `pieces` videos. The page comes
// from a loopback server as plain bytes: a compressing server would spend far
// longer on tens of megabytes than the listing does. The clock starts when
// the server is asked for that page, so that the first fetch, the same for
// every size, is left out of the time per piece.
int page(int pieces)
{
    httplib::Server server;
    const int port = server.bind_to_any_port("127.0.0.1");
    const std::string host = "localhost:" + std::to_string(port);
    const std::string first = site::firstProfilePage("bigpage", "10");
    const std::string numbered = site::numberedProfilePage(
        "bigpage", site::generatedVideos("bigpage", static_cast<std::size_t>(pieces)),
        "http://www." + host);
    std::atomic<Clock::rep> askedForPage{0};
    server.Get("/profile_videos", [&](const httplib::Request &req, httplib::Response &res) {
        const bool numberedPage = req.has_param("page");
        if (numberedPage)
            askedForPage = Clock::now().time_since_epoch().count();
        res.set_content(numberedPage ? numbered : first, "application/octet-stream");
    });
    std::thread serving([&] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    QTemporaryDir folder;
    PlainView view;
    NoPauseLoop loop;
    Downloader downloader(loop);
    const DownloadLimits limits{};
    PageFetcher fetcher(downloader, folder.path(), scratchTurnWait(limits));
    ListingRun(
        view,
        [] {
            return RememberedName{QStringLiteral("bigpage"), Outcome::Done, {}};
        },
        fetcher, limits, loop, SiteRoots::forHost(QString::fromStdString(host)))
        .run();
    const Clock::time_point start{Clock::duration(askedForPage.load())};
    const double ms = std::chrono::duration<double, std::milli>(view.finishedAt - start).count();
    server.stop();
    serving.join();
    std::printf("{\"ms\":%.3f,\"entries\":%d}\n", ms, view.treeEntryCount());
    return view.treeEntryCount() == pieces ? 0 : 1;
}

// Pumps nothing, noting when each pump was asked for: the history save opens
// with one.
class TimedPumpLoop final : public RunLoop
{
public:
    void handleEvents() override { pumps.push_back(Clock::now()); }
    void pause(int) override {}
    std::vector<Clock::time_point> pumps;
};

// The start of a listing with `count` names in the history, in the window's
// user-name box: the run pumps, remembers the new name and saves the history
// (which pumps first), then the first request leaves. The save's time runs
// from its pump to the end of that first fetch; the start's from the
// click's handler.
int rememberSave(int count)
{
    QTemporaryDir folder, windowFolder;
    {
        std::ofstream out(folder.filePath(QStringLiteral("users.vidfolio")).toStdString(),
                          std::ios::binary);
        for (int i = 0; i < count; ++i)
            out << "Channel" << i << (i % 3 == 0 ? "Music" : "") << "\r\n";
    }
    // The window's own history is empty; the program under test fills its box.
    ui::Main window(setupIn(windowFolder.path()));
    TimedPumpLoop loop;
    // Nothing answers on port 9 of loopback: the run ends at its first fetch,
    // as soon as its connection is refused, well under a millisecond after
    // the request would have left.
    Clock::time_point firstRequest{};
    Program program({.roots = SiteRoots::forHost(QStringLiteral("127.0.0.1:9")),
                     .folder = {folder.path(), {}},
                     .onFetch =
                         [&](const QString &, const FetchResult &) {
                             if (firstRequest == Clock::time_point{})
                                 firstRequest = Clock::now();
                         }},
                    loop);
    auto &box = *window.findChild<ui::UserNameBox *>(QStringLiteral("TxtUser"));
    program.loadHistory(box);
    box.setEditText(QStringLiteral("newname"));
    PlainView view;
    const Clock::time_point start = Clock::now();
    program.listVideos(view, box);
    if (loop.pumps.size() < 2 || firstRequest == Clock::time_point{} ||
        box.userCount() != count + 1)
        return 1;
    const auto ms = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double, std::milli>(to - from).count();
    };
    std::printf("{\"saveMs\":%.3f,\"startMs\":%.3f}\n", ms(loop.pumps[1], firstRequest),
                ms(start, firstRequest));
    return 0;
}

int usage()
{
    std::fputs("usage: vidfolio-bench-case window-list HOST USER | window-start FOLDER |"
               " history NAMES | page PIECES | remember-save NAMES | window-gap "
               "list|pictures|stall|turn|lookup | window-cap-gap HOST USER VIDEOS | close-exit\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string mode = argc >= 2 ? argv[1] : "";
    if (mode == "window-list" && argc == 4)
        return windowList(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (mode == "window-start" && argc == 3)
        return windowStart(QString::fromLocal8Bit(argv[2]));
    if (mode == "history" && argc == 3)
        return history(std::atoi(argv[2]));
    if (mode == "page" && argc == 3)
        return page(std::atoi(argv[2]));
    if (mode == "remember-save" && argc == 3)
        return rememberSave(std::atoi(argv[2]));
    if (mode == "window-gap" && argc == 3)
        return bench::windowGap(argv[2]);
    if (mode == "window-cap-gap" && argc == 5)
        return bench::capGap(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                             std::atoi(argv[4]));
    if (mode == "close-exit" && argc == 2)
        return bench::closeToExit();
    return usage();
}
