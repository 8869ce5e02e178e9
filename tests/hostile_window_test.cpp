// The real window, offscreen, against a site that misbehaves: whatever the
// fault, the window ends enabled with a status that says what happened, the
// history file as it was but for the name listed, and no scratch file, and it
// lists again once the site behaves.
#include "support/windowfixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QTimer>

using namespace vidfolio;
using namespace std::chrono_literals;
using site::Fault;
using site::refusal;
using test::WindowTest;

namespace {

constexpr std::int64_t kTwoGibibytes = 2048ll * 1024 * 1024;

class HostileWindowTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        pageLimits.stallTimeout = 1s;
        pageLimits.totalTimeout = 2s;
        pageLimits.maxBytes = 8 * 1024 * 1024;
        pictureLimits.stallTimeout = 1s;
        pictureLimits.totalTimeout = 2s;
        server.addUser("carol", videos);
        writeHistory(kHistory);
    }

    bool scratchLeft() const { return QFile::exists(folder.filePath("temp.txt")); }
    bool boxEmpty(ui::Main &window, int box)
    {
        return find<QLabel>(window, qPrintable(QStringLiteral("SitePic%1").arg(box)))
            ->pixmap()
            .isNull();
    }

    static constexpr const char *kHistory = "older\r\nnames\r\n";
    const std::vector<site::Video> videos = site::generatedVideos("carol", 25);
};

struct ListingCase
{
    const char *name;
    int page;
    Fault fault;
    const char *status;
    int listed; // entries in the tree afterwards
};

void PrintTo(const ListingCase &c, std::ostream *os)
{
    *os << c.name;
}

class HostileListingTest : public HostileWindowTest,
                           public ::testing::WithParamInterface<ListingCase>
{
};

TEST_P(HostileListingTest, EndsEnabledWithTheReasonAndListsAgainLater)
{
    const ListingCase &c = GetParam();
    server.setFault(c.page, c.fault);
    // Three stall times, so that which of the two limits ends a drip shows.
    if (c.fault.kind == Fault::Kind::Drip)
        pageLimits.totalTimeout = 3s;
    auto window = makeWindow();
    const auto start = std::chrono::steady_clock::now();
    typeAndList(*window, QStringLiteral("carol"));
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(statusText(*window), QString::fromUtf8(c.status));
    if (c.fault.kind == Fault::Kind::Drip) {
        // The total time ends a body that is never stalled, not the shorter
        // stall time; curl's timer may end it a few milliseconds early.
        EXPECT_GE(took, pageLimits.totalTimeout - 100ms);
        EXPECT_LT(took, pageLimits.totalTimeout + 5s);
    }
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(entryCount(*window), c.listed);
    // The name went into the history as the listing began, whatever came of it.
    EXPECT_EQ(history(), "carol\r\n" + QByteArray(kHistory));
    EXPECT_FALSE(scratchLeft());
    EXPECT_TRUE(boxes->shown.empty());

    server.clearFaults();
    typeAndList(*window, QStringLiteral("carol"));
    EXPECT_EQ(statusText(*window), QStringLiteral("Finished: 25 videos"));
    EXPECT_EQ(entryCount(*window), 25);
    EXPECT_FALSE(scratchLeft());
}

