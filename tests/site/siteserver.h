#pragma once

#include "sitepages.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace vidfolio::site {

// What the server does instead of answering normally. A fault is set for a
// profile page number (of every user) or for one exact target, and applies
// to the first `times` requests that match it, or to all when `times` is 0.
struct Fault
{
    enum class Kind
    {
        NotFound,          // HTTP 404 with the normal body
        ServerError,       // HTTP 500 with the normal body
        DropMidBody,       // announces the body, sends half of it and closes
        ResetMidBody,      // announces the body, sends half of it and resets the connection
        Stall,             // answers after `delayMs`, or lets go once the client hangs up
        StallAfterHeaders, // sends the headers, then nothing for `delayMs`, then the body
        Drip,              // sends the body one byte every `delayMs` (every second when 0)
        Huge,              // a body of `bytes` bytes, sent chunked without a length
        HugeWithLength,    // a body of `bytes` bytes announced by its Content-Length
        GzipBomb,          // a gzip body about 1/1000 of `bytes` that inflates to `bytes`
        Redirect,          // HTTP 302 to `location`
        RedirectLoop,      // HTTP 302 to the target asked for
        TooManyRequests,   // HTTP 429, with "Retry-After: `retryAfter`" unless that is empty
        Unavailable,       // HTTP 503, likewise
        NotAPicture,       // HTTP 200 with an HTML page under the normal content type
        GiantPicture,      // HTTP 200 with a small JPEG claiming 30000 x 30000 pixels
        Truncated,         // HTTP 200 with the first half of the body, announced as all of it
        Held,              // sends the headers, then the body once releaseHeld() is called
    };
    Kind kind = Kind::NotFound;
    int delayMs = 0;
    std::int64_t bytes = 0;
    std::string location = {};
    std::string retryAfter = {};
    int times = 0;
};

// A refusal: TooManyRequests or Unavailable as `kind`, with `retryAfter` as
// its Retry-After header (none when empty), for the first `times` requests
// (all when 0).
Fault refusal(Fault::Kind kind, std::string retryAfter, int times = 0);

struct Request
{
    std::string host;   // the Host header
    std::string target; // path and query as sent
    int remotePort = 0; // tells the connections apart
    std::string acceptEncoding;
};

// A video site on 127.0.0.1 and an ephemeral port, run on its own threads.
// It serves /profile_videos?user=NAME[&page=N] for the users it is given
// (every other name is unknown to it) and, for each of their videos, the
// watch page /watch?v=ID, the thumbnails /vi/ID/1.jpg to 3.jpg and plain
// answers at /player2.swf and /get_video.php; /redirect?to=ADDRESS and
// /loop redirect. Every answer may be replaced by a fault.
class SiteServer
{
public:
    // On `port` while it is free, otherwise (and for 0) on an ephemeral port.
    explicit SiteServer(int port = 0);
    ~SiteServer();
    SiteServer(const SiteServer &) = delete;
    SiteServer &operator=(const SiteServer &) = delete;

    int port() const { return m_port; }
    // "localhost:PORT": the host to build the site roots from.
    std::string host() const;

    void addUser(const std::string &name, std::vector<Video> videos);
    // A user whose first page states `countText` as the number of videos.
    void addUser(const std::string &name, std::vector<Video> videos, const std::string &countText);
    void addUserWithoutVideos(const std::string &name);

    // Serves `body` for the user's page `page` (0: the first fetch).
    void setPage(const std::string &user, int page, std::string body);
    // Applies `fault` to page `page` (0: the first fetch) of every user.
    void setFault(int page, Fault fault);
    // Applies `fault` to requests for exactly `target` (path and query as
    // sent), over whatever the site or setAnswer serves there. It takes
    // precedence over a page's fault.
    void setFaultAt(const std::string &target, Fault fault);
    // Serves everything normally again.
    void clearFaults();
    // Lets the bodies of every answer a Held fault holds go, and returns once
    // they are written to their connections.
    void releaseHeld();
    // Answers requests for exactly `target` (path and query as sent) with
    // `status` and `body`, in place of whatever the site serves there.
    void setAnswer(const std::string &target, int status, std::string body,
                   std::string contentType = "text/html");

    std::vector<Request> requests() const;
    // How many requests asked for exactly `target` (path and query as sent).
    std::size_t requestsFor(const std::string &target) const;

private:
    struct User
    {
        std::vector<Video> videos;
        std::string countText;
        bool noVideos = false;
    };

    struct FaultSlot
    {
        Fault fault;
        int used = 0;
    };

    // Registers a GET handler whose answers the faults may replace.
    void get(const std::string &pattern,
             std::function<void(const httplib::Request &, httplib::Response &)> handler);
    void serveProfile(const std::string &user, int page, const std::string &host,
                      httplib::Response &res);
    std::optional<std::string> pageBody(const std::string &user, int page, const std::string &host);
    // The fault for this request, if one still applies; counts the use.
    std::optional<Fault> takeFault(const httplib::Request &req);
    void applyFault(const Fault &fault, const httplib::Request &req, httplib::Response &res);
    // Waits `delayMs`, returning early when the server stops; true when it is
    // stopping.
    bool waitOrStop(int delayMs);
    bool stopping() const;
    std::optional<Video> findVideo(const std::string &id) const;

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stopping = false;
    std::map<std::string, User> m_users;
    std::map<std::pair<std::string, int>, std::string> m_pages;
    std::map<int, FaultSlot> m_faults;
    std::map<std::string, FaultSlot> m_targetFaults;
    struct Answer
    {
        int status = 200;
        std::string body;
        std::string contentType;
    };
    std::map<std::string, Answer> m_answers;
    std::vector<Request> m_requests;
    // Held answers: how many wait or are being written, and how many times
    // releaseHeld() was called.
    int m_held = 0;
    int m_releases = 0;
};

} // namespace vidfolio::site
