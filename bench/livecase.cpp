#include "livecase.h"

#include "siteserver.h"
#include "ui/main.h"
#include "ui/videotree.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vidfolio::bench {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The longest time between two runs of a 10 ms timer.
class GapMeter
{
public:
    GapMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            m_longest = std::max(m_longest, msBetween(m_last, now));
            m_last = now;
        });
    }
    void start()
    {
        m_last = Clock::now();
        m_timer.start();
    }
    double stop()
    {
        m_timer.stop();
        return std::max(m_longest, msBetween(m_last, Clock::now()));
    }

private:
    QTimer m_timer;
    Clock::time_point m_last;
    double m_longest = 0;
};

// A site on loopback whose user "slow" has 100 videos and whose pages are
// answered after 500 ms each.
void slowSite(site::SiteServer &server)
{
    server.addUser("slow", site::generatedVideos("slow", 100));
    for (int page = 0; page <= 10; ++page)
        server.setFault(page, {.kind = site::Fault::Kind::Stall, .delayMs = 500});
}

// Opens nothing: the lookup's address goes nowhere.
class NoBrowser final : public Launcher
{
public:
    void open(const QString &) override {}
};

ui::MainSetup setupFor(const site::SiteServer &server, const QString &folder)
{
    ui::MainSetup setup;
    setup.roots = SiteRoots::forHost(QString::fromStdString(server.host()));
    setup.folder = {folder, {}};
    setup.endProgram = [] {};
    setup.pageLimits.stallTimeout = std::chrono::seconds(2);
    setup.launcher = std::make_shared<NoBrowser>();
    return setup;
}

void list(ui::Main &window, const QString &user)
{
    window.findChild<QComboBox *>(QStringLiteral("TxtUser"))->setEditText(user);
    QTest::mouseClick(window.findChild<QWidget *>(QStringLiteral("CmdGo")), Qt::LeftButton);
}

void clickFirstEntry(ui::Main &window)
{
    auto *tree = window.findChild<ui::VideoTree *>(QStringLiteral("TreeVids"));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualRect(tree->model()->index(0, 0)).center());
}

} // namespace