// An address on loopback where nothing listens: the port of a site that
// has been shut down.
std::string closedPortAddress()
{
    int port = 0;
    {
        site::SiteServer gone;
        port = gone.port();
    }
    return "http://127.0.0.1:" + std::to_string(port) + "/";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HostileListingTest,
    ::testing::Values(
        ListingCase{
            "NotFoundWithAPage", 0, {Fault::Kind::NotFound}, "Download failed: HTTP 404", 0},
        ListingCase{"ServerErrorOnPageThree",
                    3,
                    {Fault::Kind::ServerError},
                    "Finished: 20 videos (page 3 failed: HTTP 500)",
                    20},
        ListingCase{"Refused",
                    0,
                    {.kind = Fault::Kind::Redirect, .location = closedPortAddress()},
                    "Download failed: connection refused",
                    0},
        ListingCase{"RedirectToFile",
                    0,
                    {.kind = Fault::Kind::Redirect, .location = "file:///etc/passwd"},
                    "Download failed: address not allowed",
                    0},
        ListingCase{
            "ResetMidBody", 0, {Fault::Kind::ResetMidBody}, "Download failed: connection lost", 0},
        ListingCase{"StallAfterHeaders",
                    0,
                    {.kind = Fault::Kind::StallAfterHeaders, .delayMs = 60000},
                    "Download failed: timed out",
                    0},
        ListingCase{"Drip",
                    0,
                    {.kind = Fault::Kind::Drip, .delayMs = 250},
                    "Download failed: timed out",
                    0},
        ListingCase{"TwoGigabytesAnnounced",
                    0,
                    {.kind = Fault::Kind::HugeWithLength, .bytes = kTwoGibibytes},
                    "Download failed: too large",
                    0},
        ListingCase{"GzipBombOnPageOne",
                    1,
                    {.kind = Fault::Kind::GzipBomb, .bytes = kTwoGibibytes},
                    "Finished: 0 videos (page 1 failed: too large)",
                    0},
        ListingCase{"RedirectLoop",
                    0,
                    {Fault::Kind::RedirectLoop},
                    "Download failed: too many redirects",
                    0},
        ListingCase{"RedirectToFtpOnPageTwo",
                    2,
                    {.kind = Fault::Kind::Redirect, .location = "ftp://127.0.0.1/x"},
                    "Finished: 10 videos (page 2 failed: address not allowed)",
                    10},
        ListingCase{"Status429", 0, refusal(Fault::Kind::TooManyRequests, ""),
                    "Download failed: rate limited", 0},
        ListingCase{"Status503RetryAfterAnHour", 0, refusal(Fault::Kind::Unavailable, "3600"),
                    "Download failed: rate limited", 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(HostileWindowTest, ABusySiteIsWaitedOutWhileTheWindowKeepsRunning)
{
    const std::string pageOne = "/profile_videos?user=carol&page=1";
    server.setFault(1, refusal(Fault::Kind::Unavailable, "1", 2));
    // Room for the two waits.
    pageLimits.totalTimeout = 10s;
    auto window = makeWindow();

    // Counts the turns of the event loop between the first refusal reaching
    // the site and the third request: the two waits of a second each pass
    // only if they run the event loop. A wait that blocks lets one turn at
    // most through before the next request.
    int turnsWhileWaiting = 0;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, window.get(), [&] {
        const std::size_t requests = server.requestsFor(pageOne);
        if (requests < 1 || requests > 2)
            return;
        ++turnsWhileWaiting;
        EXPECT_FALSE(window->isEnabled());
        EXPECT_EQ(statusText(*window), QStringLiteral("Working, please wait.."));
    });
    watch.start();
    typeAndList(*window, QStringLiteral("carol"));
    watch.stop();

    // About 200 turns of 10 ms; a loaded machine takes fewer.
    EXPECT_GE(turnsWhileWaiting, 40);
    EXPECT_EQ(server.requestsFor(pageOne), 3u);
    EXPECT_EQ(statusText(*window), QStringLiteral("Finished: 25 videos"));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(scratchLeft());
}

TEST_F(HostileWindowTest, AFaultyWatchPageEndsTheLookupInErrorAndOpensNothing)
{
    auto window = makeWindow();
    typeAndList(*window, QStringLiteral("carol"));
    clickEntry(*window, 3);
    const std::string watch = "/watch?v=" + videos[3].id;
    for (const Fault &fault :
         {Fault{Fault::Kind::ResetMidBody},
          Fault{.kind = Fault::Kind::StallAfterHeaders, .delayMs = 60000},
          Fault{.kind = Fault::Kind::GzipBomb, .bytes = kTwoGibibytes},
          Fault{.kind = Fault::Kind::Redirect, .location = "file:///etc/hosts"},
          refusal(Fault::Kind::TooManyRequests, "11")}) {
        SCOPED_TRACE(static_cast<int>(fault.kind));
        server.setFaultAt(watch, fault);
        for (const char *command : {"Watchdirect", "Download"}) {
            window->setStatus(QString());
            find<QAction>(*window, command)->trigger();
            EXPECT_EQ(statusText(*window), QStringLiteral("Error")) << command;
            EXPECT_TRUE(window->isEnabled());
            EXPECT_FALSE(scratchLeft());
        }
    }
    EXPECT_TRUE(launcher->opened.isEmpty());

    // "Watch normal" opens the watch page without fetching it.
    find<QAction>(*window, "Watch")->trigger();
    EXPECT_EQ(launcher->opened,
              QStringList{QString::fromStdString("http://" + server.host() + watch)});
}

TEST_F(HostileWindowTest, AFaultyThumbnailLeavesItsBoxEmptyAndTheOthersShown)
{
    // Only the pictures have short limits: a stalled thumbnail must not be
    // waited for as long as a page.
    pageLimits = DownloadLimits{};
    auto window = makeWindow();
    typeAndList(*window, QStringLiteral("carol"));
    const std::string thumbnail = "/vi/" + videos[1].id + "/2.jpg";
    for (const Fault &fault :
         {Fault{Fault::Kind::NotAPicture}, Fault{Fault::Kind::GiantPicture},
          Fault{Fault::Kind::Truncated},
          Fault{.kind = Fault::Kind::StallAfterHeaders, .delayMs = 60000},
          Fault{.kind = Fault::Kind::Drip, .delayMs = 1000}, Fault{Fault::Kind::ResetMidBody}}) {
        SCOPED_TRACE(static_cast<int>(fault.kind));
        server.setFaultAt(thumbnail, fault);
        // Another entry first, so that an empty box was emptied by the fault.
        clickEntry(*window, 0);
        ASSERT_FALSE(boxEmpty(*window, 1));
        const auto start = std::chrono::steady_clock::now();
        clickEntry(*window, 1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
        EXPECT_TRUE(boxEmpty(*window, 1));
        EXPECT_FALSE(boxEmpty(*window, 0));
        EXPECT_FALSE(boxEmpty(*window, 2));
        EXPECT_EQ(statusText(*window), QStringLiteral("Finished"));
        EXPECT_TRUE(window->isEnabled());
    }
    EXPECT_TRUE(boxes->shown.empty());
}

} // namespace
