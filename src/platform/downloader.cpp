#include "platform/downloader.h"

#include "platform/failurereason.h"
#include "platform/runloop.h"
#include "platform/transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidfolio {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// A stream writing from the start of the file open on `fd`, which it owns
// from here on: closed on failure, and by closing the stream. The scratch
// file usually exists already (made empty to take the fetch's turn), and
// opening it with O_TRUNC would have ext4 flush it to disk when it is
// closed, as it does for any file rewritten in place: a fifth of a
// millisecond a page. So only a file that holds something is cut.
std::FILE *emptyStream(int fd)
{
    if (fd < 0)
        return nullptr;
    struct stat status
    {
    };
    if (::lseek(fd, 0, SEEK_SET) != 0 || ::fstat(fd, &status) != 0 ||
        (status.st_size > 0 && ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE *file = ::fdopen(fd, "wb");
    if (!file)
        ::close(fd);
    return file;
}

// Opens the file at `path` for writing, empty.
std::FILE *openEmpty(const std::string &path)
{
    return emptyStream(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
}

// The same for a file the caller opened: written from its start through a
// descriptor of our own, which closing the stream closes.
std::FILE *openEmpty(int callersFd)
{
    return emptyStream(::fcntl(callersFd, F_DUPFD_CLOEXEC, 0));
}

// Receives the body into a file or into memory, refusing anything past the
// size cap; the flags tell a refused write from a failed one.
struct BodySink
{
    // A file is written at `path` (or through `fd` when set, `path` only
    // naming it) unless `buffer` is set.
    std::string path;
    int fd = -1;
    std::FILE *file = nullptr;
    std::string *buffer = nullptr;
    std::int64_t written = 0;
    std::int64_t maxBytes = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    bool outOfMemory = false;

    // Starts an attempt afresh, with an empty file or buffer, so that only
    // the body of the last answer is kept. False when the file cannot be
    // opened.
    bool restart()
    {
        written = 0;
        tooLarge = writeFailed = outOfMemory = false;
        if (buffer) {
            buffer->clear();
            return true;
        }
        if (file)
            std::fclose(file);
        file = fd >= 0 ? openEmpty(fd) : openEmpty(path);
        return file != nullptr;
    }

    // False when the file could not be written to the end.
    bool close()
    {
        if (!file)
            return true;
        const bool closed = std::fclose(file) == 0;
        file = nullptr;
        return closed;
    }
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

// The reason for a transfer that libcurl ended with `code`.
std::string reasonFor(CURL *curl, CURLcode code, const BodySink &sink)
{
    TransferFacts facts;
    facts.tooLarge = sink.tooLarge;
    facts.outOfMemory = sink.outOfMemory;
    if (!sink.buffer)
        facts.fileName = fileName(sink.path);
    const char *address = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &address) == CURLE_OK && address) {
        const std::string_view scheme = std::string_view(address).substr(0, 8);
        facts.httpAddress = scheme.starts_with("http://") || scheme.starts_with("https://");
    }
    curl_easy_getinfo(curl, CURLINFO_SSL_VERIFYRESULT, &facts.certificateCheck);
    return failureReason(code, facts);
}

bool isRefusal(long httpStatus)
{
    return httpStatus == 429 || httpStatus == 503;
}

// The wait the last answer's Retry-After asks for, given in seconds or as
// an HTTP date (a date gone by asks for none). Nothing when the header is
// missing or unreadable.
std::optional<std::chrono::seconds> retryAfter(CURL *curl)
{
    curl_header *header = nullptr;
    if (curl_easy_header(curl, "Retry-After", 0, CURLH_HEADER, -1, &header) != CURLHE_OK)
        return std::nullopt;
    std::string_view value = header->value;
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
    if (value.empty())
        return std::nullopt;
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        // Counting stops at a day: any longer wait is refused just the same.
        std::int64_t seconds = 0;
        for (const char c : value)
            seconds = std::min<std::int64_t>(seconds * 10 + (c - '0'), 86400);
        return std::chrono::seconds(seconds);
    }
    const std::time_t date = curl_getdate(std::string(value).c_str(), nullptr);
    if (date == -1)
        return std::nullopt;
    return std::chrono::seconds(std::max<std::time_t>(0, date - std::time(nullptr)));
}

constexpr milliseconds kDriverMargin{5000};

DownloadResult abandonedResult()
{
    DownloadResult result;
    result.reason = "abandoned";
    result.abandoned = true;
    return result;
}

// One request for `address` on the shared handle into `sink`, allowed
// `timeLeft` of the download's total time.
DownloadResult attempt(TransferDriver &driver, CURL *curl, const DownloadLimits &limits,
                       milliseconds timeLeft, const std::string &address, BodySink &sink)
{
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT,
                     static_cast<long>(limits.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeLeft.count()));
    // Less than one byte a second over the stall time counts as stalled.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.stallTimeout.count()));
    // Refuses a body announced larger than the cap before any of it arrives.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));

    DownloadResult result;
    // libcurl's own time limit ends the transfer first; the driver's is a
    // safety net.
    const CURLcode code = driver.run(curl, timeLeft + kDriverMargin, result.abandoned);
    if (result.abandoned)
        return abandonedResult();
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.httpStatus);
    if (code == CURLE_HTTP_RETURNED_ERROR || (code == CURLE_OK && result.httpStatus / 100 != 2))
        result.reason = "HTTP " + std::to_string(result.httpStatus);
    else if (code != CURLE_OK)
        result.reason = reasonFor(curl, code, sink);
    else
        result.ok = true;
    return result;
}

