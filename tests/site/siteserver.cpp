#include "siteserver.h"

#include "hostilebodies.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <utility>

namespace vidfolio::site {
namespace {

// The page number of a profile request: 0 without one, -1 when unreadable.
int profilePage(const httplib::Request &req)
{
    if (!req.has_param("page"))
        return 0;
    try {
        return std::stoi(req.get_param_value("page"));
    } catch (const std::exception &) {
        return -1;
    }
}

// The bytes huge bodies are made of.
const std::string &filler()
{
    static const std::string chunk(64 * 1024, 'x');
    return chunk;
}

// The descriptor of this server's side of the connection from `remotePort`;
// -1 when there is none.
int connectionSocket(int localPort, int remotePort)
{
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        int fd = -1;
        try {
            fd = std::stoi(entry.path().filename().string());
        } catch (const std::exception &) {
            continue;
        }
        sockaddr_in local{};
        sockaddr_in peer{};
        socklen_t size = sizeof local;
        if (getsockname(fd, reinterpret_cast<sockaddr *>(&local), &size) != 0 ||
            local.sin_family != AF_INET || ntohs(local.sin_port) != localPort)
            continue;
        size = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &size) != 0 ||
            ntohs(peer.sin_port) != remotePort)
            continue;
        return fd;
    }
    return -1;
}

// Swaps the socket under `fd` for a fresh unconnected one: the connection
// is closed at once (with a FIN after what was written, or a reset when
// lingering is off), what the server writes there afterwards goes nowhere,
// and the server later closes the stand-in as usual.
void detachConnection(int fd)
{
    const int standIn = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (standIn >= 0) {
        dup2(standIn, fd);
        close(standIn);
    }
}

// Ends this server's side of the connection from `remotePort` with a reset
// (RST) where a close would send FIN. Nothing happens when the connection is
// not found.
void resetConnection(int localPort, int remotePort)
{
    const int fd = connectionSocket(localPort, remotePort);
    if (fd < 0)
        return;
    const linger noLinger{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
    detachConnection(fd);
}

// Whether the client of the connection from `remotePort` has closed its
// side, or the connection is gone.
bool clientHungUp(int localPort, int remotePort)
{
    const int fd = connectionSocket(localPort, remotePort);
    if (fd < 0)
        return true;
    char byte;
    return recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

// Writes `answer`, a whole HTTP answer, to the connection from `remotePort`
// past the server, and closes the connection after it. Some versions of
// cpp-httplib leave out a header whose value starts or ends with a space;
// this puts such a header on the wire as it is.
void answerRaw(int localPort, int remotePort, const std::string &answer)
{
    const int fd = connectionSocket(localPort, remotePort);
    if (fd < 0)
        return;
    for (std::size_t sent = 0; sent < answer.size();) {
        const ssize_t n = send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    detachConnection(fd);
}

} // namespace

Fault refusal(Fault::Kind kind, std::string retryAfter, int times)
{
    return Fault{.kind = kind, .retryAfter = std::move(retryAfter), .times = times};
}

// How many times releaseHeld() had been called when the request this thread
// answers was logged. A held answer waits for a release after that one: a
// test that sees the request logged and releases it at once lets it go, even
// when it releases before the answer has reached its hold.
static thread_local int t_releasesAtArrival = 0;

SiteServer::SiteServer(int port) : m_server(std::make_unique<httplib::Server>())
{
    m_server->set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back({req.get_header_value("Host"), req.target, req.remote_port,
                                  req.get_header_value("Accept-Encoding")});
            t_releasesAtArrival = m_releases;
            const auto answer = m_answers.find(req.target);
            if (answer == m_answers.end())
                return httplib::Server::HandlerResponse::Unhandled;
            res.status = answer->second.status;
            res.set_content(answer->second.body, answer->second.contentType);
        }
        if (const auto fault = takeFault(req))
            applyFault(*fault, req, res);
        return httplib::Server::HandlerResponse::Handled;
    });
    get("/profile_videos", [this](const httplib::Request &req, httplib::Response &res) {
        serveProfile(req.get_param_value("user"), profilePage(req), req.get_header_value("Host"),
                     res);
    });
    get("/watch", [this](const httplib::Request &req, httplib::Response &res) {
        if (const auto video = findVideo(req.get_param_value("v")))
            res.set_content(watchPage(*video), "text/html; charset=utf-8");
        else
            res.status = 404;
    });
    get(R"(/vi/([^/]+)/([123])\.jpg)", [this](const httplib::Request &req, httplib::Response &res) {
        if (findVideo(req.matches[1]))
            res.set_content(thumbnailJpeg(req.matches[1], std::stoi(req.matches[2])), "image/jpeg");
        else
            res.status = 404;
    });
    for (const char *path : {"/player2.swf", "/get_video.php"}) {
        get(path, [path](const httplib::Request &req, httplib::Response &res) {
            res.set_content(std::string(path) + " for video_id=" + req.get_param_value("video_id") +
                                "\n",
                            "text/plain");
        });
    }
    get("/redirect", [](const httplib::Request &req, httplib::Response &res) {
        res.set_redirect(req.get_param_value("to"));
    });
    get("/loop",
        [](const httplib::Request &, httplib::Response &res) { res.set_redirect("/loop"); });
    // Last, so that a fault set on any other target applies too.
    get(".*", [](const httplib::Request &, httplib::Response &res) {
        res.status = 404;
        res.set_content("<html><body>Not found</body></html>", "text/html");
    });
    // Like a real site, keep a connection open for many requests.
    m_server->set_keep_alive_max_count(100000);
    // Headers and body go out in separate writes; without this, delayed
    // acknowledgements hold every answer back by tens of milliseconds.
    m_server->set_tcp_nodelay(true);
    if (port > 0) {
        // Without httplib's SO_REUSEPORT, which would let this server share
        // the port with another that listens there already.
        m_server->set_socket_options([](socket_t sock) {
            int yes = 1;
            ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
        if (m_server->bind_to_port("127.0.0.1", port))
            m_port = port;
    }
    if (m_port <= 0)
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
    m_faults[page] = FaultSlot{std::move(fault)};
}

void SiteServer::setFaultAt(const std::string &target, Fault fault)
{
    std::lock_guard lock(m_mutex);
    m_targetFaults[target] = FaultSlot{std::move(fault)};
}

void SiteServer::setAnswer(const std::string &target, int status, std::string body,
                           std::string contentType)
{
    std::lock_guard lock(m_mutex);
    m_answers[target] = Answer{status, std::move(body), std::move(contentType)};
}

void SiteServer::clearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
    m_targetFaults.clear();
}

