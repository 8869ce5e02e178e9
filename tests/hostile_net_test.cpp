// The downloader, the page fetcher and the thumbnail loader against a site
// that misbehaves in every way the loopback test server can: each fault must
// end in a short reason, within the time limits, in bounded memory, and
// without a scratch file left behind.
#include "actions/loadpic.h"
#include "app/program.h"
#include "hostilebodies.h"
#include "listing/pagefetcher.h"
#include "platform/downloader.h"
#include "platform/runloop.h"
#include "siteserver.h"
#include "support/filedownload.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

using namespace vidfolio;
using namespace std::chrono_literals;
using site::Fault;
using site::refusal;
using site::SiteServer;
using test::downloadToFile;

namespace {

constexpr std::int64_t kMebibyte = 1024 * 1024;
constexpr std::int64_t kTwoGibibytes = 2048 * kMebibyte;

// The peak resident memory of this process since the last reset, in bytes.
std::int64_t peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    }
    return -1;
}

void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// An HTTP date, as servers write it in headers.
std::string httpDate(std::time_t time)
{
    char text[64];
    std::tm parts{};
    gmtime_r(&time, &parts);
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts);
    return text;
}

// Short limits, so that stalls and drips end within seconds. The total time
// is three stall times, so that which of the two ends a drip shows.
DownloadLimits testLimits()
{
    DownloadLimits limits;
    limits.connectTimeout = 5s;
    limits.stallTimeout = 1s;
    limits.totalTimeout = 3s;
    limits.maxBytes = 8 * kMebibyte;
    return limits;
}

class HostileNetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        server.addUser("alice", site::generatedVideos("alice", 25));
    }

    std::string target(int page) const
    {
        const std::string target = "/profile_videos?user=alice";
        return page == 0 ? target : target + "&page=" + std::to_string(page);
    }
    std::string address(const std::string &target) const
    {
        return "http://" + server.host() + target;
    }
    QString url(const std::string &target) const { return QString::fromStdString(address(target)); }
    QString scratch() const { return folder.filePath("temp.txt"); }
    bool scratchLeft() const { return QFile::exists(folder.filePath("temp.txt")); }
    QByteArray scratchBytes() const
    {
        QFile file(folder.filePath("temp.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Records the waits a downloader asks for instead of sleeping through them.
    class RecordedWaits final : public RunLoop
    {
    public:
        explicit RecordedWaits(std::vector<int> &waits) : m_waits(waits) {}
        void pause(int ms) override { m_waits.push_back(ms); }

    private:
        std::vector<int> &m_waits;
    };

    QTemporaryDir folder;
    SiteServer server;
    std::vector<int> waits; // what the downloader asked to wait, in ms
    RecordedWaits recordedWaits{waits};
    const DownloadLimits limits = testLimits();
    Downloader downloader{recordedWaits};
};

// A fault on a numbered page and what the fetch must end with.
struct PageCase
{
    const char *name;
    Fault fault;
    const char *reason;
    std::size_t requests = 0; // requests made for the page; 0: not counted
    std::vector<int> waitsMs = {};
};

void PrintTo(const PageCase &c, std::ostream *os)
{
    *os << c.name;
}

class HostilePageTest : public HostileNetTest, public ::testing::WithParamInterface<PageCase>
{
protected:
    PageFetcher fetcher{downloader, folder.path(), scratchTurnWait(limits)};
};

TEST_P(HostilePageTest, FetchFailsWithItsReasonInTimeAndLeavesNothing)
{
    const PageCase &c = GetParam();
    server.setFault(1, c.fault);
    ASSERT_TRUE(fetcher.FetchPage(QString::fromStdString(address(target(2))), limits).ok());
    const QString before = fetcher.PageText();

    const auto start = std::chrono::steady_clock::now();
    const FetchResult result =
        fetcher.FetchPage(QString::fromStdString(address(target(1))), limits);
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason.toStdString(), c.reason);
    EXPECT_EQ(fetcher.PageText(), before);
    EXPECT_FALSE(scratchLeft());
    // No fault holds a download much past its total time.
    EXPECT_LT(took, limits.totalTimeout + 5s);
    if (c.fault.kind == Fault::Kind::Drip) {
        // A body that keeps coming, faster than the stall check's byte a
        // second, is stopped by the total time, not by the shorter stall
        // time; curl's timer may end it a few milliseconds early.
        EXPECT_GE(took, limits.totalTimeout - 100ms);
    }
    if (c.requests > 0) {
        EXPECT_EQ(server.requestsFor(target(1)), c.requests);
    }
    EXPECT_EQ(waits, c.waitsMs);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HostilePageTest,
    ::testing::Values(
        PageCase{"ResetMidBody", {Fault::Kind::ResetMidBody}, "connection lost"},
        PageCase{"StallAfterHeaders",
                 {.kind = Fault::Kind::StallAfterHeaders, .delayMs = 60000},
                 "timed out"},
        PageCase{"DripFourBytesASecond", {.kind = Fault::Kind::Drip, .delayMs = 250}, "timed out"},
        PageCase{"TwoGigabytesChunked",
                 {.kind = Fault::Kind::Huge, .bytes = kTwoGibibytes},
                 "too large"},
        PageCase{"TwoGigabytesAnnounced",
                 {.kind = Fault::Kind::HugeWithLength, .bytes = kTwoGibibytes},
                 "too large"},
        PageCase{"GzipBombOfTwoGigabytes",
                 {.kind = Fault::Kind::GzipBomb, .bytes = kTwoGibibytes},
                 "too large"},
        PageCase{"RedirectLoop", {Fault::Kind::RedirectLoop}, "too many redirects", 11},
        PageCase{"RedirectToFile",
                 {.kind = Fault::Kind::Redirect, .location = "file:///etc/passwd"},
                 "address not allowed"},
        PageCase{"RedirectToFtp",
                 {.kind = Fault::Kind::Redirect, .location = "ftp://127.0.0.1/pub/x"},
                 "address not allowed"},
        PageCase{"Status429WithoutRetryAfter", refusal(Fault::Kind::TooManyRequests, ""),
                 "rate limited", 1},
        PageCase{"Status429RetryAfterElevenSeconds", refusal(Fault::Kind::TooManyRequests, "11"),
                 "rate limited", 1},
        PageCase{"Status429ThreeTimes",
                 refusal(Fault::Kind::TooManyRequests, "1"),
                 "rate limited",
                 3,
                 {1000, 1000}},
        PageCase{"Status503WithoutRetryAfter", refusal(Fault::Kind::Unavailable, ""), "HTTP 503",
                 1},
        PageCase{"Status503UnreadableRetryAfter", refusal(Fault::Kind::Unavailable, "soon"),
                 "HTTP 503", 1},
        PageCase{"Status503RetryAfterAnHour", refusal(Fault::Kind::Unavailable, "3600"),
                 "rate limited", 1},
        PageCase{"Status503RetryAfterADateYearsAhead",
                 refusal(Fault::Kind::Unavailable, "Wed, 21 Oct 2065 07:28:00 GMT"), "rate limited",
                 1},
        PageCase{"Status503WaitBeyondTheTotalTime", refusal(Fault::Kind::Unavailable, "4"),
                 "rate limited", 1}),
    [](const auto &info) { return std::string(info.param.name); });

// Refusals the downloader waits out, and the waits it asks for.
struct WaitedCase
{
    const char *name;
    Fault fault;
    std::size_t requests;
    std::vector<int> waitsMs;
};

void PrintTo(const WaitedCase &c, std::ostream *os)
{
    *os << c.name;
}

class WaitedRefusalTest : public HostileNetTest, public ::testing::WithParamInterface<WaitedCase>
{
protected:
    // The program's own limits, whose total time leaves room for the waits.
    Downloader patient{recordedWaits};
};

TEST_P(WaitedRefusalTest, EndWithTheLastAnswersBodyAlone)
{
    // A scratch file from before must not show through either.
    {
        QFile old(folder.filePath("temp.txt"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'o'));
    }
    server.setFault(0, GetParam().fault);
    const DownloadResult result = downloadToFile(patient, address(target(0)), scratch());
    ASSERT_TRUE(result.ok()) << result.reason.toStdString();
    EXPECT_EQ(result.httpStatus, 200);
    EXPECT_EQ(scratchBytes().toStdString(), site::firstProfilePage("alice", "25"));
    EXPECT_EQ(server.requestsFor(target(0)), GetParam().requests);
    EXPECT_EQ(waits, GetParam().waitsMs);
}

INSTANTIATE_TEST_SUITE_P(Refusals, WaitedRefusalTest,
                         ::testing::Values(WaitedCase{"Status429RetryAfterZeroOnce",
                                                      refusal(Fault::Kind::TooManyRequests, "0", 1),
                                                      2,
                                                      {0}},
                                           WaitedCase{"Status503RetryAfterTenSecondsTwice",
                                                      refusal(Fault::Kind::Unavailable, "10", 2),
                                                      3,
                                                      {10000, 10000}},
                                           WaitedCase{
                                               "RetryAfterPaddedWithSpaces",
                                               refusal(Fault::Kind::TooManyRequests, " 2 ", 1),
                                               2,
                                               {2000}}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(HostileNetTest, RetryAfterAsADateIsWaitedUntilThen)
{
    Downloader patient{recordedWaits};
    server.setFault(0, refusal(Fault::Kind::Unavailable, httpDate(std::time(nullptr) + 5), 1));
    QByteArray body;
    ASSERT_TRUE(patient.DownloadBytes(url(target(0)), body, DownloadLimits{}).ok());
    ASSERT_EQ(waits.size(), 1u);
    // Whole seconds on both sides; a generous margin for a slow machine.
    EXPECT_GE(waits[0], 2000);
    EXPECT_LE(waits[0], 6000);

    waits.clear();
    server.setFault(0, refusal(Fault::Kind::Unavailable, httpDate(std::time(nullptr) - 60), 1));
    ASSERT_TRUE(patient.DownloadBytes(url(target(0)), body, DownloadLimits{}).ok());
    EXPECT_EQ(waits, std::vector<int>{0});
}

TEST_F(HostileNetTest, TheDefaultWaitSleepsForReal)
{
    RunLoop loop;
    Downloader sleeping(loop);
    server.setFault(0, refusal(Fault::Kind::TooManyRequests, "1", 1));
    QByteArray body;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(sleeping.DownloadBytes(url(target(0)), body, DownloadLimits{}).ok());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(server.requestsFor(target(0)), 2u);
}

TEST_F(HostileNetTest, BodiesOfGigabytesStopAtTheCapInBoundedMemory)
{
    // The program's own limits: a 64 MiB cap.
    RunLoop loop;
    Downloader plain(loop);
    for (const Fault &fault : {Fault{.kind = Fault::Kind::Huge, .bytes = kTwoGibibytes},
                               Fault{.kind = Fault::Kind::HugeWithLength, .bytes = kTwoGibibytes},
                               Fault{.kind = Fault::Kind::GzipBomb, .bytes = kTwoGibibytes}}) {
        server.setFault(0, fault);
        resetPeakResident();
        QByteArray body;
        DownloadResult result = plain.DownloadBytes(url(target(0)), body, DownloadLimits{});
        EXPECT_EQ(result.reason.toStdString(), "too large") << int(fault.kind);
        EXPECT_TRUE(body.isEmpty());
        result = downloadToFile(plain, address(target(0)), scratch());
        EXPECT_EQ(result.reason.toStdString(), "too large") << int(fault.kind);
        EXPECT_TRUE(scratchBytes().isEmpty());
        // Server and client share this process: neither held the body.
        const std::int64_t peak = peakResidentBytes();
        EXPECT_GT(peak, 0);
        EXPECT_LT(peak, kTwoGibibytes / 4) << int(fault.kind);
    }
}

TEST_F(HostileNetTest, RedirectsToAnotherPortAreFollowedLikeABrowser)
{
    SiteServer other;
    other.addUser("alice", site::generatedVideos("alice", 3));
    // Gone before the other site, which would wait for the kept-alive
    // connection to time out.
    Downloader downloader(recordedWaits);
    server.setFault(0, {.kind = Fault::Kind::Redirect,
                        .location = "http://127.0.0.1:" + std::to_string(other.port()) +
                                    "/profile_videos?user=alice"});
    ASSERT_TRUE(downloadToFile(downloader, address(target(0)), scratch(), limits).ok());
    EXPECT_EQ(scratchBytes().toStdString(), site::firstProfilePage("alice", "3"));

    int deadPort = 0;
    {
        SiteServer gone;
        deadPort = gone.port();
    }
    server.setFault(0, {.kind = Fault::Kind::Redirect,
                        .location = "http://127.0.0.1:" + std::to_string(deadPort) + "/x"});
    EXPECT_EQ(
        downloadToFile(downloader, address(target(0)), scratch(), limits).reason.toStdString(),
        "connection refused");
    EXPECT_TRUE(scratchBytes().isEmpty());
}

TEST_F(HostileNetTest, LimitsGivenForOneDownloadBoundThatOneOnly)
{
    Downloader patient(recordedWaits);
    server.setAnswer("/slow.jpg", 200, site::thumbnailJpeg("x", 1), "image/jpeg");
    server.setFaultAt("/slow.jpg", {.kind = Fault::Kind::StallAfterHeaders, .delayMs = 60000});
    DownloadLimits quick;
    quick.stallTimeout = 1s;
    quick.totalTimeout = 2s;
    QByteArray body;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(patient.DownloadBytes(url("/slow.jpg"), body, quick).reason.toStdString(),
              "timed out");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);

    quick.maxBytes = 100;
    EXPECT_EQ(patient.DownloadBytes(url(target(0)), body, quick).reason.toStdString(), "too large");
    // The next download on the same handle, under the page limits (half a
    // minute of stalling allowed, 64 MiB), is bound by those alone.
    const DownloadResult own = patient.DownloadBytes(url(target(0)), body, DownloadLimits{});
    EXPECT_TRUE(own.ok()) << own.reason.toStdString();
    EXPECT_EQ(body.toStdString(), site::firstProfilePage("alice", "25"));
}

// Thumbnail faults, each on the first request only: the fault gives no
// picture, the next request the real one.
struct PictureCase
{
    const char *name;
    Fault fault;
};

void PrintTo(const PictureCase &c, std::ostream *os)
{
    *os << c.name;
}

class HostilePictureTest : public HostileNetTest, public ::testing::WithParamInterface<PictureCase>
{
};

TEST_P(HostilePictureTest, GivesNoPictureAndTheNextLoadWorks)
{
    const auto video = site::generatedVideos("alice", 1).front();
    const std::string thumbnail = "/vi/" + video.id + "/2.jpg";
    Fault fault = GetParam().fault;
    fault.times = 1;
    server.setFaultAt(thumbnail, fault);
    DownloadLimits pictureLimits = kPictureLimits;
    pictureLimits.stallTimeout = 1s;
    pictureLimits.totalTimeout = 2s;

    const QString path = QString::fromStdString(address(thumbnail));
    EXPECT_TRUE(LoadPic(downloader, path, pictureLimits).image.isNull());
    EXPECT_EQ(LoadPic(downloader, path, pictureLimits).image,
              QImage::fromData(QByteArray::fromStdString(site::thumbnailJpeg(video.id, 2))));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HostilePictureTest,
    ::testing::Values(PictureCase{"NotAPicture", {Fault::Kind::NotAPicture}},
                      PictureCase{"ThirtyThousandPixelsSquare", {Fault::Kind::GiantPicture}},
                      PictureCase{"TruncatedJpeg", {Fault::Kind::Truncated}},
                      PictureCase{"ResetMidBody", {Fault::Kind::ResetMidBody}},
                      PictureCase{"StallAfterHeaders",
                                  {.kind = Fault::Kind::StallAfterHeaders, .delayMs = 60000}},
                      PictureCase{"GzipBomb",
                                  {.kind = Fault::Kind::GzipBomb, .bytes = kTwoGibibytes}},
                      PictureCase{"Status429", {Fault::Kind::TooManyRequests}}),
    [](const auto &info) { return std::string(info.param.name); });

// The test site's own faults are what they claim, so that the cases above
// test what they say.
TEST_F(HostileNetTest, SiteResetsTheConnectionWithAnRst)
{
    server.setFault(0, {Fault::Kind::ResetMidBody});
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(server.port()));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(sock, reinterpret_cast<sockaddr *>(&to), sizeof to), 0);
    const timeval wait{5, 0};
    setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    const std::string request = "GET " + target(0) + " HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_EQ(send(sock, request.data(), request.size(), 0), ssize_t(request.size()));
    std::string received;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = recv(sock, buffer, sizeof buffer, 0)) > 0)
        received.append(buffer, std::size_t(n));
    const int error = errno;
    close(sock);
    EXPECT_EQ(n, -1);
    EXPECT_EQ(error, ECONNRESET);
    EXPECT_EQ(received.rfind("HTTP/1.1 200", 0), 0u) << received.substr(0, 40);
}

