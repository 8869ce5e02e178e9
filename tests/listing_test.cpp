#include "listing/listingrun.h"
#include "listing/pagefetcher.h"
#include "listing/profilepage.h"
#include "platform/downloader.h"
#include "siteserver.h"
#include "support/recordingview.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

using namespace vidfolio;
using site::Fault;
using site::Video;
using test::CountingRunLoop;
using test::RecordingView;

namespace {

class ListingTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    void list(const QString &name)
    {
        view.typed = name;
        ListingRun(view, view, fetcher, loop,
                   SiteRoots::forHost(QString::fromStdString(server.host())))
            .run();
    }
    std::string thumbnailRoot() const { return "http://www." + server.host(); }
    QString keyOf(const Video &video) const
    {
        return QString::fromStdString(video.id) + kKeySeparator +
               QString::fromStdString(thumbnailRoot() + "/vi/" + video.id + "/");
    }
    std::vector<std::string> targets() const
    {
        std::vector<std::string> out;
        for (const auto &request : server.requests())
            out.push_back(request.target);
        return out;
    }

    QTemporaryDir folder;
    site::SiteServer server;
    Downloader downloader;
    PageFetcher fetcher{downloader, folder.path()};
    RecordingView view;
    CountingRunLoop loop;
};

TEST_F(ListingTest, SixPagesAreListedInOrderWithPageProgress)
{
    const auto videos = site::generatedVideos("carol", 57);
    server.addUser("carol", videos);
    list("carol");

    ASSERT_EQ(view.entries.size(), 57u);
    for (std::size_t i = 0; i < videos.size(); ++i) {
        EXPECT_EQ(view.entries[i].key, keyOf(videos[i]));
        EXPECT_EQ(view.entries[i].title, QString::fromStdString(videos[i].title));
        EXPECT_EQ(view.entries[i].image, 1);
    }
    const std::vector<std::pair<int, int>> progress{{0, 10}, {1, 10}, {2, 10}, {3, 10}, {4, 10},
                                                    {5, 10}, {5, 7},  {6, 7},  {7, 7},  {0, 7}};
    EXPECT_EQ(view.progress, progress);
    EXPECT_EQ(view.statuses, QStringList({"Working, please wait..", "Finished: 57 videos"}));
    EXPECT_EQ(view.enabledChanges, std::vector<bool>({false, true}));
    EXPECT_EQ(view.menuHides, 1);
    EXPECT_EQ(view.repaints, 57);
    EXPECT_EQ(loop.pumps, 2);
    EXPECT_EQ(loop.sleeps, std::vector<int>{300});

    // The first fetch goes to the bare root, the numbered pages to the www root.
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_EQ(requests[0].host, server.host());
    EXPECT_EQ(requests[0].target, "/profile_videos?user=carol");
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(requests[n].host, "www." + server.host());
        EXPECT_EQ(requests[n].target, "/profile_videos?user=carol&page=" + std::to_string(n));
        EXPECT_EQ(requests[n].remotePort, requests[1].remotePort);
    }
}

TEST_F(ListingTest, OnlyRecentListsTheFirstPageAlone)
{
    server.addUser("carol", site::generatedVideos("carol", 57));
    view.recent = true;
    list("carol");
    EXPECT_EQ(view.entries.size(), 10u);
    EXPECT_EQ(targets(), std::vector<std::string>(
                             {"/profile_videos?user=carol", "/profile_videos?user=carol&page=1"}));
    EXPECT_EQ(view.statuses.last(), QStringLiteral("Finished: 10 videos"));
}

struct CountCase
{
    const char *name;
    const char *countText;
    std::size_t pagesFetched;
    friend void PrintTo(const CountCase &c, std::ostream *os) { *os << c.name; }
};

class PageCountTest : public ListingTest, public ::testing::WithParamInterface<CountCase>
{
};