std::vector<Request> SiteServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::size_t SiteServer::requestsFor(const std::string &target) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(
        std::count_if(m_requests.begin(), m_requests.end(),
                      [&](const Request &request) { return request.target == target; }));
}

void SiteServer::get(const std::string &pattern,
                     std::function<void(const httplib::Request &, httplib::Response &)> handler)
{
    m_server->Get(pattern, [this, handler = std::move(handler)](const httplib::Request &req,
                                                                httplib::Response &res) {
        handler(req, res);
        if (const auto fault = takeFault(req))
            applyFault(*fault, req, res);
    });
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

bool SiteServer::waitOrStop(int delayMs)
{
    std::unique_lock lock(m_mutex);
    return m_stopped.wait_for(lock, std::chrono::milliseconds(delayMs),
                              [this] { return m_stopping; });
}

bool SiteServer::stopping() const
{
    std::lock_guard lock(m_mutex);
    return m_stopping;
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
    if (const std::optional<std::string> body = pageBody(user, page, host)) {
        res.set_content(*body, "text/html; charset=utf-8");
    } else {
        res.status = 404;
        res.set_content("<html><body>No such page</body></html>", "text/html");
    }
}

std::optional<Fault> SiteServer::takeFault(const httplib::Request &req)
{
    std::lock_guard lock(m_mutex);
    FaultSlot *slot = nullptr;
    if (const auto found = m_targetFaults.find(req.target); found != m_targetFaults.end()) {
        slot = &found->second;
    } else if (req.path == "/profile_videos") {
        if (const auto found = m_faults.find(profilePage(req)); found != m_faults.end())
            slot = &found->second;
    }
    if (!slot || (slot->fault.times > 0 && slot->used >= slot->fault.times))
        return std::nullopt;
    ++slot->used;
    return slot->fault;
}

void SiteServer::applyFault(const Fault &fault, const httplib::Request &req, httplib::Response &res)
{
    // The normal answer, which some faults deliver badly.
    const std::string body = res.body.empty() ? std::string(" ") : res.body;
    std::string type = res.get_header_value("Content-Type");
    if (type.empty())
        type = "text/html";
    res.body.clear();
    res.headers.erase("Content-Type");

    switch (fault.kind) {
    case Fault::Kind::NotFound:
        res.status = 404;
        res.set_content(body, type);
        break;
    case Fault::Kind::ServerError:
        res.status = 500;
        res.set_content(body, type);
        break;
    case Fault::Kind::DropMidBody:
    case Fault::Kind::ResetMidBody: {
        const std::string half = body.substr(0, body.size() / 2);
        const bool reset = fault.kind == Fault::Kind::ResetMidBody;
        res.set_content_provider(body.size(), type,
                                 [this, half, reset, remotePort = req.remote_port](
                                     size_t offset, size_t, httplib::DataSink &sink) {
                                     if (offset < half.size())
                                         return sink.write(half.data() + offset,
                                                           half.size() - offset);
                                     if (reset)
                                         resetConnection(m_port, remotePort);
                                     return false;
                                 });
        break;
    }
    case Fault::Kind::Stall:
        // In slices, so that a client that hung up frees the server's thread.
        for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(fault.delayMs);
             std::chrono::steady_clock::now() < end;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (waitOrStop(static_cast<int>(std::min<std::int64_t>(left.count(), 200))) ||
                clientHungUp(m_port, req.remote_port))
                break;
        }
        res.set_content(body, type);
        break;
    case Fault::Kind::StallAfterHeaders:
        res.set_content_provider(
            body.size(), type,
            [this, body, delay = fault.delayMs](size_t offset, size_t, httplib::DataSink &sink) {
                if (offset == 0 && waitOrStop(delay))
                    return false;
                return sink.write(body.data() + offset, body.size() - offset);
            });
        break;
    case Fault::Kind::Drip:
        res.set_content_provider(body.size(), type,
                                 [this, body, delay = fault.delayMs > 0 ? fault.delayMs : 1000](
                                     size_t offset, size_t, httplib::DataSink &sink) {
                                     if (offset > 0 && waitOrStop(delay))
                                         return false;
                                     return sink.write(body.data() + offset, 1);
                                 });
        break;
    case Fault::Kind::Huge: {
        const auto total = static_cast<std::size_t>(fault.bytes);
        res.set_chunked_content_provider(
            // A type the server does not compress: deflating gigabytes on the
            // fly would take seconds, and the wire should carry them all.
            "application/octet-stream", [this, total](size_t offset, httplib::DataSink &sink) {
                if (offset >= total) {
                    sink.done();
                    return true;
                }
                return !stopping() &&
                       sink.write(filler().data(), std::min(total - offset, filler().size()));
            });
        break;
    }
    case Fault::Kind::HugeWithLength:
        res.set_content_provider(static_cast<std::size_t>(fault.bytes), "text/html",
                                 [this](size_t, size_t length, httplib::DataSink &sink) {
                                     return !stopping() &&
                                            sink.write(filler().data(),
                                                       std::min(length, filler().size()));
                                 });
        break;
    case Fault::Kind::GzipBomb: {
        constexpr std::int64_t kMebibyte = 1024 * 1024;
        const auto bomb =
            std::make_shared<const GzipBomb>(gzipBomb((fault.bytes + kMebibyte - 1) / kMebibyte));
        res.set_header("Content-Encoding", "gzip");
        res.set_content_provider(
            static_cast<std::size_t>(bomb->size()), "text/html",
            [this, bomb](size_t offset, size_t length, httplib::DataSink &sink) {
                char buffer[64 * 1024];
                const std::size_t n = bomb->copy(static_cast<std::int64_t>(offset), buffer,
                                                 std::min(length, sizeof buffer));
                return !stopping() && n > 0 && sink.write(buffer, n);
            });
        break;
    }
    case Fault::Kind::Redirect:
        res.set_redirect(fault.location);
        break;
    case Fault::Kind::RedirectLoop:
        res.set_redirect(req.target);
        break;
    case Fault::Kind::TooManyRequests:
    case Fault::Kind::Unavailable:
        res.status = fault.kind == Fault::Kind::TooManyRequests ? 429 : 503;
        res.set_content("<html><body>Busy, come back later</body></html>", "text/html");
        if (!fault.retryAfter.empty() &&
            (fault.retryAfter.front() == ' ' || fault.retryAfter.back() == ' ')) {
            const std::string content = res.body;
            answerRaw(m_port, req.remote_port,
                      "HTTP/1.1 " + std::to_string(res.status) +
                          (res.status == 429 ? " Too Many Requests" : " Service Unavailable") +
                          "\r\nRetry-After: " + fault.retryAfter +
                          "\r\nContent-Type: text/html\r\nContent-Length: " +
                          std::to_string(content.size()) + "\r\nConnection: close\r\n\r\n" +
                          content);
        } else if (!fault.retryAfter.empty()) {
            res.set_header("Retry-After", fault.retryAfter);
        }
        break;
    case Fault::Kind::NotAPicture:
        res.status = 200;
        res.set_content("<html><body>No picture here</body></html>", type);
        break;
    case Fault::Kind::GiantPicture:
        res.status = 200;
        res.set_content(oversizedJpeg(30000, 30000), "image/jpeg");
        break;
    case Fault::Kind::Truncated:
        res.status = 200;
        res.set_content(body.substr(0, body.size() / 2), type);
        break;
    case Fault::Kind::Held: {
        std::lock_guard lock(m_mutex);
        ++m_held;
        // Counted off once: when its body is written, or when the client hung
        // up before that.
        const auto counted = std::make_shared<bool>(true);
        const auto countOff = [this, counted] {
            if (std::exchange(*counted, false))
                --m_held;
            m_stopped.notify_all();
        };
        res.set_content_provider(
            body.size(), type,
            [this, body, countOff, releases = t_releasesAtArrival](size_t offset, size_t,
                                                                   httplib::DataSink &sink) {
                std::unique_lock lock(m_mutex);
                if (offset == 0)
                    m_stopped.wait(lock, [&] { return m_stopping || m_releases > releases; });
                lock.unlock();
                const bool written = sink.write(body.data() + offset, body.size() - offset);
                lock.lock();
                countOff();
                return written;
            },
            [this, countOff](bool) {
                std::lock_guard lock(m_mutex);
                countOff();
            });
        break;
    }
    }
}

void SiteServer::releaseHeld()
{
    std::unique_lock lock(m_mutex);
    ++m_releases;
    m_stopped.notify_all();
    m_stopped.wait(lock, [this] { return m_stopping || m_held == 0; });
}

} // namespace vidfolio::site
