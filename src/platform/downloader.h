#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include <memory>

typedef void CURL;

namespace vidfolio {

class RunLoop;
class TransferDriver;

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

struct DownloadResult
{
    bool ok = false;
    long httpStatus = 0;
    // Short text for the user when the download failed: "HTTP 404",
    // "connection refused", "timed out", "too large", "rate limited", ...
    std::string reason;
    // The download was given up because the program is ending.
    bool abandoned = false;
};

// Downloads addresses over http or https into local files. One handle is
// kept for all downloads, so successive pages share a kept-alive connection.
//
// Redirects are followed to any http or https address, on any host and
// port, as a browser follows them; any other scheme (file://, ftp://, ...)
// fails with "address not allowed".
//
// A download returns when it has ended, but its thread goes on: it waits
// on the run loop, so the window on that thread goes on painting, and a
// download whose wait is stopped (the program ends, a newer command gives
// the one waiting up) is given up at once (`abandoned`).
class Downloader
{
public:
    // Waits on `loop`; on a run loop of its own when none is given.
    explicit Downloader(DownloadLimits limits = {}, RunLoop *loop = nullptr);
    ~Downloader();
    Downloader(const Downloader &) = delete;
    Downloader &operator=(const Downloader &) = delete;

    // Blocks until the body of `address` is in the file at `path` (ok: a
    // complete 2xx answer) or the download failed, in which case no file is
    // left at `path`. After a refusal that was waited out, the file holds
    // only the body of the answer that ended the download.
    DownloadResult DownloadFile(const std::string &address, const std::string &path);
    // The same into the regular file open for writing on `fd`, written from
    // its start; `path` names it in reasons. On failure the file is left
    // empty. The caller keeps `fd` and closes it.
    DownloadResult DownloadFile(const std::string &address, int fd, const std::string &path);

    // The same into memory: on success `body` holds the whole answer, on
    // failure it is empty. The second form bounds this one download by
    // `limits` instead of the downloader's own; both use the shared handle.
    DownloadResult DownloadBytes(const std::string &address, std::string &body);
    DownloadResult DownloadBytes(const std::string &address, std::string &body,
                                 const DownloadLimits &limits);

    const DownloadLimits &limits() const { return m_limits; }
    // The loop downloads wait on; waits around a download (the scratch
    // file's turn) wait on it too.
    RunLoop &loop();

private:
    bool usable() const;

    DownloadLimits m_limits;
    std::unique_ptr<RunLoop> m_ownLoop;
    // Runs the transfers of m_curl, and keeps the connections they leave
    // open for the next one.
    std::unique_ptr<TransferDriver> m_driver;
    CURL *m_curl = nullptr;
};

} // namespace vidfolio
