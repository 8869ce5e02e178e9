#include "siteserver.h"
#include "support/filebytes.h"
#include "support/proberun.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using vidfolio::site::Fault;
using vidfolio::site::refusal;
using vidfolio::test::fileBytes;
using vidfolio::test::ProbeRun;
using vidfolio::test::runProbe;

class ProbeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        server.addUser("carol", vidfolio::site::generatedVideos("carol", 57));
    }
    QStringList listArgs(const QString &user) const
    {
        return {"list", QString::fromStdString(server.host()), user, "--folder", folder.path()};
    }

    QTemporaryDir folder;
    vidfolio::site::SiteServer server;
};

TEST_F(ProbeTest, ListingPrintsFetchesEntriesProgressAndStatus)
{
    // Page 3 answers late, so that the times printed have a gap to show.
    server.setFault(3, {.kind = Fault::Kind::Stall, .delayMs = 300});
    QElapsedTimer clock;
    clock.start();
    const ProbeRun run = runProbe(listArgs("carol"));
    const qint64 ranMs = clock.elapsed();
    EXPECT_EQ(run.exitCode, 0);

    const auto fetches = run.ops("fetch");
    ASSERT_EQ(fetches.size(), 7u);
    EXPECT_EQ(fetches[0].value("url").toString(),
              QString::fromStdString("http://" + server.host() + "/profile_videos?user=carol"));
    EXPECT_TRUE(fetches[6].value("ok").toBool());

    const auto entries = run.ops("entry");
    ASSERT_EQ(entries.size(), 57u);
    EXPECT_EQ(entries.front().value("title").toString(), QStringLiteral("Video 1 of carol"));
    EXPECT_EQ(entries.back().value("title").toString(), QStringLiteral("Video 57 of carol"));

    QList<QPair<int, int>> progress;
    for (const QJsonObject &line : run.ops("progress"))
        progress.append({line.value("value").toInt(), line.value("max").toInt()});
    const QList<QPair<int, int>> expected{{0, 10}, {1, 10}, {2, 10}, {3, 10}, {4, 10},
                                          {5, 10}, {5, 7},  {6, 7},  {7, 7},  {0, 7}};
    EXPECT_EQ(progress, expected);

    const auto statuses = run.ops("status");
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses.back().value("text").toString(), QStringLiteral("Finished: 57 videos"));
    EXPECT_EQ(run.ops("enabled").size(), 2u);
    EXPECT_EQ(run.lines.back().value("op").toString(), QStringLiteral("users"));

    // Each line's time is the time since the probe started: the late page's
    // fetch ends at least its delay after the fetch before it, and no line
    // is later than the whole run as the test timed it.
    EXPECT_GE(fetches[3].value("ms").toDouble() - fetches[2].value("ms").toDouble(), 300);
    EXPECT_LE(run.lines.back().value("ms").toDouble(), static_cast<double>(ranMs));
}

TEST_F(ProbeTest, OnlyRecentAndHistoryInTheGivenFolder)
{
    {
        QFile history(QDir(folder.path()).filePath("users.vidfolio"));
        ASSERT_TRUE(history.open(QIODevice::WriteOnly));
        history.write("older\r\n");
    }
    const ProbeRun run = runProbe(listArgs("carol") << "--only-recent");
    EXPECT_EQ(run.ops("entry").size(), 10u);
    EXPECT_EQ(run.ops("fetch").size(), 2u);
    const QJsonArray names = run.lines.back().value("names").toArray();
    EXPECT_EQ(names, QJsonArray({"carol", "older"}));

    QFile history(QDir(folder.path()).filePath("users.vidfolio"));
    ASSERT_TRUE(history.open(QIODevice::ReadOnly));
    EXPECT_EQ(history.readAll(), QByteArray("carol\r\nolder\r\n"));
    EXPECT_FALSE(QFile::exists(QDir(folder.path()).filePath("temp.txt")));
}

