#pragma once

#include "sitepages.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Response;
} // namespace httplib

namespace vidfolio::site {

// What the server does instead of answering a profile page normally.
struct Fault
{
    enum class Kind
    {
        NotFound,    // HTTP 404 with a page-like body
        ServerError, // HTTP 500 with a page-like body
        DropMidBody, // announces a body, sends half of it and closes
        Stall,       // answers only after `delayMs`
        Huge,        // a body of `bytes` bytes, sent chunked without a length
    };
    Kind kind = Kind::NotFound;
    int delayMs = 0;
    std::int64_t bytes = 0;
};

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
// answers at /player2.swf and /get_video.php.
class SiteServer
{
public:
    SiteServer();
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
    // Answers requests for exactly `target` (path and query as sent) with
    // `status` and `body`, in place of whatever the site serves there.
    void setAnswer(const std::string &target, int status, std::string body,
                   std::string contentType = "text/html");

    std::vector<Request> requests() const;

private:
    struct User
    {
        std::vector<Video> videos;
        std::string countText;
        bool noVideos = false;
    };

    void serveProfile(const std::string &user, int page, const std::string &host,
                      httplib::Response &res);
    std::optional<std::string> pageBody(const std::string &user, int page, const std::string &host);
    void waitOrStop(int delayMs);
    std::optional<Video> findVideo(const std::string &id) const;

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stopping = false;
    std::map<std::string, User> m_users;
    std::map<std::pair<std::string, int>, std::string> m_pages;
    std::map<int, Fault> m_faults;
    struct Answer
    {
        int status = 200;
        std::string body;
        std::string contentType;
    };
    std::map<std::string, Answer> m_answers;
    std::vector<Request> m_requests;
};

} // namespace vidfolio::site
