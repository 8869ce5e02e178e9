#include "platform/downloader.h"
#include "siteserver.h"
#include "support/filedownload.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace vidfolio;
using site::Fault;
using site::SiteServer;
using test::downloadToFile;

namespace {

class DownloadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        server.addUser("alice", site::generatedVideos("alice", 25));
    }

    QString target() const { return folder.filePath("temp.txt"); }
    std::string page(int n) const
    {
        std::string address = "http://" + server.host() + "/profile_videos?user=alice";
        return n == 0 ? address : address + "&page=" + std::to_string(n);
    }
    QByteArray written() const
    {
        QFile file(folder.filePath("temp.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
    SiteServer server;
};

TEST_F(DownloadTest, CompleteAnswerIsWrittenByteForByte)
{
    RunLoop loop;
    Downloader downloader(loop);
    const DownloadResult result = downloadToFile(downloader, page(0), target());
    ASSERT_TRUE(result.ok()) << result.reason.toStdString();
    EXPECT_EQ(result.httpStatus, 200);
    EXPECT_EQ(written().toStdString(), site::firstProfilePage("alice", "25"));
}

TEST_F(DownloadTest, SuccessivePagesShareOneConnectionAndMayBeCompressed)
{
    RunLoop loop;
    Downloader downloader(loop);
    for (int n = 1; n <= 3; ++n)
        ASSERT_TRUE(downloadToFile(downloader, page(n), target()).ok());
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].remotePort, requests[1].remotePort);
    EXPECT_EQ(requests[1].remotePort, requests[2].remotePort);
    EXPECT_NE(requests[0].acceptEncoding.find("gzip"), std::string::npos);
    // The loopback server compresses text for clients that accept it; the
    // file still holds the plain page.
    const auto videos = site::generatedVideos("alice", 25);
    EXPECT_EQ(written().toStdString(),
              site::numberedProfilePage("alice", {videos.begin() + 20, videos.end()},
                                        "http://" + server.host()));
}

struct FailureCase
{
    const char *name;
    Fault fault;
    const char *reason;
    friend void PrintTo(const FailureCase &c, std::ostream *os) { *os << c.name; }
};

class DownloadFailureTest : public DownloadTest, public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(DownloadFailureTest, FailsWithReasonAndLeavesTheFileEmpty)
{
    DownloadLimits limits;
    limits.stallTimeout = std::chrono::seconds(1);
    limits.maxBytes = 1024 * 1024;
    RunLoop loop;
    Downloader downloader(loop);
    server.setFault(0, GetParam().fault);
    // A file from an earlier download must not survive a failed one either.
    {
        QFile old(folder.filePath("temp.txt"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old page");
    }
    const DownloadResult result = downloadToFile(downloader, page(0), target(), limits);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason.toStdString(), GetParam().reason);
    EXPECT_TRUE(written().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DownloadFailureTest,
    ::testing::Values(FailureCase{"NotFound", {Fault::Kind::NotFound}, "HTTP 404"},
                      FailureCase{"ServerError", {Fault::Kind::ServerError}, "HTTP 500"},
                      FailureCase{"DroppedMidBody", {Fault::Kind::DropMidBody}, "connection lost"},
                      FailureCase{"Stalled", {Fault::Kind::Stall, 4000}, "timed out"},
                      FailureCase{
                          "LargerThanCap", {Fault::Kind::Huge, 0, 8 * 1024 * 1024}, "too large"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(DownloadTest, RefusedConnectionIsNamed)
{
    int deadPort = 0;
    {
        SiteServer gone;
        deadPort = gone.port();
    }
    RunLoop loop;
    Downloader downloader(loop);
    const auto result = downloadToFile(
        downloader, "http://127.0.0.1:" + std::to_string(deadPort) + "/profile_videos?user=x",
        target());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason.toStdString(), "connection refused");
    EXPECT_TRUE(written().isEmpty());
}

TEST_F(DownloadTest, RedirectsAreFollowedOnlyToHttp)
{
    RunLoop loop;
    Downloader downloader(loop);
    const std::string base = "http://" + server.host() + "/redirect?to=";
    EXPECT_TRUE(
        downloadToFile(downloader, base + "%2Fprofile_videos%3Fuser%3Dalice", target()).ok());
    EXPECT_EQ(written().toStdString(), site::firstProfilePage("alice", "25"));

    for (const char *to : {"file%3A%2F%2F%2Fetc%2Fpasswd", "ftp%3A%2F%2F127.0.0.1%2Fx"}) {
        const auto result = downloadToFile(downloader, base + to, target());
        EXPECT_FALSE(result.ok()) << to;
        EXPECT_EQ(result.reason.toStdString(), "address not allowed") << to;
        EXPECT_TRUE(written().isEmpty()) << to;
    }
    EXPECT_FALSE(downloadToFile(downloader, "file:///etc/passwd", target()).ok());
}

TEST_F(DownloadTest, RedirectLoopEnds)
{
    RunLoop loop;
    Downloader downloader(loop);
    const auto result = downloadToFile(downloader, "http://" + server.host() + "/loop", target());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason.toStdString(), "too many redirects");
    EXPECT_TRUE(written().isEmpty());
}

TEST_F(DownloadTest, UnwritableFileIsReportedWithoutTouchingTheNetwork)
{
    RunLoop loop;
    Downloader downloader(loop);
    // A path whose folder is missing gives no descriptor at all.
    const auto result = downloadToFile(downloader, page(0), folder.filePath("missing/temp.txt"));
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason.toStdString(), "cannot write temp.txt");

    // A descriptor open for reading only, on a file that holds something.
    {
        QFile old(target());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old page");
    }
    QFile readOnly(target());
    ASSERT_TRUE(readOnly.open(QIODevice::ReadOnly));
    const auto unwritable =
        downloader.DownloadFile(QString::fromStdString(page(0)), readOnly.handle(), target(), {});
    EXPECT_FALSE(unwritable.ok());
    EXPECT_EQ(unwritable.reason.toStdString(), "cannot write temp.txt");
    EXPECT_TRUE(server.requests().empty());
}

} // namespace