TEST_F(ProbeTest, LookupPrintsTheResultAndTheAddressOpened)
{
    const auto video = vidfolio::site::generatedVideos("carol", 57).at(4);
    const QString root = QString::fromStdString("http://" + server.host());
    const QString id = QString::fromStdString(video.id);
    const QString parameters = QString::fromStdString(vidfolio::site::playerParameters(video));
    auto lookup = [&](const QString &id, const char *command) {
        return runProbe({"lookup", QString::fromStdString(server.host()), id, command, "--folder",
                         folder.path()});
    };

    const ProbeRun watch = lookup(id, "--watch");
    EXPECT_EQ(watch.exitCode, 0);
    EXPECT_TRUE(watch.ops("fetch").empty());
    ASSERT_EQ(watch.ops("open").size(), 1u);
    EXPECT_EQ(watch.ops("open")[0].value("url").toString(), root + "/watch?v=" + id);

    for (const auto &[command, path] : {std::pair{"--direct", "/player2.swf?video_id="},
                                        std::pair{"--download", "/get_video.php?video_id="}}) {
        const ProbeRun run = lookup(id, command);
        ASSERT_EQ(run.ops("fetch").size(), 1u) << command;
        EXPECT_EQ(run.ops("fetch")[0].value("url").toString(), root + "/watch?v=" + id);
        ASSERT_EQ(run.ops("result").size(), 1u);
        EXPECT_EQ(run.ops("result")[0].value("value").toString(), parameters);
        ASSERT_EQ(run.ops("open").size(), 1u);
        EXPECT_EQ(run.ops("open")[0].value("url").toString(), root + path + parameters);
        EXPECT_EQ(run.ops("status").back().value("text").toString(), QStringLiteral("Finished"));
    }

    const ProbeRun unknown = lookup(QStringLiteral("unknown"), "--download");
    EXPECT_EQ(unknown.ops("status").back().value("text").toString(), QStringLiteral("Error"));
    EXPECT_EQ(unknown.ops("enabled").size(), 1u);
    EXPECT_TRUE(unknown.ops("open").empty());
    EXPECT_FALSE(QFile::exists(QDir(folder.path()).filePath("temp.txt")));
}

// Two copies listing at the same time from one folder, each from a site of
// its own that serves the same user name with other videos, many pages each.
TEST(ProbeCopies, TwoCopiesListingFromOneFolderListOnlyTheirOwnVideos)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    constexpr int kVideos = 400;
    vidfolio::site::SiteServer first;
    vidfolio::site::SiteServer second;
    first.addUser("carol", vidfolio::site::generatedVideos("first", kVideos));
    second.addUser("carol", vidfolio::site::generatedVideos("second", kVideos));
    {
        // A page left by a copy that crashed: read as a page, it would list
        // the videos of "stale".
        QFile stale(QDir(folder.path()).filePath("temp.txt"));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write(vidfolio::site::numberedProfilePage(
                        "carol", vidfolio::site::generatedVideos("stale", 10), "http://stale")
                        .c_str());
    }

    const auto args = [&](const vidfolio::site::SiteServer &server) {
        return QStringList{"list", QString::fromStdString(server.host()), "carol", "--folder",
                           folder.path()};
    };
    const auto firstProbe = vidfolio::test::startProbe(args(first));
    const auto secondProbe = vidfolio::test::startProbe(args(second));
    const ProbeRun firstRun = vidfolio::test::finishProbe(*firstProbe);
    const ProbeRun secondRun = vidfolio::test::finishProbe(*secondProbe);

    for (const auto &[run, owner] : {std::pair{&firstRun, "first"}, {&secondRun, "second"}}) {
        SCOPED_TRACE(owner);
        QStringList expected;
        for (const auto &video : vidfolio::site::generatedVideos(owner, kVideos))
            expected.append(QString::fromStdString(video.title));
        EXPECT_EQ(run->titles(), expected);
        EXPECT_EQ(run->lastStatus(), QStringLiteral("Finished: %1 videos").arg(kVideos));
        EXPECT_EQ(run->ops("fetch").size(), 41u);
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"users.vidfolio"}));
}

// The probe copied where the unprivileged user may run it, a program folder
// it may not write, with a history beside the program, and a home of its own.
class ReadOnlyProgramFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
        const QDir dir(root.path());
        ASSERT_TRUE(dir.mkdir("tools") && dir.mkdir("program") && dir.mkdir("home"));
        probe = vidfolio::test::copyProbeForEveryone(root.filePath("tools"));
        QFile history(program() + "/users.vidfolio");
        ASSERT_TRUE(history.open(QIODevice::WriteOnly));
        history.write("older\r\n");
        history.close();
        // Root's own folder, which nobody may write; or, when not running as
        // root, the user's own folder without write permission.
        ASSERT_EQ(::chmod(QFile::encodeName(program()).constData(), 0555), 0);
        ASSERT_TRUE(vidfolio::test::handToUnprivileged(root.filePath("home"), 0755));
        server.addUser("carol", vidfolio::site::generatedVideos("carol", 57));
        server.addUser("dave", vidfolio::site::generatedVideos("dave", 3));
    }
    void TearDown() override { ::chmod(QFile::encodeName(program()).constData(), 0755); }

    QString program() const { return root.filePath("program"); }
    QString dataFolder() const { return root.filePath("home/data/Vidfolio"); }

    // Lists `user` as the unprivileged user, choosing the folder as if the
    // program had been started from `programFolder`.
    std::optional<ProbeRun> list(const QString &user, const QString &programFolder)
    {
        return vidfolio::test::runProbeUnprivileged(probe,
                                                    {"list", QString::fromStdString(server.host()),
                                                     user, "--program-folder", programFolder},
                                                    root.filePath("home"));
    }

    QTemporaryDir root;
    QString probe;
    vidfolio::site::SiteServer server;
};

