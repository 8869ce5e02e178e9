#include "siteserver.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ProbeRun
{
    int exitCode = -1;
    std::vector<QJsonObject> lines;

    std::vector<QJsonObject> ops(const QString &op) const
    {
        std::vector<QJsonObject> out;
        for (const QJsonObject &line : lines) {
            if (line.value("op").toString() == op)
                out.push_back(line);
        }
        return out;
    }
};

ProbeRun runProbe(const QStringList &arguments)
{
    QProcess probe;
    probe.start(QStringLiteral(VIDFOLIO_PROBE_PATH), arguments);
    EXPECT_TRUE(probe.waitForFinished(30000));
    ProbeRun run;
    run.exitCode = probe.exitCode();
    for (const QByteArray &line : probe.readAllStandardOutput().split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        EXPECT_TRUE(doc.object().value("ms").isDouble()) << line.toStdString();
        run.lines.push_back(doc.object());
    }
    return run;
}

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
    const ProbeRun run = runProbe(listArgs("carol"));
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

    // Times grow from line to line.
    for (std::size_t i = 1; i < run.lines.size(); ++i)
        EXPECT_LE(run.lines[i - 1].value("ms").toDouble(), run.lines[i].value("ms").toDouble());
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

} // namespace