TEST_P(PageCountTest, CountTextGivesPageCount)
{
    server.addUser("dave", site::generatedVideos("dave", 30), GetParam().countText);
    list("dave");
    EXPECT_EQ(server.requests().size(), 1 + GetParam().pagesFetched);
    EXPECT_TRUE(view.statuses.last().startsWith(QStringLiteral("Finished: ")));
    EXPECT_TRUE(view.enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, PageCountTest,
    ::testing::Values(CountCase{"Zero", "0", 0}, CountCase{"Ten", "10", 1},
                      CountCase{"Eleven", "11", 2}, CountCase{"Twenty", "20", 2},
                      CountCase{"BlanksAround", " 12 ", 2}, CountCase{"Negative", "-5", 0},
                      CountCase{"DigitGrouping", "1,234", 0}, CountCase{"Words", "many", 0},
                      CountCase{"Empty", "", 0},
                      CountCase{"BeyondAnyInteger", "99999999999999999999", 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ListingTest, ZeroVideosFinishesAtOnce)
{
    server.addUser("erin", {});
    list("erin");
    EXPECT_TRUE(view.entries.empty());
    EXPECT_EQ(view.statuses.last(), QStringLiteral("Finished: 0 videos"));
    EXPECT_EQ(view.progress, (std::vector<std::pair<int, int>>{{100, 100}, {0, 100}}));
}

TEST_F(ListingTest, UnknownUserEndsTheRunButIsRemembered)
{
    server.setPage("Ghost", 0, "machid: x\nThis user doesn't have any videos at this time!\n");
    view.users = {"older"};
    list("Ghost");
    EXPECT_EQ(view.statuses.last(), QStringLiteral("User Ghost not found!"));
    EXPECT_TRUE(view.entries.empty());
    EXPECT_TRUE(view.enabled);
    EXPECT_TRUE(view.progress.empty());
    EXPECT_EQ(view.users, QStringList({"Ghost", "older"}));
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(ListingTest, UserWithoutVideos)
{
    server.addUserWithoutVideos("frank");
    list("frank");
    EXPECT_EQ(view.statuses.last(), QStringLiteral("This user doesn't have any videos!"));
    EXPECT_TRUE(view.enabled);
    EXPECT_TRUE(view.entries.empty());
}

TEST_F(ListingTest, TitlesDecodeQuotesOnlyAndDuplicatesAreListedOnce)
{
    std::vector<Video> videos{{"a1", "Say &quot;hi&quot; &amp; bye"},
                              {"b2", "Ünïcödé ‡ title"},
                              {"a1", "same video again"}};
    auto more = site::generatedVideos("gina", 10);
    more.push_back({"b2", "listed again on page two"});
    videos.insert(videos.end(), more.begin(), more.end());
    server.addUser("gina", videos);
    list("gina");

    ASSERT_EQ(view.entries.size(), 12u);
    EXPECT_EQ(view.entries[0].title, QStringLiteral("Say \"hi\" &amp; bye"));
    EXPECT_EQ(view.entries[1].title, QString::fromUtf8("Ünïcödé ‡ title"));
    EXPECT_EQ(view.statuses.last(), QStringLiteral("Finished: 12 videos"));
}

TEST_F(ListingTest, PieceWithoutUsableThumbnailIsSkipped)
{
    const std::string good = site::videoPiece({"ok1", "Good"}, "http://t");
    server.setPage("hal", 0, site::firstProfilePage("hal", "3"));
    server.setPage(
        "hal", 1,
        "Public Videos<div class=\"vTable" + good +
            "vTable\"><div class=\"vtitle\"><a href=\"x\">No picture</a><img src=\"abc\">"
            "vTable" +
            site::videoPiece({"ok2", "Also good"}, "http://t"));
    list("hal");
    EXPECT_EQ(view.titles(), QStringList({"Good", "Also good"}));
    EXPECT_EQ(view.repaints, 3);
    EXPECT_EQ(view.statuses.last(), QStringLiteral("Finished: 2 videos"));
}

TEST_F(ListingTest, CutsFallBackToOffsetsWhenMarkersAreMissing)
{
    // No "vtitle", no quote-and-bracket, no "</a": the title starts 15
    // characters into the piece, loses one more character and runs to the
    // end; no "vi/": the identifier starts 2 characters into the address.
    const auto entry = cutVideoPiece(u"0123456789abcdefghij img src=\"http://x/pic/2.jpg\" tail");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->title, QStringLiteral("fghij img src=\"http://x/pic/2.jpg\" tail"));
    EXPECT_EQ(entry->key, QStringLiteral("tp:") + kKeySeparator + QStringLiteral("http://x/pic/"));

    EXPECT_FALSE(cutVideoPiece(u"img src=\"abcd\"").has_value());
    const auto shortest = cutVideoPiece(u"img src=\"abcde\"");
    ASSERT_TRUE(shortest.has_value());
    EXPECT_TRUE(shortest->key.endsWith(kKeySeparator));
}

TEST_F(ListingTest, FailedFirstFetchReportsAndNeverShowsThePreviousUser)
{
    server.addUser("carol", site::generatedVideos("carol", 57));
    list("carol");
    ASSERT_EQ(view.entries.size(), 57u);

    server.setFault(0, {Fault::Kind::ServerError});
    view.progress.clear();
    list("ivan");
    EXPECT_TRUE(view.entries.empty());
    EXPECT_EQ(view.statuses.last(), QStringLiteral("Download failed: HTTP 500"));
    EXPECT_TRUE(view.enabled);
    EXPECT_EQ(view.progress, (std::vector<std::pair<int, int>>{{7, 7}, {0, 7}}));
    EXPECT_EQ(view.users, QStringList({"ivan", "carol"}));
}

TEST_F(ListingTest, FailedNumberedPageKeepsWhatWasListed)
{
    server.addUser("carol", site::generatedVideos("carol", 57));
    server.setFault(3, {Fault::Kind::DropMidBody});
    list("carol");
    EXPECT_EQ(view.entries.size(), 20u);
    EXPECT_EQ(view.statuses.last(),
              QStringLiteral("Finished: 20 videos (page 3 failed: connection lost)"));
    EXPECT_EQ(server.requests().size(), 4u);
    EXPECT_TRUE(view.enabled);
}

TEST_F(ListingTest, UserNameReachesTheSiteAsOneQueryValue)
{
    const QString name = QString::fromUtf8("j k&l#m+é");
    server.addUser(name.toStdString(), site::generatedVideos("jk", 3));
    list(name);
    EXPECT_EQ(view.entries.size(), 3u);
    EXPECT_EQ(targets().front(), "/profile_videos?user=j%20k%26l%23m%2B%C3%A9");
    EXPECT_EQ(view.users, QStringList({name}));

    view.typed = QStringLiteral("Who Else");
    list(view.typed);
    EXPECT_EQ(view.statuses.last(), QStringLiteral("User Who Else not found!"));
}

TEST_F(ListingTest, EmptyPageAddsNothingAndItsMaximumIsRefused)
{
    server.setPage("kim", 0, site::firstProfilePage("kim", "20"));
    server.setPage("kim", 1, "");
    server.addUser("kim", site::generatedVideos("kim", 20));
    list("kim");
    EXPECT_EQ(view.entries.size(), 10u);
    // Page 1 is empty: its maximum of -1 is refused, the value still steps.
    EXPECT_EQ(view.progress,
              (std::vector<std::pair<int, int>>{{1, 100}, {1, 10}, {2, 10}, {10, 10}, {0, 10}}));
}

TEST(ProgressRule, RefusedSettingsLeaveTheBarAsItWas)
{
    RecordingView bar;
    EXPECT_TRUE(bar.setProgressValue(60));
    EXPECT_FALSE(bar.setProgressMaximum(59));
    EXPECT_FALSE(bar.setProgressValue(101));
    EXPECT_FALSE(bar.setProgressValue(-1));
    EXPECT_EQ(bar.progressMaximum(), 100);
    EXPECT_EQ(bar.progressValue(), 60);
    EXPECT_TRUE(bar.setProgressMaximum(60));
    EXPECT_TRUE(bar.setProgressValue(0));
    EXPECT_TRUE(bar.setProgressMaximum(0));
    EXPECT_EQ(bar.progress,
              (std::vector<std::pair<int, int>>{{60, 100}, {60, 60}, {0, 60}, {0, 0}}));
}

} // namespace
