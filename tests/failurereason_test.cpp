// Failure reasons: a few plain words for every way a download can fail,
// never libcurl's own messages.
#include "platform/downloader.h"
#include "siteserver.h"
#include "support/failurereasons.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

using namespace vidfolio;

namespace {

// Answers every connection on 127.0.0.1 with `reply`, whatever was asked,
// and closes it: for answers no HTTP server library would send.
class CannedServer
{
public:
    explicit CannedServer(std::string reply) : m_reply(std::move(reply))
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        EXPECT_EQ(::bind(m_listener, reinterpret_cast<sockaddr *>(&address), size), 0);
        EXPECT_EQ(::listen(m_listener, 8), 0);
        EXPECT_EQ(::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &size), 0);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~CannedServer()
    {
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
    }
    std::string address() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }

private:
    void serve()
    {
        for (;;) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                return;
            char request[8192];
            if (::recv(client, request, sizeof request, 0) > 0)
                (void)!::send(client, m_reply.data(), m_reply.size(), MSG_NOSIGNAL);
            ::shutdown(client, SHUT_WR);
            ::close(client);
        }
    }

    std::string m_reply;
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
};

class FailureReasonTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    std::string download(const std::string &address)
    {
        const DownloadResult result = downloader.DownloadFile(
            address, QFile::encodeName(folder.filePath("temp.txt")).toStdString());
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(QFile::exists(folder.filePath("temp.txt")));
        return result.reason;
    }

    QTemporaryDir folder;
    Downloader downloader;
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

TEST_F(FailureReasonTest, AnswersLibcurlRefusesAreBadAnswers)
{
    const std::string mebibyte(1024 * 1024, 'a');
    const std::string hundredKilobytes(100 * 1024, 'a');
    const std::vector<std::pair<const char *, std::string>> answers{
        {"a header line of 1 MiB",
         "HTTP/1.1 200 OK\r\nX-Filler: " + mebibyte + "\r\nContent-Length: 2\r\n\r\nok"},
        {"a Location of 100 KB",
         "HTTP/1.1 302 Found\r\nLocation: /" + hundredKilobytes + "\r\nContent-Length: 0\r\n\r\n"},
        {"no status line", "<html>a page without any header</html>\r\n\r\n"},
    };
    for (const auto &[name, answer] : answers) {
        SCOPED_TRACE(name);
        CannedServer server(answer);
        EXPECT_EQ(download(server.address()), "bad answer from the server");
    }
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