TEST_F(ReadOnlyProgramFolderTest, ListingWorksAndTheHistoryMovesToTheDataFolder)
{
    const auto run = list("carol", program());
    if (!run)
        GTEST_SKIP() << "cannot run the probe as an unprivileged user (setpriv missing)";
    EXPECT_EQ(run->titles().size(), 57);
    EXPECT_EQ(run->lastStatus(), QStringLiteral("Finished: 57 videos"));
    // The history beside the program was read, and the new one went to the
    // data folder, made for it; the program folder is as it was.
    EXPECT_EQ(fileBytes(dataFolder() + "/users.vidfolio"), QByteArray("carol\r\nolder\r\n"));
    EXPECT_EQ(QDir(dataFolder()).entryList(QDir::Files), QStringList({"users.vidfolio"}));
    EXPECT_EQ(fileBytes(program() + "/users.vidfolio"), QByteArray("older\r\n"));
    EXPECT_EQ(QDir(program()).entryList(QDir::Files), QStringList({"users.vidfolio"}));

    // From now on the data folder's history is the one read.
    const auto again = list("dave", program());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->lastStatus(), QStringLiteral("Finished: 3 videos"));
    EXPECT_EQ(fileBytes(dataFolder() + "/users.vidfolio"),
              QByteArray("dave\r\ncarol\r\nolder\r\n"));
}

TEST_F(ReadOnlyProgramFolderTest, WritableProgramFolderKeepsTheFiles)
{
    const QString writable = root.filePath("home/bin");
    ASSERT_TRUE(QDir().mkdir(writable));
    ASSERT_TRUE(vidfolio::test::handToUnprivileged(writable, 0755));
    const auto run = list("carol", writable);
    if (!run)
        GTEST_SKIP() << "cannot run the probe as an unprivileged user (setpriv missing)";
    EXPECT_EQ(run->lastStatus(), QStringLiteral("Finished: 57 videos"));
    EXPECT_EQ(fileBytes(writable + "/users.vidfolio"), QByteArray("carol\r\n"));
    EXPECT_FALSE(QFileInfo::exists(root.filePath("home/data")));
}

// Short limits for the faults: stalls end after a second, any download
// after two, bodies after 8 MiB.
const QStringList kQuickLimits =
    QStringLiteral("--stall-timeout 1 --total-timeout 2 --max-bytes 8388608").split(u' ');

struct ProbeFaultCase
{
    const char *name;
    int page;
    Fault fault;
    const char *status;
};

void PrintTo(const ProbeFaultCase &c, std::ostream *os)
{
    *os << c.name;
}

class ProbeFaultTest : public ProbeTest, public ::testing::WithParamInterface<ProbeFaultCase>
{
};