int windowGap(const std::string &which)
{
    site::SiteServer server;
    server.addUser("quick", site::generatedVideos("quick", 10));
    QTemporaryDir folder;
    ui::Main window(setupFor(server, folder.path()));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    // Each case readies the site, then `act` starts what waits for it.
    std::function<void()> act;
    QString expected;
    bool letGo = false;
    if (which == "list") {
        slowSite(server);
        act = [&] { list(window, QStringLiteral("slow")); };
        expected = QStringLiteral("Finished: 100 videos");
    } else if (which == "pictures") {
        list(window, QStringLiteral("quick"));
        const std::string id = site::generatedVideos("quick", 1).front().id;
        for (int number = 1; number <= 3; ++number) {
            server.setFaultAt("/vi/" + id + "/" + std::to_string(number) + ".jpg",
                              {.kind = site::Fault::Kind::Stall, .delayMs = 1000});
        }
        act = [&] { clickFirstEntry(window); };
        expected = QStringLiteral("Finished");
    } else if (which == "turn") {
        // Another copy holds the scratch file's turn for a second.
        const int other = ::open(QFile::encodeName(folder.filePath("temp.txt")).constData(),
                                 O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (other < 0 || ::flock(other, LOCK_EX) != 0)
            return 1;
        QTimer::singleShot(1000, [other, &letGo] {
            ::close(other);
            letGo = true;
        });
        act = [&] { list(window, QStringLiteral("quick")); };
        expected = QStringLiteral("Finished: 10 videos");
    } else if (which == "lookup") {
        list(window, QStringLiteral("quick"));
        clickFirstEntry(window);
        const std::string id = site::generatedVideos("quick", 1).front().id;
        server.setFaultAt("/watch?v=" + id, {.kind = site::Fault::Kind::Stall, .delayMs = 1000});
        act = [&] { window.findChild<QAction *>(QStringLiteral("Watchdirect"))->trigger(); };
        expected = QStringLiteral("Finished");
    } else if (which == "stall") {
        server.setFault(0, {.kind = site::Fault::Kind::Stall, .delayMs = 60000});
        act = [&] { list(window, QStringLiteral("quick")); };
        expected = QStringLiteral("Download failed: timed out");
    } else {
        return 2;
    }
    GapMeter meter;
    const Clock::time_point start = Clock::now();
    meter.start();
    act();
    // The node click shows "Finished" also when a picture failed to load.
    if (which == "pictures" &&
        window.findChild<QLabel *>(QStringLiteral("SitePic2"))->pixmap().isNull())
        return 1;
    const double gap = meter.stop();
    const double ms = msBetween(start, Clock::now());
    if (window.findChild<QLabel *>(QStringLiteral("StatText"))->text() != expected ||
        expected.isEmpty())
        return 1;
    // Where the status alone does not show that the window waited (a listing
    // that skipped the turn, or the node click before the lookup, ends so
    // too): the other copy let go first, the watch page was answered.
    const std::string watch = "/watch?v=" + site::generatedVideos("quick", 1).front().id;
    if ((which == "turn" && !letGo) ||
        (which == "lookup" && (server.requestsFor(watch) != 1 || ms < 1000)))
        return 1;
    std::printf("{\"gapMs\":%.3f,\"ms\":%.3f}\n", gap, ms);
    return 0;
}

int capGap(const QString &host, const QString &user, int videos)
{
    QTemporaryDir folder;
    ui::MainSetup setup;
    setup.roots = SiteRoots::forHost(host);
    setup.folder = {folder.path(), {}};
    setup.endProgram = [] {};
    ui::Main window(std::move(setup));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    auto *tree = window.findChild<ui::VideoTree *>(QStringLiteral("TreeVids"));

    // The last 1,000 pages: from the moment the tree holds all but their
    // 10,000 entries.
    GapMeter listing;
    QTimer lastPages;
    lastPages.setInterval(1);
    QObject::connect(&lastPages, &QTimer::timeout, [&] {
        if (tree->model()->rowCount() >= videos - 10000) {
            listing.start();
            lastPages.stop();
        }
    });
    lastPages.start();
    list(window, user);
    const double listGap = listing.stop();
    // The entries appended last join the tree's model at the next turn.
    QCoreApplication::processEvents();
    if (tree->model()->rowCount() != videos)
        return 1;

    // The full tree scrolled as a user does: keys, the wheel, the scroll bar
    // dragged to places all over its range; one step every 3 ms.
    tree->setFocus();
    std::vector<std::function<void()>> steps;
    for (const Qt::Key key : {Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_Up, Qt::Key_Home,
                              Qt::Key_PageDown, Qt::Key_Down, Qt::Key_End})
        steps.emplace_back([tree, key] { QTest::keyClick(tree, key); });
    QScrollBar *bar = tree->verticalScrollBar();
    for (int i = 0; i <= 100; ++i)
        steps.emplace_back([bar, i] { bar->setValue(bar->maximum() / 100 * ((i * 37) % 101)); });
    for (int i = 0; i < 50; ++i) {
        steps.emplace_back([tree, i] {
            const QPoint at = tree->viewport()->rect().center();
            QWheelEvent wheel(at, tree->viewport()->mapToGlobal(at), {}, {0, i % 2 ? 120 : -360},
                              Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(tree->viewport(), &wheel);
        });
    }
    // In the application's own event loop: a test's wait would sleep
    // between its turns.
    GapMeter scrolling;
    std::size_t next = 0;
    QEventLoop loop;
    QTimer stepper;
    stepper.setInterval(3);
    QObject::connect(&stepper, &QTimer::timeout, [&] {
        if (next < steps.size())
            steps[next++]();
        else
            loop.quit();
    });
    scrolling.start();
    stepper.start();
    loop.exec();
    const double scrollGap = scrolling.stop();

    // A node click on the last entry of the full tree.
    tree->scrollToBottom();
    QTest::qWait(20);
    GapMeter clicking;
    clicking.start();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualRect(tree->model()->index(videos - 1, 0)).center());
    const double clickGap = clicking.stop();
    if (tree->selectedRow() != std::optional<int>(videos - 1))
        return 1;
    std::printf("{\"listGapMs\":%.3f,\"scrollGapMs\":%.3f,\"clickGapMs\":%.3f}\n", listGap,
                scrollGap, clickGap);
    return 0;
}

int closeToExit()
{
    site::SiteServer server;
    slowSite(server);
    QTemporaryDir folder;
    // From the moment the close is due: a window that does not turn its
    // event loop takes the close only later.
    Clock::time_point closedAt;
    {
        ui::MainSetup setup = setupFor(server, folder.path());
        setup.endProgram = [] { QCoreApplication::exit(0); };
        ui::Main window(std::move(setup));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        // The listing runs in the program's event loop, as after a real
        // click; the close comes in the middle of its third page.
        QTimer::singleShot(0, [&] { list(window, QStringLiteral("slow")); });
        constexpr milliseconds kCloseAfter(1250);
        closedAt = Clock::now() + kCloseAfter;
        QTimer::singleShot(kCloseAfter, [&] { window.close(); });
        if (QApplication::exec() != 0 || window.isVisible())
            return 1;
    }
    const double closeMs = msBetween(closedAt, Clock::now());
    std::printf("{\"closeMs\":%.3f}\n", closeMs);
    return 0;
}

} // namespace vidfolio::bench