TEST_F(HostileNetTest, SiteGzipBombInflatesToItsFullSize)
{
    const site::GzipBomb bomb = site::gzipBomb(64);
    EXPECT_LT(bomb.size(), 64 * 1024 * 2);
    z_stream stream{};
    ASSERT_EQ(inflateInit2(&stream, 16 + 15), Z_OK);
    std::vector<char> in(50000);
    std::vector<Bytef> out(1 << 20);
    std::int64_t offset = 0;
    std::int64_t inflated = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        const std::size_t n = bomb.copy(offset, in.data(), in.size());
        offset += static_cast<std::int64_t>(n);
        stream.next_in = reinterpret_cast<Bytef *>(in.data());
        stream.avail_in = static_cast<uInt>(n);
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            status = inflate(&stream, Z_NO_FLUSH);
            inflated += static_cast<std::int64_t>(out.size() - stream.avail_out);
        } while (status == Z_OK && stream.avail_out == 0);
        if (n == 0)
            break;
    }
    inflateEnd(&stream);
    // Z_STREAM_END only after the trailer's checksum and length matched.
    EXPECT_EQ(status, Z_STREAM_END);
    EXPECT_EQ(inflated, 64 * kMebibyte);
    EXPECT_EQ(offset, bomb.size());
}

} // namespace
