#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <unordered_map>

namespace vidfolio::site {

// A site on 127.0.0.1 as fast as a real web server: every answer is rendered
// once, before the first request, and sent in one write on a kept-alive
// connection; a request costs nothing beyond finding its bytes by target.
// One thread serves every connection (epoll). It knows only the users it is
// given, their generated videos, and answers 404 to every other target.
class FastSite
{
public:
    FastSite();
    ~FastSite();
    FastSite(const FastSite &) = delete;
    FastSite &operator=(const FastSite &) = delete;

    // "localhost:PORT".
    std::string host() const;

    // Renders the profile pages of a user of `count` generated videos: the
    // first page and the numbered ones. Call before start().
    void addUser(const std::string &name, std::size_t count);
    void start();

private:
    void serve();
    void addAnswer(const std::string &target, const std::string &body);

    int m_listener = -1;
    int m_wake = -1;
    int m_port = 0;
    std::unordered_map<std::string, std::string> m_answers;
    std::string m_notFound;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

} // namespace vidfolio::site
