#include "livecase.h"

#include "siteserver.h"
#include "ui/main.h"
#include "ui/videotree.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>

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

ui::MainSetup setupFor(const site::SiteServer &server, const QString &folder)
{
    ui::MainSetup setup;
    setup.roots = SiteRoots::forHost(QString::fromStdString(server.host()));
    setup.folder = {folder, {}};
    setup.endProgram = [] {};
    setup.pageLimits.stallTimeout = std::chrono::seconds(2);
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
                      tree->visualRect(tree->entryIndex(0)).center());
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

    GapMeter meter;
    Clock::time_point start;
    QString expected;
    if (which == "list") {
        slowSite(server);
        start = Clock::now();
        meter.start();
        list(window, QStringLiteral("slow"));
        expected = QStringLiteral("Finished: 100 videos");
    } else if (which == "pictures") {
        list(window, QStringLiteral("quick"));
        const std::string id = site::generatedVideos("quick", 1).front().id;
        for (int number = 1; number <= 3; ++number) {
            server.setFaultAt("/vi/" + id + "/" + std::to_string(number) + ".jpg",
                              {.kind = site::Fault::Kind::Stall, .delayMs = 1000});
        }
        start = Clock::now();
        meter.start();
        clickFirstEntry(window);
        const auto *third = window.findChild<QLabel *>(QStringLiteral("SitePic2"));
        expected = third->pixmap().isNull() ? QString() : QStringLiteral("Finished");
    } else if (which == "stall") {
        server.setFault(0, {.kind = site::Fault::Kind::Stall, .delayMs = 60000});
        start = Clock::now();
        meter.start();
        list(window, QStringLiteral("quick"));
        expected = QStringLiteral("Download failed: timed out");
    } else {
        return 2;
    }
    const double gap = meter.stop();
    const double ms = msBetween(start, Clock::now());
    if (window.statusText() != expected || expected.isEmpty())
        return 1;
    std::printf("{\"gapMs\":%.3f,\"ms\":%.3f}\n", gap, ms);
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
