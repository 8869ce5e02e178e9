#include "platform/downloader.h"

#include <curl/curl.h>

#include <cstdio>
#include <mutex>
#include <new>

namespace vidfolio {
namespace {

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Receives the body into the open file or into memory, refusing anything
// past the size cap; the flags tell a refused write from a failed one.
struct BodySink
{
    std::FILE *file = nullptr;
    std::string *buffer = nullptr;
    std::int64_t written = 0;
    std::int64_t maxBytes = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    bool outOfMemory = false;
};

size_t writeBody(char *data, size_t size, size_t count, void *userData)
{
    auto *sink = static_cast<BodySink *>(userData);
    const size_t bytes = size * count;
    if (sink->written + static_cast<std::int64_t>(bytes) > sink->maxBytes) {
        sink->tooLarge = true;
        return 0;
    }
    if (sink->buffer) {
        // No exception may cross libcurl's C frames.
        try {
            sink->buffer->append(data, bytes);
        } catch (const std::bad_alloc &) {
            sink->outOfMemory = true;
            return 0;
        }
    } else if (std::fwrite(data, 1, bytes, sink->file) != bytes) {
        sink->writeFailed = true;
        return 0;
    }
    sink->written += static_cast<std::int64_t>(bytes);
    return bytes;
}

std::string fileName(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string reasonFor(CURLcode code, const BodySink &sink, const std::string &path)
{
    switch (code) {
    case CURLE_WRITE_ERROR:
        if (sink.tooLarge)
            return "too large";
        if (sink.outOfMemory)
            return "out of memory";
        return "cannot write " + fileName(path);
    case CURLE_OUT_OF_MEMORY:
        return "out of memory";
    case CURLE_FILESIZE_EXCEEDED:
        return "too large";
    case CURLE_COULDNT_CONNECT:
        return "connection refused";
    case CURLE_OPERATION_TIMEDOUT:
        return "timed out";
    case CURLE_COULDNT_RESOLVE_HOST:
        return "host not found";
    case CURLE_TOO_MANY_REDIRECTS:
        return "too many redirects";
    case CURLE_UNSUPPORTED_PROTOCOL:
        return "address not allowed";
    case CURLE_URL_MALFORMAT:
        return "bad address";
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        return "connection lost";
    case CURLE_BAD_CONTENT_ENCODING:
        return "bad compressed data";
    default:
        return curl_easy_strerror(code);
    }
}

// Runs one download on the shared handle into `sink`; `path` names the file
// written, if any, for the failure reason.
DownloadResult transfer(CURL *curl, const DownloadLimits &limits, const std::string &address,
                        BodySink &sink, const std::string &path)
{
    sink.maxBytes = limits.maxBytes;

    DownloadResult result;
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.httpStatus);

    if (code == CURLE_HTTP_RETURNED_ERROR || (code == CURLE_OK && result.httpStatus / 100 != 2))
        result.reason = "HTTP " + std::to_string(result.httpStatus);
    else if (code != CURLE_OK)
        result.reason = reasonFor(code, sink, path);
    else
        result.ok = true;
    return result;
}

} // namespace

Downloader::Downloader(DownloadLimits limits) : m_limits(limits)
{
    initCurlOnce();
    m_curl = curl_easy_init();
    if (!m_curl)
        return;
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_USERAGENT, "Vidfolio/1.0");
    curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(m_curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(m_curl, CURLOPT_MAXREDIRS, m_limits.maxRedirects);
    // An empty encoding list offers every compression libcurl can undo.
    curl_easy_setopt(m_curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(m_curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT,
                     static_cast<long>(m_limits.connectTimeout.count()));
    curl_easy_setopt(m_curl, CURLOPT_TIMEOUT, static_cast<long>(m_limits.totalTimeout.count()));
    // Less than one byte a second over the stall time counts as stalled.
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(m_limits.stallTimeout.count()));
    curl_easy_setopt(m_curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_limits.maxBytes));
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &writeBody);
}

Downloader::~Downloader()
{
    if (m_curl)
        curl_easy_cleanup(m_curl);
}

DownloadResult Downloader::DownloadFile(const std::string &address, const std::string &path)
{
    if (!m_curl)
        return {false, 0, "no HTTP client"};
    BodySink sink;
    sink.file = std::fopen(path.c_str(), "wb");
    if (!sink.file)
        return {false, 0, "cannot write " + fileName(path)};

    DownloadResult result = transfer(m_curl, m_limits, address, sink, path);
    const bool closed = std::fclose(sink.file) == 0;
    if (result.ok && !closed)
        result = {false, result.httpStatus, "cannot write " + fileName(path)};
    if (!result.ok)
        std::remove(path.c_str());
    return result;
}

DownloadResult Downloader::DownloadBytes(const std::string &address, std::string &body)
{
    body.clear();
    if (!m_curl)
        return {false, 0, "no HTTP client"};
    BodySink sink;
    sink.buffer = &body;
    DownloadResult result = transfer(m_curl, m_limits, address, sink, {});
    if (!result.ok)
        body.clear();
    return result;
}

} // namespace vidfolio
