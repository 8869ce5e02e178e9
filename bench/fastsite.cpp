#include "fastsite.h"

#include "sitepages.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string_view>

namespace vidfolio::site {
namespace {

std::string answer(const char *status, const std::string &body)
{
    return std::string("HTTP/1.1 ") + status +
           "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A connection's requests not yet answered, and the rest of an answer the
// socket did not take at once.
struct Connection
{
    std::string in;
    std::string out;
};

} // namespace

FastSite::FastSite()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
        ::listen(m_listener, 128) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        throw std::runtime_error("the fast site cannot listen");
    m_port = ntohs(address.sin_port);
    m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m_notFound = answer("404 Not Found", "<html><body>Not found</body></html>");
}

FastSite::~FastSite()
{
    m_stopping = true;
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
        m_thread.join();
    }
    ::close(m_wake);
    ::close(m_listener);
}

std::string FastSite::host() const
{
    return "localhost:" + std::to_string(m_port);
}

void FastSite::addAnswer(const std::string &target, const std::string &body)
{
    m_answers[target] = answer("200 OK", body);
}

void FastSite::addUser(const std::string &name, std::size_t count)
{
    const std::vector<Video> videos = generatedVideos(name, count);
    const std::string target = "/profile_videos?user=" + name;
    addAnswer(target, firstProfilePage(name, std::to_string(count)));
    // The numbered pages hold ten videos each, as the listing expects.
    for (std::size_t begin = 0, page = 1; begin < count; begin += 10, ++page) {
        const std::vector<Video> onPage(videos.begin() + begin,
                                        videos.begin() + std::min(count, begin + 10));
        addAnswer(target + "&page=" + std::to_string(page),
                  numberedProfilePage(name, onPage, "http://" + host()));
    }
}

void FastSite::start()
{
    m_thread = std::thread([this] { serve(); });
}

void FastSite::serve()
{
    const int poll = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = m_listener;
    ::epoll_ctl(poll, EPOLL_CTL_ADD, m_listener, &event);
    event.data.fd = m_wake;
    ::epoll_ctl(poll, EPOLL_CTL_ADD, m_wake, &event);
    std::unordered_map<int, Connection> connections;

    const auto drop = [&](int fd) {
        ::epoll_ctl(poll, EPOLL_CTL_DEL, fd, nullptr);
        ::close(fd);
        connections.erase(fd);
    };
    // Sends what the connection owes; true while it stays open.
    const auto flush = [&](int fd, Connection &connection) {
        while (!connection.out.empty()) {
            const ssize_t sent =
                ::send(fd, connection.out.data(), connection.out.size(), MSG_NOSIGNAL);
            if (sent < 0)
                return errno == EAGAIN || errno == EWOULDBLOCK;
            connection.out.erase(0, static_cast<std::size_t>(sent));
        }
        return true;
    };
    // Answers every whole request received so far, pipelined ones included.
    const auto answerRequests = [&](Connection &connection) {
        std::size_t end;
        while ((end = connection.in.find("\r\n\r\n")) != std::string::npos) {
            const std::string_view head(connection.in.data(), end);
            const std::size_t from = head.find(' ') + 1;
            const std::size_t to = head.find(' ', from);
            const std::string target(head.substr(from, to - from));
            const auto found = m_answers.find(target);
            connection.out += found != m_answers.end() ? found->second : m_notFound;
            connection.in.erase(0, end + 4);
        }
    };

    epoll_event ready[64];
    char buffer[16384];
    while (!m_stopping) {
        const int count = ::epoll_wait(poll, ready, 64, -1);
        for (int i = 0; i < count; ++i) {
            const int fd = ready[i].data.fd;
            if (fd == m_wake)
                continue;
            if (fd == m_listener) {
                int accepted;
                while ((accepted = ::accept4(m_listener, nullptr, nullptr,
                                             SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0) {
                    const int yes = 1;
                    ::setsockopt(accepted, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
                    event.events = EPOLLIN | EPOLLOUT | EPOLLET;
                    event.data.fd = accepted;
                    ::epoll_ctl(poll, EPOLL_CTL_ADD, accepted, &event);
                    connections[accepted];
                }
                continue;
            }
            Connection &connection = connections[fd];
            bool open = true;
            for (;;) {
                const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
                if (got > 0) {
                    connection.in.append(buffer, static_cast<std::size_t>(got));
                    continue;
                }
                open = got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
                break;
            }
            answerRequests(connection);
            if (!flush(fd, connection) || !open)
                drop(fd);
        }
    }
    for (const auto &[fd, connection] : connections)
        ::close(fd);
    ::close(poll);
}

} // namespace vidfolio::site
