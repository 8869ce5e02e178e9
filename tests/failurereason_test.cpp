// Failure reasons: a few plain words for every way a download can fail,
// never libcurl's own messages.
#include "platform/downloader.h"
#include "siteserver.h"
#include "support/failurereasons.h"
#include "support/filedownload.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <httplib.h>

#include <fstream>
#include <sstream>
#include <thread>

using namespace vidfolio;

namespace {

class FailureReasonTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    std::string download(const std::string &address)
    {
        const QString path = folder.filePath("temp.txt");
        const DownloadResult result = test::downloadToFile(downloader, address, path);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(QFileInfo(path).size(), 0);
        return result.reason.toStdString();
    }

    QTemporaryDir folder;
    RunLoop loop;
    Downloader downloader{loop};
};

TEST_F(FailureReasonTest, CertificateNotTrustedAndNoSecureConnection)
{
    // A certificate made here for localhost, trusted by no one.
    const QString key = folder.filePath("key.pem");
    const QString certificate = folder.filePath("certificate.pem");
    QProcess openssl;
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-keyout", key, "-out", certificate, "-days", "2", "-subj",
                   "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"});
    ASSERT_TRUE(openssl.waitForFinished(30000));
    ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();

    httplib::SSLServer server(QFile::encodeName(certificate).constData(),
                              QFile::encodeName(key).constData());
    ASSERT_TRUE(server.is_valid());
    server.Get("/", [](const httplib::Request &, httplib::Response &res) {
        res.set_content("secret page", "text/html");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    // Bound and listening already: a connection waits until the server runs.
    const std::string https = "https://localhost:" + std::to_string(port) + "/";
    EXPECT_EQ(download(https), "certificate not trusted");
    server.stop();
    serving.join();

    // An address that says https to a server that speaks plain HTTP.
    site::SiteServer plain;
    EXPECT_EQ(download("https://" + plain.host() + "/"), "secure connection failed");
}

// Header lines libcurl refuses as too long, which it reports as out of memory.
TEST_F(FailureReasonTest, OverlongHeadersAreBadAnswers)
{
    httplib::Server server;
    server.Get("/header", [](const httplib::Request &, httplib::Response &res) {
        res.set_header("X-Filler", std::string(1024 * 1024, 'a'));
        res.set_content("ok", "text/html");
    });
    server.Get("/location", [](const httplib::Request &, httplib::Response &res) {
        res.set_redirect("/" + std::string(100 * 1024, 'a'));
    });
    const std::string root =
        "http://127.0.0.1:" + std::to_string(server.bind_to_any_port("127.0.0.1"));
    std::thread serving([&] { server.listen_after_bind(); });
    EXPECT_EQ(download(root + "/header"), "bad answer from the server");
    EXPECT_EQ(download(root + "/location"), "bad answer from the server");
    server.stop();
    serving.join();
}

// Every reason is one of the README's table, and none is libcurl's text.
TEST(FailureReasons, EveryReasonIsPlainAndListedInTheReadme)
{
    std::ifstream file(VIDFOLIO_SOURCE_DIR "/README.md");
    std::stringstream readme;
    readme << file.rdbuf();
    ASSERT_FALSE(readme.str().empty());
    const std::set<std::string> reasons = test::everyFailureReason();
    for (const std::string &reason : reasons) {
        // The table lists the statuses as one row, "HTTP nnn".
        const std::string listed = reason.starts_with("HTTP ") ? "HTTP nnn" : reason;
        EXPECT_NE(readme.str().find("| \"" + listed + "\" |"), std::string::npos) << reason;
        EXPECT_LE(reason.size(), 30u) << reason;
    }
    for (int code = CURLE_OK + 1; code < CURL_LAST; ++code)
        EXPECT_EQ(reasons.count(curl_easy_strerror(static_cast<CURLcode>(code))), 0u) << code;
}

} // namespace
