#pragma once

#include "platform/transfer.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <string>

namespace vidfolio {

class BodySink;
class RunLoop;

// Bounds on one download, so that a dead or hostile server can neither
// freeze the program for ever nor fill memory and disk.
struct DownloadLimits
{
    // Time allowed to open the connection.
    std::chrono::seconds connectTimeout{15};
    // A download that receives no data for this long is given up.
    std::chrono::seconds stallTimeout{30};
    // Largest body accepted, counted after decompression.
    std::int64_t maxBytes = 64ll * 1024 * 1024;
    // The longest a whole download may take, however steadily data arrives,
    // counting the waits a busy server asks for.
    std::chrono::seconds totalTimeout{120};
    // Redirects followed before the address counts as a loop.
    long maxRedirects = 10;
    // A server that refuses with HTTP 429 or 503 and a Retry-After of at most
    // this long is waited out and asked again ...
    std::chrono::seconds longestRetryWait{10};
    // ... this many times; the next refusal fails the download.
    int rateLimitRetries = 2;
};

struct [[nodiscard]] DownloadResult
{
    // Done: a complete 2xx answer. Stopped: the run loop was stopped, and the
    // download given up on the spot.
    Outcome outcome = Outcome::Failed;
    long httpStatus = 0;
    // Short text for the user when the download failed: "HTTP 404",
    // "connection refused", "timed out", "too large", "rate limited", ...
    QString reason;

    bool ok() const { return outcome == Outcome::Done; }
};

// Downloads addresses over http or https into files or memory. One handle is
// kept for all downloads, so successive pages share a kept-alive connection.
//
// Redirects are followed to any http or https address, on any host and
// port, as a browser follows them; any other scheme (file://, ftp://, ...)
// fails with "address not allowed".
//
// Each request runs on the downloader's Transfer (transfer.h); above it
// the downloader keeps the policy: the limits and the size cap, the
// refusals it waits out, and the reasons a download fails with.
//
// A download returns when it has ended, but its thread goes on: it waits
// on the run loop, so the window on that thread goes on painting, and a
// download whose wait is stopped is given up at once (Outcome::Stopped).
class Downloader
{
public:
    // Waits on `loop`, which must outlive the downloader.
    explicit Downloader(RunLoop &loop);
    ~Downloader();
    Downloader(const Downloader &) = delete;
    Downloader &operator=(const Downloader &) = delete;

    // Blocks until the body of `address` is in the regular file open for
    // writing on `fd` (ok: a complete 2xx answer within `limits`), written
    // from its start, or the download failed, in which case the file is left
    // empty. After a refusal that was waited out, the file holds only the
    // body of the answer that ended the download. `path` names the file in
    // reasons; the caller keeps `fd` and closes it.
    DownloadResult DownloadFile(const QString &address, int fd, const QString &path,
                                const DownloadLimits &limits);

    // The same into memory, on the shared connection: on success `body`
    // holds the whole answer, on failure it is empty.
    DownloadResult DownloadBytes(const QString &address, QByteArray &body,
                                 const DownloadLimits &limits);

    // The loop downloads wait on; waits around a download (the scratch
    // file's turn) wait on it too.
    RunLoop &loop() { return m_loop; }

private:
    DownloadResult download(const QString &address, const DownloadLimits &limits, BodySink &sink,
                            const QString &path);
    DownloadResult attempt(const std::string &address, const DownloadLimits &limits,
                           std::chrono::milliseconds timeLeft, BodySink &sink, const QString &path);

    RunLoop &m_loop;
    // Runs every download on one handle, and keeps the connections it
    // leaves open for the next one.
    Transfer m_transfer;
};

} // namespace vidfolio
