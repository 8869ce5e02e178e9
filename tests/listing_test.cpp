#include "history/userlist.h"
#include "listing/listingrun.h"
#include "listing/profilepage.h"
#include "listing/videokey.h"
#include "support/fetcherfixture.h"
#include "support/recordingview.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace vidfolio;
using site::Fault;
using site::Video;
using test::CountingRunLoop;
using test::RecordingView;

namespace {

class ListingTest : public test::FetcherTest
{
protected:
    void list(const QString &name)
    {
        view.typed = name;
        const auto remember = [this] {
            rememberUserName(view);
            return RememberedName{view.userText(), Outcome::Done, {}};
        };
        ListingRun(view, remember, fetcher, limits, loop,
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
    // After disabling, before enabling (input queued meanwhile is dropped),
    // and before the pause.
    EXPECT_EQ(loop.pumps, 3);
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
                      CountCase{"DigitGrouping", "2,1", 0}, CountCase{"Words", "many", 0},
                      CountCase{"Empty", "", 0}),
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

TEST(VideoCount, ReadsPlainAndGroupedDigitsOnly)
{
    const auto count = [](const char *text) {
        return profileVideoCount(QString::fromStdString(site::firstProfilePage("u", text)));
    };
    EXPECT_EQ(count("57"), 57);
    EXPECT_EQ(count(" 12 "), 12);
    EXPECT_EQ(count("0"), 0);
    EXPECT_EQ(count("1,234"), 1234);
    EXPECT_EQ(count("123,456"), 123456);
    for (const char *bad : {"-5", "+5", "5.0", "1,23", "1234,567", ",123", "1,,234", "12 34", "",
                            "many", "0x10", "\xd9\xa1\xd9\xa2"})
        EXPECT_EQ(count(bad), std::nullopt) << bad;
    // Beyond what one listing shows, even beyond any integer: capped.
    EXPECT_EQ(count("1,234,567"), kMaxListedVideos);
    EXPECT_EQ(count("99999999999999999999"), kMaxListedVideos);
    EXPECT_EQ(profilePageCount(u"x Videos</strong>  (99999999999999999999)"),
              kMaxListedVideos / 10);
    // The marker missing, or no closing parenthesis after it.
    EXPECT_EQ(profileVideoCount(u"Public Videos (57)"), std::nullopt);
    EXPECT_EQ(profileVideoCount(u"Public Videos</strong>  (57"), std::nullopt);
    EXPECT_EQ(profilePageCount(u"Public Videos</strong>  (57"), 0);
}

TEST(VideoPiece, NoEntryWhenAnyMarkerIsMissingOrCutOff)
{
    const std::string good = site::videoPiece({"id7", "Seven"}, "http://t");
    const auto entry = cutVideoPiece(QString::fromStdString(good));
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->title, QStringLiteral("Seven"));
    EXPECT_EQ(entry->key,
              QStringLiteral("id7") + kKeySeparator + QStringLiteral("http://t/vi/id7/"));

    // Every marker the cut relies on, spoiled in turn wherever it occurs.
    const std::pair<std::string, std::string> spoilt[] = {
        {"vtitle", "vTitle"},      {"\">Seven", "\" >Seven"}, {"</a", "< /a"},
        {"img src=", "img  src="}, {"vi/", "vi_/"},           {"/2.jpg", "_2.jpg"}};
    for (const auto &[marker, broken] : spoilt) {
        QString piece = QString::fromStdString(good);
        ASSERT_TRUE(piece.contains(QString::fromStdString(marker))) << marker;
        piece.replace(QString::fromStdString(marker), QString::fromStdString(broken));
        EXPECT_FALSE(cutVideoPiece(piece).has_value()) << marker;
    }
    // A piece cut off anywhere gives either nothing or the whole entry,
    // never one made of whatever lies at the offsets.
    for (std::size_t length = 0; length < good.size(); ++length) {
        const auto cut = cutVideoPiece(QString::fromStdString(good.substr(0, length)));
        if (cut) {
            EXPECT_EQ(cut->key, entry->key) << length;
        }
    }
    // No identifier between "vi/" and "/", or one holding the key separator
    // (which would split the key in the wrong place).
    EXPECT_FALSE(
        cutVideoPiece(u"vtitle\"><a href=\"w\">T</a> img src=\"http://t/vi//2.jpg\"").has_value());
    EXPECT_FALSE(
        cutVideoPiece(u"vtitle\"><a href=\"w\">T</a> img src=\"http://t/vi/a\u2021b/2.jpg\"")
            .has_value());
}

TEST_F(ListingTest, BrokenPagesListOnlyWholeVideos)
{
    // NUL bytes, CR-only and mixed line ends, markup and right-to-left text in
    // titles, a stray "vTable" with nothing after it, a page cut off inside a
    // piece.
    const std::string rtl = "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d"; // Hebrew, UTF-8
    std::vector<Video> videos{{"n1", std::string("nul\0inside", 10)},
                              {"s1", "<script>alert(1)</script>"},
                              {"a1", "Tom & Jerry\tlive"},
                              {"r1", rtl + " 42"}};
    std::string page = site::numberedProfilePage("lena", videos, thumbnailRoot());
    for (std::size_t at = page.find('\n'); at != std::string::npos; at = page.find('\n', at + 1))
        page[at] = (at % 2) ? '\r' : '\n';
    const std::string cutOff = site::videoPiece({"c1", "cut off"}, thumbnailRoot());
    page += "vTable" + std::string(1, '\0') + "vTable" + cutOff.substr(0, cutOff.size() / 2);
    server.setPage("lena", 0, site::firstProfilePage("lena", "4"));
    server.setPage("lena", 1, page);
    list("lena");

    EXPECT_EQ(view.titles(),
              QStringList({QString::fromUtf8("nul\0inside", 10), "<script>alert(1)</script>",
                           "Tom & Jerry\tlive", QString::fromUtf8(rtl + " 42")}));
    for (std::size_t i = 0; i < videos.size(); ++i)
        EXPECT_EQ(view.entries[i].key, keyOf(videos[i]));
    EXPECT_EQ(view.statuses.last(), QStringLiteral("Finished: 4 videos"));

    // A page that is not UTF-8 is read as Windows-1252, whole.
    server.setPage(
        "lena", 1,
        site::numberedProfilePage("lena", {{"w1", "Caf\xe9 \x93quoted\x94"}}, thumbnailRoot()));
    list("lena");
    EXPECT_EQ(view.titles(), QStringList{QString::fromUtf8("Café “quoted”")});
}

TEST_F(ListingTest, HugeCountStopsAfterTenPagesWithoutNewVideos)
{
    // Pages past the last come back empty: the run stops ten pages on.
    server.addUser("mia", site::generatedVideos("mia", 57), "9,000,000,000");
    list("mia");
    EXPECT_EQ(view.entries.size(), 57u);
    EXPECT_EQ(server.requests().size(), 1u + 16u);
    EXPECT_EQ(view.statuses.last(),
              QStringLiteral("Finished: 57 videos (pages 7 to 16 listed no new video)"));
    EXPECT_TRUE(view.enabled);

    // A site that serves its last page again for every number: the same.
    server.addUser("ned", site::generatedVideos("ned", 5), "99999999999999999999");
    for (int page = 2; page <= 12; ++page)
        server.setPage(
            "ned", page,
            site::numberedProfilePage("ned", site::generatedVideos("ned", 5), thumbnailRoot()));
    const std::size_t before = server.requests().size();
    list("ned");
    EXPECT_EQ(view.entries.size(), 5u);
    EXPECT_EQ(server.requests().size() - before, 1u + 11u);
    EXPECT_EQ(view.statuses.last(),
              QStringLiteral("Finished: 5 videos (pages 2 to 11 listed no new video)"));
}

TEST_F(ListingTest, ListStopsWhenFull)
{
    // One page with more pieces than a listing shows.
    std::string page = "Public Videos";
    const int pieces = static_cast<int>(kMaxListedVideos) + 5;
    page.reserve(static_cast<std::size_t>(pieces) * 60);
    for (int i = 0; i < pieces; ++i)
        page +=
            "vTable vtitle\"><a href=\"w\">T</a> img src=\"h/vi/" + std::to_string(i) + "/2.jpg\"";
    server.setPage("olga", 0, site::firstProfilePage("olga", "500,000"));
    // Served as it is: compressing 13 MB would take the server longer than
    // the listing takes.
    server.setAnswer("/profile_videos?user=olga&page=1", 200, page, "application/octet-stream");
    list("olga");
    EXPECT_EQ(view.entries.size(), static_cast<std::size_t>(kMaxListedVideos));
    EXPECT_EQ(view.entries.back().key,
              QString::number(kMaxListedVideos - 1) + kKeySeparator + QStringLiteral("h/vi/") +
                  QString::number(kMaxListedVideos - 1) + QStringLiteral("/"));
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(
        view.statuses.last(),
        QStringLiteral("Finished: %1 videos (the list stops at %1 videos)").arg(kMaxListedVideos));
}

TEST_F(ListingTest, UnreadableCountIsReported)
{
    server.addUser("pat", site::generatedVideos("pat", 30), "lots");
    list("pat");
    EXPECT_TRUE(view.entries.empty());
    EXPECT_EQ(view.statuses.last(),
              QStringLiteral("Finished: 0 videos (no video count on the page)"));
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