TEST_P(ProbeFaultTest, ListingEndsWithAStatusThatSaysWhatHappened)
{
    const ProbeFaultCase &c = GetParam();
    server.setFault(c.page, c.fault);
    QStringList args = listArgs("carol") << kQuickLimits;
    // Three stall times, so that which of the two limits ends a drip shows.
    if (c.fault.kind == Fault::Kind::Drip)
        args << "--total-timeout"
             << "3";
    const ProbeRun run = runProbe(args);
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_FALSE(run.ops("status").empty());
    EXPECT_EQ(run.ops("status").back().value("text").toString(), QString::fromUtf8(c.status));
    ASSERT_FALSE(run.ops("enabled").empty());
    EXPECT_TRUE(run.ops("enabled").back().value("value").toBool());
    // The run went on to save the history and say so.
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.back().value("op").toString(), QStringLiteral("users"));
    EXPECT_FALSE(QFile::exists(QDir(folder.path()).filePath("temp.txt")));
    if (c.fault.kind == Fault::Kind::Drip) {
        // A body that is never stalled: the total time (3 s) ends the fetch,
        // not the stall time (1 s). The fetch began after the probe started
        // and ended before its line; curl's timer may end it a few
        // milliseconds early.
        const auto fetches = run.ops("fetch");
        ASSERT_EQ(fetches.size(), 1u);
        EXPECT_GE(fetches[0].value("ms").toDouble(), 2900);
        EXPECT_LT(fetches[0].value("ms").toDouble(), 8000);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ProbeFaultTest,
    ::testing::Values(
        ProbeFaultCase{
            "ResetMidBody", 0, {Fault::Kind::ResetMidBody}, "Download failed: connection lost"},
        ProbeFaultCase{
            "Drip", 0, {.kind = Fault::Kind::Drip, .delayMs = 250}, "Download failed: timed out"},
        ProbeFaultCase{"TwoGigabytesChunked",
                       0,
                       {.kind = Fault::Kind::Huge, .bytes = 2048ll << 20},
                       "Download failed: too large"},
        ProbeFaultCase{"GzipBomb",
                       0,
                       {.kind = Fault::Kind::GzipBomb, .bytes = 2048ll << 20},
                       "Download failed: too large"},
        ProbeFaultCase{"RedirectToFile",
                       0,
                       {.kind = Fault::Kind::Redirect, .location = "file:///etc/passwd"},
                       "Download failed: address not allowed"},
        ProbeFaultCase{
            "RedirectLoop", 0, {Fault::Kind::RedirectLoop}, "Download failed: too many redirects"},
        ProbeFaultCase{"Status429RetryAfterElevenSeconds", 0,
                       refusal(Fault::Kind::TooManyRequests, "11"),
                       "Download failed: rate limited"},
        ProbeFaultCase{"StallAfterHeadersOnPageTwo",
                       2,
                       {.kind = Fault::Kind::StallAfterHeaders, .delayMs = 60000},
                       "Finished: 10 videos (page 2 failed: timed out)"},
        ProbeFaultCase{"Status503OnceOnPageThree", 3, refusal(Fault::Kind::Unavailable, "1", 1),
                       "Finished: 57 videos"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ProbeTest, AFetchThatFailedSaysWhy)
{
    server.setFault(2, refusal(Fault::Kind::Unavailable, ""));
    const ProbeRun run = runProbe(listArgs("carol") << kQuickLimits);
    const auto fetches = run.ops("fetch");
    ASSERT_EQ(fetches.size(), 3u);
    EXPECT_FALSE(fetches[1].contains("reason"));
    EXPECT_FALSE(fetches[2].value("ok").toBool());
    EXPECT_EQ(fetches[2].value("reason").toString(), QStringLiteral("HTTP 503"));
}

TEST_F(ProbeTest, LookupOfAFaultyWatchPageEndsInErrorAndOpensNothing)
{
    const auto video = vidfolio::site::generatedVideos("carol", 57).at(4);
    const std::string watch = "/watch?v=" + video.id;
    for (const Fault &fault :
         {Fault{Fault::Kind::ResetMidBody}, refusal(Fault::Kind::TooManyRequests, ""),
          Fault{.kind = Fault::Kind::StallAfterHeaders, .delayMs = 60000},
          Fault{.kind = Fault::Kind::Redirect, .location = "ftp://127.0.0.1/x"}}) {
        server.setFaultAt(watch, fault);
        const ProbeRun run = runProbe(QStringList{"lookup", QString::fromStdString(server.host()),
                                                  QString::fromStdString(video.id), "--download",
                                                  "--folder", folder.path()}
                                      << kQuickLimits);
        EXPECT_EQ(run.exitCode, 0);
        ASSERT_FALSE(run.ops("status").empty());
        EXPECT_EQ(run.ops("status").back().value("text").toString(), QStringLiteral("Error"));
        ASSERT_EQ(run.ops("enabled").size(), 1u);
        EXPECT_TRUE(run.ops("enabled")[0].value("value").toBool());
        EXPECT_TRUE(run.ops("open").empty());
        EXPECT_FALSE(QFile::exists(QDir(folder.path()).filePath("temp.txt")));
    }
}

TEST(ProbeArguments, LimitsMustBePositiveNumbers)
{
    for (const char *value : {"0", "-1", "x", "2s"}) {
        QProcess probe;
        probe.start(QStringLiteral(VIDFOLIO_PROBE_PATH),
                    {"list", "localhost:1", "u", "--stall-timeout", value});
        ASSERT_TRUE(probe.waitForFinished(30000));
        EXPECT_EQ(probe.exitCode(), 2) << value;
        EXPECT_TRUE(probe.readAllStandardOutput().isEmpty());
    }
}

} // namespace
