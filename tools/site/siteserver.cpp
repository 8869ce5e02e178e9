#include "siteserver.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace vidfolio::site {

SiteServer::SiteServer() : m_server(std::make_unique<httplib::Server>())
{
    m_server->set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
        std::lock_guard lock(m_mutex);
        m_requests.push_back({req.get_header_value("Host"), req.target, req.remote_port,
                              req.get_header_value("Accept-Encoding")});
        const auto answer = m_answers.find(req.target);
        if (answer == m_answers.end())
            return httplib::Server::HandlerResponse::Unhandled;
        res.status = answer->second.status;
        res.set_content(answer->second.body, answer->second.contentType);
        return httplib::Server::HandlerResponse::Handled;
    });
    m_server->Get("/profile_videos", [this](const httplib::Request &req, httplib::Response &res) {
        int page = 0;
        if (req.has_param("page")) {
            try {
                page = std::stoi(req.get_param_value("page"));
            } catch (const std::exception &) {
                page = -1;
            }
        }
        serveProfile(req.get_param_value("user"), page, req.get_header_value("Host"), res);
    });
    m_server->Get("/watch", [this](const httplib::Request &req, httplib::Response &res) {
        if (const auto video = findVideo(req.get_param_value("v")))
            res.set_content(watchPage(*video), "text/html; charset=utf-8");
        else
            res.status = 404;
    });
    m_server->Get(R"(/vi/([^/]+)/([123])\.jpg)", [this](const httplib::Request &req,
                                                        httplib::Response &res) {
        if (findVideo(req.matches[1]))
            res.set_content(thumbnailJpeg(req.matches[1], std::stoi(req.matches[2])), "image/jpeg");
        else
            res.status = 404;
    });
    for (const char *path : {"/player2.swf", "/get_video.php"}) {
        m_server->Get(path, [path](const httplib::Request &req, httplib::Response &res) {
            res.set_content(std::string(path) + " for video_id=" + req.get_param_value("video_id") +
                                "\n",
                            "text/plain");
        });
    }
    m_server->Get("/redirect", [](const httplib::Request &req, httplib::Response &res) {
        res.set_redirect(req.get_param_value("to"));
    });
    m_server->Get("/loop", [](const httplib::Request &, httplib::Response &res) {
        res.set_redirect("/loop");
    });
    // Like a real site, keep a connection open for many requests.
    m_server->set_keep_alive_max_count(100000);
    // Headers and body go out in separate writes; without this, delayed
    // acknowledgements hold every answer back by tens of milliseconds.
    m_server->set_tcp_nodelay(true);
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        throw std::runtime_error("cannot bind a port on 127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

SiteServer::~SiteServer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_stopped.notify_all();
    m_server->stop();
    m_thread.join();
}

std::string SiteServer::host() const
{
    return "localhost:" + std::to_string(m_port);
}

void SiteServer::addUser(const std::string &name, std::vector<Video> videos)
{
    const std::string count = std::to_string(videos.size());
    addUser(name, std::move(videos), count);
}

void SiteServer::addUser(const std::string &name, std::vector<Video> videos,
                         const std::string &countText)
{
    std::lock_guard lock(m_mutex);
    m_users[name] = User{std::move(videos), countText, false};
}

void SiteServer::addUserWithoutVideos(const std::string &name)
{
    std::lock_guard lock(m_mutex);
    m_users[name] = User{{}, "0", true};
}

void SiteServer::setPage(const std::string &user, int page, std::string body)
{
    std::lock_guard lock(m_mutex);
    m_pages[{user, page}] = std::move(body);
}

void SiteServer::setFault(int page, Fault fault)
{
    std::lock_guard lock(m_mutex);
    m_faults[page] = fault;
}

void SiteServer::setAnswer(const std::string &target, int status, std::string body,
                           std::string contentType)
{
    std::lock_guard lock(m_mutex);
    m_answers[target] = Answer{status, std::move(body), std::move(contentType)};
}

std::vector<Request> SiteServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::optional<Video> SiteServer::findVideo(const std::string &id) const
{
    std::lock_guard lock(m_mutex);
    for (const auto &[name, user] : m_users) {
        for (const Video &video : user.videos) {
            if (video.id == id)
                return video;
        }
    }
    return std::nullopt;
}

void SiteServer::waitOrStop(int delayMs)
{
    std::unique_lock lock(m_mutex);
    m_stopped.wait_for(lock, std::chrono::milliseconds(delayMs), [this] { return m_stopping; });
}

std::optional<std::string> SiteServer::pageBody(const std::string &user, int page,
                                                const std::string &host)
{
    std::lock_guard lock(m_mutex);
    if (const auto set = m_pages.find({user, page}); set != m_pages.end())
        return set->second;
    const auto found = m_users.find(user);
    if (found == m_users.end())
        return unknownUserPage(user);
    const User &u = found->second;
    if (page == 0)
        return u.noVideos ? noVideosPage(user) : firstProfilePage(user, u.countText);
    if (page < 0)
        return std::nullopt;
    const std::size_t begin = std::min(u.videos.size(), std::size_t(page - 1) * 10);
    const std::size_t end = std::min(u.videos.size(), begin + 10);
    const std::vector<Video> onPage(u.videos.begin() + begin, u.videos.begin() + end);
    return numberedProfilePage(user, onPage, "http://" + host);
}

void SiteServer::serveProfile(const std::string &user, int page, const std::string &host,
                              httplib::Response &res)
{
    std::optional<Fault> fault;
    {
        std::lock_guard lock(m_mutex);
        if (const auto f = m_faults.find(page); f != m_faults.end())
            fault = f->second;
    }
    const std::optional<std::string> body = pageBody(user, page, host);
    if (!body) {
        res.status = 404;
        res.set_content("<html><body>No such page</body></html>", "text/html");
        return;
    }
    if (!fault) {
        res.set_content(*body, "text/html; charset=utf-8");
        return;
    }
    switch (fault->kind) {
    case Fault::Kind::NotFound:
        res.status = 404;
        res.set_content(*body, "text/html");
        break;
    case Fault::Kind::ServerError:
        res.status = 500;
        res.set_content(*body, "text/html");
        break;
    case Fault::Kind::DropMidBody: {
        const std::string half = body->substr(0, body->size() / 2);
        res.set_content_provider(body->size(), "text/html",
                                 [half](size_t offset, size_t, httplib::DataSink &sink) {
                                     if (offset < half.size())
                                         sink.write(half.data() + offset, half.size() - offset);
                                     return offset < half.size();
                                 });
        break;
    }
    case Fault::Kind::Stall:
        waitOrStop(fault->delayMs);
        res.set_content(*body, "text/html");
        break;
    case Fault::Kind::Huge: {
        const auto total = static_cast<std::size_t>(fault->bytes);
        res.set_chunked_content_provider(
            "text/html", [total](size_t offset, httplib::DataSink &sink) {
                static const std::string chunk(64 * 1024, 'x');
                if (offset >= total) {
                    sink.done();
                    return true;
                }
                return sink.write(chunk.data(), std::min(total - offset, chunk.size()));
            });
        break;
    }
    }
}

} // namespace vidfolio::site
