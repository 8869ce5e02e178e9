#include "actions/videocommands.h"
#include "listing/videokey.h"
#include "platform/launcher.h"
#include "support/fetcherfixture.h"
#include "support/recordingview.h"

#include <gtest/gtest.h>

using namespace vidfolio;

namespace {

// The window's part in a video command, kept for the test to look at.
class CommandRecorder final : public VideoCommandView
{
public:
    std::optional<SelectedVideo> selected;
    QStringList statuses;
    std::vector<bool> enabledChanges;
    int noVideoBoxes = 0;
    QStringList results;

    void setStatus(const QString &text) override { statuses.append(text); }
    void setWindowEnabled(bool enabled) override { enabledChanges.push_back(enabled); }
    std::optional<SelectedVideo> selectedVideo() const override { return selected; }
    void showNoVideoSelected() override { ++noVideoBoxes; }
    void lookupFinished(const QString &parameters) override { results.append(parameters); }
};

class LookupTest : public test::FetcherTest
{
protected:
    QString root() const { return QString::fromStdString("http://" + server.host()); }
    void select(const QString &id)
    {
        view.selected = SelectedVideo{id + kKeySeparator + root() + "/vi/" + id + "/", "A video"};
    }
    void serveWatchPage(const std::string &id, const std::string &body)
    {
        server.setAnswer("/watch?v=" + id, 200, body);
    }
    void run(VideoCommand command)
    {
        runVideoCommand(command, view, fetcher, limits, launcher,
                        SiteRoots::forHost(QString::fromStdString(server.host())));
    }
    std::size_t watchRequests() const
    {
        std::size_t count = 0;
        for (const auto &request : server.requests())
            count += request.target.rfind("/watch?v=", 0) == 0 ? 1 : 0;
        return count;
    }

