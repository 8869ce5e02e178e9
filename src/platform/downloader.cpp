#include "platform/downloader.h"

#include "platform/bodysink.h"
#include "platform/failurereason.h"
#include "platform/runloop.h"

#include <curl/curl.h>

#include <QFileInfo>

#include <algorithm>
#include <ctime>
#include <optional>
#include <string_view>

#include <unistd.h>

namespace vidfolio {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

QString cannotWrite(const QString &path)
{
    return QStringLiteral("cannot write ") + QFileInfo(path).fileName();
}

bool isRefusal(long httpStatus)
{
    return httpStatus == 429 || httpStatus == 503;
}

// The wait a Retry-After header's value asks for, given in seconds or as an
// HTTP date (a date gone by asks for none). Nothing when it is unreadable.
std::optional<std::chrono::seconds> retryAfter(std::string_view value)
{
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

DownloadResult failure(QString reason, long httpStatus = 0)
{
    return {Outcome::Failed, httpStatus, std::move(reason)};
}

} // namespace

Downloader::Downloader(RunLoop &loop) : m_loop(loop), m_transfer(loop) {}

Downloader::~Downloader() = default;

DownloadResult Downloader::DownloadFile(const QString &address, int fd, const QString &path,
                                        const DownloadLimits &limits)
{
    if (!m_transfer.valid())
        return failure(QStringLiteral("no HTTP client"));
    BodySink sink(fd, limits.maxBytes);
    DownloadResult result = download(address, limits, sink, path);
    const bool closed = sink.close();
    if (result.ok() && !closed)
        result = failure(cannotWrite(path), result.httpStatus);
    // The caller deletes the file; cut, it holds no half page meanwhile.
    if (!result.ok() && ::ftruncate(fd, 0) != 0 && result.outcome == Outcome::Failed)
        result.reason = cannotWrite(path);
    return result;
}

DownloadResult Downloader::DownloadBytes(const QString &address, QByteArray &body,
                                         const DownloadLimits &limits)
{
    body.clear();
    if (!m_transfer.valid())
        return failure(QStringLiteral("no HTTP client"));
    BodySink sink(body, limits.maxBytes);
    DownloadResult result = download(address, limits, sink, {});
    if (!result.ok())
        body.clear();
    return result;
}

// Downloads `address` into `sink`, waiting out a server's refusals (HTTP
// 429 or 503 with a short Retry-After) a bounded number of times within the
// total time.
DownloadResult Downloader::download(const QString &address, const DownloadLimits &limits,
                                    BodySink &sink, const QString &path)
{
    const std::string url = address.toStdString();
    const Clock::time_point deadline = Clock::now() + limits.totalTimeout;
    for (int refusals = 0;; ++refusals) {
        if (!sink.restart())
            return failure(cannotWrite(path));
        const auto timeLeft = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (timeLeft <= milliseconds(0))
            return failure(QStringLiteral("timed out"));

        DownloadResult result = attempt(url, limits, timeLeft, sink, path);
        if (!isRefusal(result.httpStatus))
            return result;
        const std::optional<std::string> header = m_transfer.header("Retry-After");
        const std::optional<std::chrono::seconds> asked =
            header ? retryAfter(*header) : std::nullopt;
        if (!asked) {
            // A busy server that names no time is rate limiting only when it
            // says so; a bare 503 is an ordinary failure.
            if (result.httpStatus == 429)
                result.reason = QStringLiteral("rate limited");
            return result;
        }
        if (*asked > limits.longestRetryWait || refusals >= limits.rateLimitRetries ||
            Clock::now() + *asked >= deadline)
            return failure(QStringLiteral("rate limited"), result.httpStatus);
        const auto pause = std::chrono::duration_cast<milliseconds>(*asked);
        if (m_loop.sleepMs(static_cast<int>(pause.count())) == WaitEnd::Stopped)
            return {Outcome::Stopped, 0, {}};
    }
}

// One request for `address` into `sink`, allowed `timeLeft` of the
// download's total time.
DownloadResult Downloader::attempt(const std::string &address, const DownloadLimits &limits,
                                   milliseconds timeLeft, BodySink &sink, const QString &path)
{
    const RequestBounds bounds{.connectTimeout = limits.connectTimeout,
                               .stallTimeout = limits.stallTimeout,
                               .timeLimit = timeLeft,
                               .maxBytes = limits.maxBytes,
                               .maxRedirects = limits.maxRedirects};
    const RequestEnd end = m_transfer.run(address, bounds, sink);
    if (end.outcome == Outcome::Stopped)
        return {Outcome::Stopped, 0, {}};
    const auto code = static_cast<CURLcode>(end.code);
    DownloadResult result{Outcome::Failed, end.httpStatus, {}};
    if (code == CURLE_HTTP_RETURNED_ERROR || (code == CURLE_OK && end.httpStatus / 100 != 2)) {
        result.reason = QStringLiteral("HTTP ") + QString::number(end.httpStatus);
    } else if (code != CURLE_OK) {
        TransferFacts facts;
        facts.tooLarge = sink.tooLarge();
        facts.outOfMemory = sink.outOfMemory();
        if (sink.intoFile())
            facts.fileName = QFileInfo(path).fileName().toStdString();
        facts.httpAddress = m_transfer.endedAtHttpAddress();
        facts.certificateCheck = m_transfer.certificateCheck();
        result.reason = QString::fromStdString(failureReason(end.code, facts));
    } else {
        result.outcome = Outcome::Done;
    }
    return result;
}

} // namespace vidfolio
