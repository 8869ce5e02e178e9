// Whatever stands at "temp.txt", the page fetch writes, reads and deletes
// nothing but a regular file of its own.
#include "listing/pagefetcher.h"
#include "platform/downloader.h"
#include "platform/runloop.h"
#include "siteserver.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace vidfolio;

namespace {

class ScratchFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(root.path()).mkdir("program") && QDir(root.path()).mkdir("outside"));
        server.setPage("bob", 1, "the page");
    }
    QString address() const
    {
        return QString::fromStdString("http://" + server.host() +
                                      "/profile_videos?user=bob&page=1");
    }
    QString scratch() const { return root.filePath("program/temp.txt"); }
    QString outside(const char *name) const { return root.filePath("outside/") + name; }
    void link(const QString &target) const { ASSERT_TRUE(QFile::link(target, scratch())); }
    // Every name in the outside folder with its content.
    QStringList outsideState() const
    {
        QStringList state;
        for (const QFileInfo &info : QDir(root.filePath("outside"))
                                         .entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries)) {
            QFile file(info.filePath());
            state.append(info.fileName() + "=" +
                         (file.open(QIODevice::ReadOnly) ? file.readAll() : ""));
        }
        return state;
    }

    QTemporaryDir root;
    site::SiteServer server;
    RunLoop loop;
    Downloader downloader{loop};
    const DownloadLimits limits{};
    PageFetcher fetcher{downloader, root.filePath("program"), scratchTurnWait(limits)};
};

TEST_F(ScratchFileTest, LinksAreReplacedAndWhatCannotBeMadeSafeFails)
{
    const auto precious = [&] {
        QFile file(outside("precious"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("precious content");
    };
    const std::vector<std::pair<const char *, std::function<void()>>> links{
        {"link to a file",
         [&] {
             precious();
             link(outside("precious"));
         }},
        {"link to nothing", [&] { link(outside("absent")); }},
        {"link to a folder",
         [&] {
             QDir().mkpath(outside("folder"));
             link(outside("folder"));
         }},
        {"link to itself", [&] { link(scratch()); }},
        {"hard link",
         [&] {
             precious();
             ::link(QFile::encodeName(outside("precious")).constData(),
                    QFile::encodeName(scratch()).constData());
         }},
    };
    for (const auto &[name, plant] : links) {
        SCOPED_TRACE(name);
        plant();
        const QStringList before = outsideState();
        fetcher.PageText().clear();
        const FetchResult result = fetcher.FetchPage(address(), limits);
        EXPECT_TRUE(result.ok()) << result.reason.toStdString();
        EXPECT_EQ(fetcher.PageText(), QStringLiteral("the page"));
        EXPECT_EQ(outsideState(), before);
        EXPECT_FALSE(QFileInfo(scratch()).exists() || QFileInfo(scratch()).isSymLink());
    }

    // A folder, and a pipe, which would block an open for ever.
    const std::vector<std::function<void()>> unsafe{
        [&] { QDir().mkpath(scratch()); },
        [&] { ::mkfifo(QFile::encodeName(scratch()).constData(), 0644); }};
    for (const auto &plant : unsafe) {
        plant();
        const FetchResult result = fetcher.FetchPage(address(), limits);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.reason, QStringLiteral("cannot write temp.txt"));
        EXPECT_FALSE(QFileInfo(scratch()).isFile());
        ASSERT_TRUE(QDir(scratch()).removeRecursively() || QFile::remove(scratch()));
    }
    EXPECT_EQ(server.requests().size(), links.size());
}

// The page goes through the descriptor of the file locked, never the path.
TEST_F(ScratchFileTest, LinkPlantedDuringTheDownloadIsNeitherWrittenNorRead)
{
    server.setFault(1, {site::Fault::Kind::Stall, 600});
    std::thread planter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        QFile::remove(scratch());
        link(outside("absent"));
    });
    const FetchResult result = fetcher.FetchPage(address(), limits);
    planter.join();
    EXPECT_TRUE(result.ok()) << result.reason.toStdString();
    EXPECT_EQ(fetcher.PageText(), QStringLiteral("the page"));
    EXPECT_EQ(outsideState(), QStringList());
}

} // namespace