    CommandRecorder view;
    test::RecordedLauncher launcher;
};

TEST_F(LookupTest, DownloadAndWatchDirectOpenTheParametersOfTheFirstMarker)
{
    serveWatchPage("abc", "<embed src=\"/player2.swf?video_id=abc&l=93&t=tok-_9\" w=1>"
                          "<embed src=\"/player2.swf?video_id=second&t=x\">");
    select("abc");
    run(VideoCommand::Download);
    run(VideoCommand::Watchdirect);
    EXPECT_EQ(launcher.opened, QStringList({root() + "/get_video.php?video_id=abc&l=93&t=tok-_9",
                                            root() + "/player2.swf?video_id=abc&l=93&t=tok-_9"}));
    EXPECT_EQ(view.statuses,
              QStringList({"Please wait..", "Finished", "Please wait..", "Finished"}));
    EXPECT_TRUE(view.enabledChanges.empty());
    // Nothing is cached: each command fetched the watch page.
    EXPECT_EQ(watchRequests(), 2u);
    EXPECT_EQ(fetcher.PageText().left(6), QStringLiteral("<embed"));
}

// What the lookup makes of watch pages around the marker.
struct MarkerCase
{
    const char *name;
    std::string page;
    QString result;
};

void PrintTo(const MarkerCase &c, std::ostream *os)
{
    *os << c.name;
}

class MarkerCases : public LookupTest, public ::testing::WithParamInterface<MarkerCase>
{
};

TEST_P(MarkerCases, FinishWithTheTextAfterTheMarker)
{
    serveWatchPage("v1", GetParam().page);
    select("v1");
    run(VideoCommand::Download);
    EXPECT_EQ(view.results, QStringList{GetParam().result});
    EXPECT_EQ(view.statuses, QStringList({"Please wait..", "Finished"}));
    // Opened even when empty: the marker was there.
    EXPECT_EQ(launcher.opened,
              QStringList{root() + "/get_video.php?video_id=" + addressSafe(GetParam().result)});
}

INSTANTIATE_TEST_SUITE_P(
    WatchPages, MarkerCases,
    ::testing::Values(
        MarkerCase{"QuoteRightAfter", "x /player2.swf?video_id=\" y", ""},
        MarkerCase{"AtTheVeryEnd", "x /player2.swf?video_id=", ""},
        MarkerCase{"NoQuoteAfter", "a /player2.swf?video_id=id&t=1\nrest", "id&t=1\nrest"},
        MarkerCase{"QuoteBeforeIsIgnored", "\"/player2.swf?video_id=k&t=2\"", "k&t=2"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LookupTest, OverlongParametersEndWithErrorAndOpenNothing)
{
    // The longest parameters still taken, then one character more, then a
    // marker without its quote at the top of a page of a megabyte.
    const std::string longest(kMaxPlayerParameters, 'p');
    serveWatchPage("max", "/player2.swf?video_id=" + longest + "\" rest");
    select("max");
    run(VideoCommand::Watchdirect);
    EXPECT_EQ(view.statuses.last(), QStringLiteral("Finished"));
    ASSERT_EQ(launcher.opened.size(), 1u);

    serveWatchPage("over", "/player2.swf?video_id=" + longest + "q\" rest");
    select("over");
    run(VideoCommand::Watchdirect);
    EXPECT_EQ(view.statuses.last(), QStringLiteral("Error"));

    serveWatchPage("open", "<embed src='/player2.swf?video_id=x&t=1'>" + std::string(1 << 20, 'z'));
    select("open");
    run(VideoCommand::Download);
    EXPECT_EQ(view.statuses.last(), QStringLiteral("Error"));
    EXPECT_EQ(launcher.opened.size(), 1u);
    EXPECT_FALSE(view.enabledChanges.empty());
    EXPECT_TRUE(view.enabledChanges.back());
}

TEST_F(LookupTest, AMissingMarkerOrPageEndsWithErrorAndOpensNothing)
{
    // The marker in another letter case does not count.
    serveWatchPage("upper", "<embed src=\"/PLAYER2.swf?video_id=upper&t=1\">");
    select("upper");
    run(VideoCommand::Download);
    EXPECT_EQ(view.statuses, QStringList({"Please wait..", "Error"}));
    EXPECT_EQ(view.enabledChanges, std::vector<bool>{true});
    EXPECT_EQ(view.results, QStringList{QString()});

    // A watch page that cannot be fetched: the page fetched before (which
    // names another video's player) must not be used.
    serveWatchPage("good", "<embed src=\"/player2.swf?video_id=good&t=1\">");
    select("good");
    run(VideoCommand::Watchdirect);
    ASSERT_EQ(launcher.opened.size(), 1u);
    server.setAnswer("/watch?v=gone", 404, "<embed src=\"/player2.swf?video_id=gone&t=9\">");
    select("gone");
    run(VideoCommand::Watchdirect);
    run(VideoCommand::Download);
    EXPECT_EQ(view.statuses.mid(4),
              QStringList({"Please wait..", "Error", "Please wait..", "Error"}));
    EXPECT_EQ(view.results.mid(1), QStringList({"good&t=1", "", ""}));
    EXPECT_EQ(launcher.opened, QStringList{root() + "/player2.swf?video_id=good&t=1"});
}

TEST_F(LookupTest, WatchOpensTheWatchPageWithoutFetchingOrStatus)
{
    fetcher.PageText() = QStringLiteral("kept");
    // A page that a fetch would put in place of the text kept.
    serveWatchPage("abc-_9", "<embed src=\"/player2.swf?video_id=abc-_9&t=1\">");
    select("abc-_9");
    run(VideoCommand::Watch);
    // A key that begins with the separator has an empty identifier.
    view.selected = SelectedVideo{kKeySeparator + QStringLiteral("http://t/"), "t"};
    run(VideoCommand::Watch);
    EXPECT_EQ(launcher.opened, QStringList({root() + "/watch?v=abc-_9", root() + "/watch?v="}));
    EXPECT_TRUE(view.statuses.isEmpty());
    EXPECT_EQ(fetcher.PageText(), QStringLiteral("kept"));
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(LookupTest, WithoutASelectedVideoNothingIsOpenedOrFetched)
{
    for (const auto command :
         {VideoCommand::Watch, VideoCommand::Watchdirect, VideoCommand::Download}) {
        view.selected.reset();
        run(command);
        view.selected = SelectedVideo{QStringLiteral("no separator here"), "t"};
        run(command);
    }
    EXPECT_EQ(view.noVideoBoxes, 6);
    EXPECT_TRUE(launcher.opened.isEmpty());
    EXPECT_TRUE(view.statuses.isEmpty());
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(LookupTest, ValuesFromPagesAreMadeSafeInAddresses)
{
    // An identifier is one query value: "&", "=", "#", spaces and non-ASCII
    // are all encoded.
    select(QStringLiteral("a&b=c #ü"));
    run(VideoCommand::Watch);
    EXPECT_EQ(launcher.opened.value(0), root() + "/watch?v=a%26b%3Dc%20%23%C3%BC");

    // Parameters keep "&", "=" and existing escapes; the rest is encoded.
    serveWatchPage("p", "/player2.swf?video_id=p&t=a b<c>\x01|%41%zz#é\"");
    select("p");
    run(VideoCommand::Download);
    EXPECT_EQ(view.results.value(0), QStringLiteral("p&t=a b<c>\x01|%41%zz#é"));
    EXPECT_EQ(launcher.opened.value(1),
              root() + "/get_video.php?video_id=p&t=a%20b%3Cc%3E%01%7C%41%25zz%23%C3%A9");
}

} // namespace