// Downloads `address` into `sink`, waiting out a server's refusals (HTTP
// 429 or 503 with a short Retry-After) a bounded number of times within the
// total time.
DownloadResult download(TransferDriver &driver, CURL *curl, const DownloadLimits &limits,
                        const std::string &address, BodySink &sink)
{
    const Clock::time_point deadline = Clock::now() + limits.totalTimeout;
    sink.maxBytes = limits.maxBytes;
    for (int refusals = 0;; ++refusals) {
        if (!sink.restart())
            return {false, 0, "cannot write " + fileName(sink.path)};
        const auto timeLeft = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (timeLeft <= milliseconds(0))
            return {false, 0, "timed out"};

        DownloadResult result = attempt(driver, curl, limits, timeLeft, address, sink);
        if (!isRefusal(result.httpStatus))
            return result;
        const std::optional<std::chrono::seconds> asked = retryAfter(curl);
        if (!asked) {
            // A busy server that names no time is rate limiting only when it
            // says so; a bare 503 is an ordinary failure.
            if (result.httpStatus == 429)
                result.reason = "rate limited";
            return result;
        }
        if (*asked > limits.longestRetryWait || refusals >= limits.rateLimitRetries ||
            Clock::now() + *asked >= deadline)
            return {false, result.httpStatus, "rate limited"};
        RunLoop &loop = driver.loop();
        loop.sleepMs(static_cast<int>(std::chrono::duration_cast<milliseconds>(*asked).count()));
        if (loop.stopped())
            return abandonedResult();
    }
}

} // namespace

Downloader::Downloader(DownloadLimits limits, RunLoop *loop)
    : m_limits(limits), m_ownLoop(loop ? nullptr : std::make_unique<RunLoop>())
{
    initCurlOnce();
    m_driver = std::make_unique<TransferDriver>(loop ? *loop : *m_ownLoop);
    m_curl = curl_easy_init();
    if (!m_curl)
        return;
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_USERAGENT, "Vidfolio/1.0");
    curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects go wherever an http or https address points, other hosts and
    // ports included, as in a browser: the site may move pages or serve
    // pictures from elsewhere. Local files and other schemes stay out of
    // reach of what a server answers.
    curl_easy_setopt(m_curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
    // An empty encoding list offers every compression libcurl can undo.
    curl_easy_setopt(m_curl, CURLOPT_ACCEPT_ENCODING, "");
    // Error answers end the transfer before their bodies are read.
    curl_easy_setopt(m_curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &writeBody);
}

Downloader::~Downloader()
{
    // The driver's kept connections go first: they belong to the easy handle.
    m_driver.reset();
    if (m_curl)
        curl_easy_cleanup(m_curl);
}

RunLoop &Downloader::loop()
{
    return m_driver->loop();
}

bool Downloader::usable() const
{
    return m_curl && m_driver->valid();
}

DownloadResult Downloader::DownloadFile(const std::string &address, const std::string &path)
{
    if (!usable())
        return {false, 0, "no HTTP client"};
    BodySink sink;
    sink.path = path;
    DownloadResult result = download(*m_driver, m_curl, m_limits, address, sink);
    const bool closed = sink.close();
    if (result.ok && !closed)
        result = {false, result.httpStatus, "cannot write " + fileName(path)};
    if (!result.ok)
        std::remove(path.c_str());
    return result;
}

DownloadResult Downloader::DownloadFile(const std::string &address, int fd, const std::string &path)
{
    if (!usable())
        return {false, 0, "no HTTP client"};
    BodySink sink;
    sink.path = path;
    sink.fd = fd;
    DownloadResult result = download(*m_driver, m_curl, m_limits, address, sink);
    const bool closed = sink.close();
    if (result.ok && !closed)
        result = {false, result.httpStatus, "cannot write " + fileName(path)};
    // The caller deletes the file; cut, it holds no half page meanwhile.
    if (!result.ok && ::ftruncate(fd, 0) != 0)
        result.reason = "cannot write " + fileName(path);
    return result;
}

DownloadResult Downloader::DownloadBytes(const std::string &address, std::string &body)
{
    return DownloadBytes(address, body, m_limits);
}

DownloadResult Downloader::DownloadBytes(const std::string &address, std::string &body,
                                         const DownloadLimits &limits)
{
    body.clear();
    if (!usable())
        return {false, 0, "no HTTP client"};
    BodySink sink;
    sink.buffer = &body;
    DownloadResult result = download(*m_driver, m_curl, limits, address, sink);
    if (!result.ok)
        body.clear();
    return result;
}

} // namespace vidfolio
