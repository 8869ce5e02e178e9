#pragma once

#include "siteserver.h"

#include <QTimer>

#include <cstddef>
#include <functional>
#include <string>

namespace vidfolio::test {

// Runs `action` once, in a turn of the event loop, as soon as the site has
// seen `count` requests for `target`: a look at the window or the files
// while the code under test waits for that answer. It polls while it lives.
class OnRequest
{
public:
    OnRequest(const site::SiteServer &server, std::string target, std::size_t count,
              std::function<void()> action)
    {
        m_poll.setInterval(2);
        QObject::connect(
            &m_poll, &QTimer::timeout,
            [this, &server, target = std::move(target), count, action = std::move(action)] {
                if (server.requestsFor(target) < count)
                    return;
                m_poll.stop();
                m_ran = true;
                action();
            });
        m_poll.start();
    }
    OnRequest(const OnRequest &) = delete;
    OnRequest &operator=(const OnRequest &) = delete;

    bool ran() const { return m_ran; }

private:
    QTimer m_poll;
    bool m_ran = false;
};

} // namespace vidfolio::test
