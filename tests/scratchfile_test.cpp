// The scratch file "temp.txt" when something other than a file of the
// program's own stands at its path: the page fetch writes, reads and
// deletes nothing but a regular file of its own.
#include "listing/pagefetcher.h"
#include "platform/downloader.h"
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
using namespace std::chrono_literals;

namespace {

class ScratchFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir(root.path()).mkdir("program") && QDir(root.path()).mkdir("outside"));
        server.setPage("bob", 1, "<p>the page</p>");
    }

    QString address() const
    {
        return QString::fromStdString("http://" + server.host() +
                                      "/profile_videos?user=bob&page=1");
    }
    QString scratchPath() const { return root.filePath("program/temp.txt"); }
    QString outside(const char *name) const { return root.filePath("outside/") + name; }
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    void writeOutside(const char *name, const QByteArray &bytes) const
    {
        QFile file(outside(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // What the outside folder holds: every name with its content.
    QStringList outsideState() const
    {
        QStringList state;
        const QDir dir(root.filePath("outside"));
        for (const QString &name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            state.append(name + "=" + QString::fromLatin1(contents(dir.filePath(name))));
        return state;
    }

    QTemporaryDir root;
    site::SiteServer server;
    Downloader downloader;
    PageFetcher fetcher{downloader, root.filePath("program")};
};

TEST_F(ScratchFileTest, LinkNamedTempTxtIsReplacedAndItsTargetNeverTouched)
{
    struct Case
    {
        const char *name;
        std::function<void()> plant;
    };
    const std::vector<Case> cases{
        {"symbolic link to a file outside",
         [&] {
             writeOutside("precious", "precious content");
             ASSERT_TRUE(QFile::link(outside("precious"), scratchPath()));
         }},
        {"symbolic link to nothing",
         [&] { ASSERT_TRUE(QFile::link(outside("absent"), scratchPath())); }},
        {"symbolic link to a folder",
         [&] {
             ASSERT_TRUE(QDir().mkpath(outside("folder")));
             ASSERT_TRUE(QFile::link(outside("folder"), scratchPath()));
         }},
        {"symbolic link to itself",
         [&] { ASSERT_TRUE(QFile::link(scratchPath(), scratchPath())); }},
        {"hard link to a file outside",
         [&] {
             writeOutside("shared", "shared content");
             ASSERT_EQ(::link(QFile::encodeName(outside("shared")).constData(),
                              QFile::encodeName(scratchPath()).constData()),
                       0);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.plant();
        const QStringList before = outsideState();
        fetcher.PageText().clear();
        const FetchResult result = fetcher.FetchPage(address());
        EXPECT_TRUE(result.ok) << result.reason.toStdString();
        EXPECT_EQ(fetcher.PageText(), QStringLiteral("<p>the page</p>"));
        EXPECT_EQ(outsideState(), before);
        EXPECT_FALSE(QFileInfo(scratchPath()).exists() || QFileInfo(scratchPath()).isSymLink());
    }
}

TEST_F(ScratchFileTest, WhatCannotBeMadeSafeFailsTheFetchAndIsLeftAlone)
{
    ASSERT_TRUE(QDir().mkpath(scratchPath() + "/inside"));
    FetchResult result = fetcher.FetchPage(address());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, QStringLiteral("cannot write temp.txt"));
    EXPECT_TRUE(QFileInfo(scratchPath() + "/inside").isDir());
    ASSERT_TRUE(QDir(scratchPath()).removeRecursively());

    // Opening a pipe would wait for a writer for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(scratchPath()).constData(), 0644), 0);
    result = fetcher.FetchPage(address());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, QStringLiteral("cannot write temp.txt"));
    EXPECT_EQ(QFileInfo(scratchPath()).isFile(), false);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(fetcher.PageText().isEmpty());
}

TEST_F(ScratchFileTest, LinkPlantedDuringTheDownloadIsNeitherWrittenNorRead)
{
    writeOutside("precious", "precious content");
    server.setFault(1, {site::Fault::Kind::Stall, 600});
    std::thread planter([&] {
        std::this_thread::sleep_for(200ms);
        ::unlink(QFile::encodeName(scratchPath()).constData());
        QFile::link(outside("precious"), scratchPath());
    });
    const FetchResult result = fetcher.FetchPage(address());
    planter.join();
    EXPECT_TRUE(result.ok) << result.reason.toStdString();
    EXPECT_EQ(fetcher.PageText(), QStringLiteral("<p>the page</p>"));
    EXPECT_EQ(contents(outside("precious")), QByteArray("precious content"));
    // The link is no file of this fetch's to delete; the next fetch replaces it.
    ASSERT_TRUE(QFileInfo(scratchPath()).isSymLink());
    server.clearFaults();
    ASSERT_TRUE(fetcher.FetchPage(address()).ok);
    EXPECT_FALSE(QFileInfo(scratchPath()).isSymLink());
    EXPECT_EQ(contents(outside("precious")), QByteArray("precious content"));
}

} // namespace
