#pragma once

#include <curl/curl.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace vidfolio {

class RunLoop;
class Wait;

// Runs transfers one at a time on a multi handle of its own, which keeps the
// connections they leave open for the next one. The event loop drives them
// through libcurl's socket interface: libcurl names the sockets to watch and
// when it next needs to act, a socket notifier and a timer tell it when that
// has come, and in between the thread's event loop runs as in any wait.
class TransferDriver
{
public:
    explicit TransferDriver(RunLoop &loop);
    ~TransferDriver();
    TransferDriver(const TransferDriver &) = delete;
    TransferDriver &operator=(const TransferDriver &) = delete;

    // False when libcurl could not make the multi handle.
    bool valid() const { return m_multi != nullptr; }
    RunLoop &loop() { return m_loop; }

    // Runs the transfer set up on `curl` to its end. `timeLimit` is only a
    // safety net: libcurl's own time limits, set on `curl`, end it first.
    // When the wait is stopped (the program ends, the command is given up)
    // the transfer is dropped on the spot and `abandoned` set.
    CURLcode run(CURL *curl, std::chrono::milliseconds timeLimit, bool &abandoned);

private:
    struct Watch;

    static int onSocket(CURL *curl, curl_socket_t socket, int what, void *driver, void *);
    static int onTimer(CURLM *multi, long timeoutMs, void *driver);
    void watch(curl_socket_t socket, int what);
    void act(curl_socket_t socket, int events);
    void retire(std::unique_ptr<Watch> watch);

    RunLoop &m_loop;
    CURLM *m_multi = nullptr;
    std::unique_ptr<QTimer> m_timer;
    std::map<curl_socket_t, std::unique_ptr<Watch>> m_watches;
    // Notifiers of sockets libcurl no longer wants watched. They may be the
    // sender of the signal being handled, so they go only between runs.
    std::vector<std::unique_ptr<Watch>> m_retired;
    CURL *m_current = nullptr;
    Wait *m_wait = nullptr;
    std::optional<CURLcode> m_done;
};

} // namespace vidfolio
