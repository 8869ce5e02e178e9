#include "platform/transfer.h"

#include "platform/runloop.h"

#include <QSocketNotifier>
#include <QTimer>

namespace vidfolio {

// The notifiers of one socket, for the directions libcurl waits on.
struct TransferDriver::Watch
{
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;
};

TransferDriver::TransferDriver(RunLoop &loop)
    : m_loop(loop), m_multi(curl_multi_init()), m_timer(std::make_unique<QTimer>())
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer.get(), &QTimer::timeout, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    if (!m_multi)
        return;
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &TransferDriver::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &TransferDriver::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
}

TransferDriver::~TransferDriver()
{
    // No transfer is left in the multi handle: each one is removed when it
    // ends. Cleaning up closes the kept connections, which may still call
    // onSocket, so the notifiers go after.
    if (m_multi)
        curl_multi_cleanup(m_multi);
}

CURLcode TransferDriver::run(CURL *curl, std::chrono::milliseconds timeLimit, bool &abandoned)
{
    abandoned = false;
    m_retired.clear();
    if (m_loop.stopped()) {
        abandoned = true;
        return CURLE_ABORTED_BY_CALLBACK;
    }
    // One transfer at a time: a download asked for inside another one's
    // wait would take over its handle.
    if (m_current || curl_multi_add_handle(m_multi, curl) != CURLM_OK)
        return CURLE_FAILED_INIT;
    Wait wait(m_loop);
    m_current = curl;
    m_wait = &wait;
    m_done.reset();
    // Adding the handle asked for a timeout at once, which starts the request.
    const WaitEnd end = wait.run(timeLimit);
    m_wait = nullptr;
    m_current = nullptr;
    curl_multi_remove_handle(m_multi, curl);
    m_retired.clear();
    if (m_done)
        return *m_done;
    abandoned = end == WaitEnd::Stopped;
    return abandoned ? CURLE_ABORTED_BY_CALLBACK : CURLE_OPERATION_TIMEDOUT;
}

int TransferDriver::onSocket(CURL *, curl_socket_t socket, int what, void *driver, void *)
{
    static_cast<TransferDriver *>(driver)->watch(socket, what);
    return 0;
}

int TransferDriver::onTimer(CURLM *, long timeoutMs, void *driver)
{
    // libcurl must not be called back from here; the timer acts from the
    // event loop, at once for a timeout of 0.
    QTimer &timer = *static_cast<TransferDriver *>(driver)->m_timer;
    if (timeoutMs < 0)
        timer.stop();
    else
        timer.start(static_cast<int>(std::min<long>(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

void TransferDriver::watch(curl_socket_t socket, int what)
{
    auto found = m_watches.find(socket);
    if (what == CURL_POLL_REMOVE) {
        if (found != m_watches.end()) {
            retire(std::move(found->second));
            m_watches.erase(found);
        }
        return;
    }
    if (found == m_watches.end())
        found = m_watches.emplace(socket, std::make_unique<Watch>()).first;
    Watch &watch = *found->second;
    const auto direction = [&](std::unique_ptr<QSocketNotifier> &notifier,
                               QSocketNotifier::Type type, bool wanted, int event) {
        if (!wanted) {
            if (notifier)
                notifier->setEnabled(false);
            return;
        }
        if (!notifier) {
            notifier = std::make_unique<QSocketNotifier>(socket, type);
            QObject::connect(notifier.get(), &QSocketNotifier::activated,
                             [this, socket, event] { act(socket, event); });
        }
        notifier->setEnabled(true);
    };
    direction(watch.read, QSocketNotifier::Read, what == CURL_POLL_IN || what == CURL_POLL_INOUT,
              CURL_CSELECT_IN);
    direction(watch.write, QSocketNotifier::Write, what == CURL_POLL_OUT || what == CURL_POLL_INOUT,
              CURL_CSELECT_OUT);
}

void TransferDriver::retire(std::unique_ptr<Watch> watch)
{
    for (QSocketNotifier *notifier : {watch->read.get(), watch->write.get()}) {
        if (notifier)
            notifier->setEnabled(false);
    }
    m_retired.push_back(std::move(watch));
}

void TransferDriver::act(curl_socket_t socket, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    int queued = 0;
    while (const CURLMsg *message = curl_multi_info_read(m_multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_current && !m_done) {
            m_done = message->data.result;
            if (m_wait)
                m_wait->finish();
        }
    }
}

} // namespace vidfolio
