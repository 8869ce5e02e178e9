#pragma once

#include <chrono>
#include <cstdint>
#include <string>

typedef void CURL;

namespace vidfolio {

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
    // The longest a whole download may take, however steadily data arrives.
    std::chrono::seconds totalTimeout{120};
    // Redirects followed before the address counts as a loop.
    long maxRedirects = 10;
};

struct DownloadResult
{
    bool ok = false;
    long httpStatus = 0;
    // Short text for the user when the download failed: "HTTP 404",
    // "connection refused", "timed out", "too large", ...
    std::string reason;
};

// Downloads addresses over http or https into local files. One handle is
// kept for all downloads, so successive pages share a kept-alive connection.
class Downloader
{
public:
    explicit Downloader(DownloadLimits limits = {});
    ~Downloader();
    Downloader(const Downloader &) = delete;
    Downloader &operator=(const Downloader &) = delete;

    // Blocks until the body of `address` is in the file at `path` (ok: a
    // complete 2xx answer) or the download failed, in which case no file is
    // left at `path`.
    DownloadResult DownloadFile(const std::string &address, const std::string &path);

    // The same into memory: on success `body` holds the whole answer, on
    // failure it is empty.
    DownloadResult DownloadBytes(const std::string &address, std::string &body);

    const DownloadLimits &limits() const { return m_limits; }

private:
    DownloadLimits m_limits;
    CURL *m_curl = nullptr;
};

} // namespace vidfolio
