#include "platform/failurereason.h"

#include <curl/curl.h>

#include <optional>

namespace vidfolio {
namespace {

// Results of the certificate check (OpenSSL's X509_V_* numbers). libcurl
// sets 1 before the check and leaves it there when the chain was fine but
// the host name failed, which it checks itself.
constexpr long kCheckNotDone = 1;
constexpr long kCertificateNotYetValid = 9;
constexpr long kCertificateExpired = 10;
constexpr long kHostNameMismatch = 62;

std::string certificateReason(long check)
{
    switch (check) {
    case 0:
    case kCheckNotDone:
    case kHostNameMismatch:
        return "certificate for another site";
    case kCertificateNotYetValid:
    case kCertificateExpired:
        return "certificate out of date";
    default:
        return "certificate not trusted";
    }
}

// The transfer stopped on this side: a file that cannot be written, or a
// size limit reached. Nothing for other codes.
std::optional<std::string> localReason(CURLcode code, const TransferFacts &facts)
{
    switch (code) {
    case CURLE_WRITE_ERROR:
        if (facts.tooLarge)
            return "too large";
        if (facts.outOfMemory || facts.fileName.empty())
            return "out of memory";
        return "cannot write " + facts.fileName;
    case CURLE_FILESIZE_EXCEEDED:
        return "too large";
    case CURLE_ABORTED_BY_CALLBACK:
        return "cancelled";
    default:
        return std::nullopt;
    }
}

// Finding, reaching and keeping the server. Nothing for other codes.
std::optional<std::string> connectionReason(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return "host not found";
    case CURLE_COULDNT_CONNECT:
        return "connection refused";
    case CURLE_INTERFACE_FAILED:
    case CURLE_NO_CONNECTION_AVAILABLE:
    case CURLE_QUIC_CONNECT_ERROR:
        return "connection failed";
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_FAIL_REWIND:
        return "connection lost";
    case CURLE_OPERATION_TIMEDOUT:
        return "timed out";
    case CURLE_COULDNT_RESOLVE_PROXY:
        return "proxy not found";
    case CURLE_PROXY:
        return "proxy failed";
    default:
        return std::nullopt;
    }
}

// The address and what the server answered. Nothing for other codes.
std::optional<std::string> answerReason(CURLcode code, const TransferFacts &facts)
{
    switch (code) {
    case CURLE_URL_MALFORMAT:
        return "bad address";
    case CURLE_UNSUPPORTED_PROTOCOL:
        // Either a redirect led out of http and https, or an http server
        // answered without a status line (HTTP/0.9), which is refused too.
        return facts.httpAddress ? "bad answer from the server" : "address not allowed";
    case CURLE_TOO_MANY_REDIRECTS:
        return "too many redirects";
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_LOGIN_DENIED:
    case CURLE_AUTH_ERROR:
        return "access denied";

    // libcurl reports a header line or a Location over its limit of about
    // 100 KB as out of memory; the server sent too much, the computer has
    // memory enough.
    case CURLE_OUT_OF_MEMORY:
#if LIBCURL_VERSION_NUM >= 0x080600
    case CURLE_TOO_LARGE:
#endif
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
    case CURLE_RANGE_ERROR:
    case CURLE_BAD_DOWNLOAD_RESUME:
        return "bad answer from the server";
    case CURLE_BAD_CONTENT_ENCODING:
        return "bad compressed data";
    default:
        return std::nullopt;
    }
}

// Secure connections: the certificate and the handshake. Nothing for other
// codes.
std::optional<std::string> securityReason(CURLcode code, const TransferFacts &facts)
{
    switch (code) {
    case CURLE_PEER_FAILED_VERIFICATION:
        return certificateReason(facts.certificateCheck);
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return "certificate not trusted";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CLIENTCERT:
    case CURLE_USE_SSL_FAILED:
        return "secure connection failed";
    default:
        return std::nullopt;
    }
}

} // namespace

std::string failureReason(int curlCode, const TransferFacts &facts)
{
    const auto code = static_cast<CURLcode>(curlCode);
    if (auto reason = localReason(code, facts))
        return *reason;
    if (auto reason = connectionReason(code))
        return *reason;
    if (auto reason = answerReason(code, facts))
        return *reason;
    if (auto reason = securityReason(code, facts))
        return *reason;
    // Codes of other protocols, of libcurl's own use and of versions to
    // come: nothing the user could act on.
    return "unexpected error";
}

} // namespace vidfolio
