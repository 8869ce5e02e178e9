#include "platform/transfer.h"

#include "platform/bodysink.h"
#include "platform/runloop.h"

#include <curl/curl.h>

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <map>
#include <mutex>
#include <string_view>
#include <vector>

namespace vidfolio {
namespace {

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// libcurl's own time limit ends a request first; the wait's is a safety net.
constexpr std::chrono::milliseconds kWaitMargin{5000};

size_t writeBody(char *data, size_t size, size_t count, void *receiver)
{
    const size_t bytes = size * count;
    return static_cast<BodySink *>(receiver)->receive(data, bytes) ? bytes : 0;
}

// The notifiers of one socket, for the directions libcurl waits on.
struct Watch
{
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;
};

} // namespace

struct Transfer::State
{
    explicit State(RunLoop &loop);
    ~State();
    State(const State &) = delete;
    State &operator=(const State &) = delete;

    // The request's libcurl code; nothing when its wait was stopped.
    std::optional<CURLcode> run(std::chrono::milliseconds timeLimit);

    static int onSocket(CURL *curl, curl_socket_t socket, int what, void *state, void *);
    static int onTimer(CURLM *multi, long timeoutMs, void *state);
    void watch(curl_socket_t socket, int what);
    void act(curl_socket_t socket, int events);
    void retire(std::unique_ptr<Watch> watch);

    RunLoop &loop;
    CURL *easy = nullptr;
    CURLM *multi = nullptr;
    QTimer timer;
    std::map<curl_socket_t, std::unique_ptr<Watch>> watches;
    // Notifiers of sockets libcurl no longer wants watched. They may be the
    // sender of the signal being handled, so they go only between requests.
    std::vector<std::unique_ptr<Watch>> retired;
    // The wait of the request under way; null between requests.
    Wait *wait = nullptr;
    std::optional<CURLcode> done;
};

Transfer::State::State(RunLoop &runLoop) : loop(runLoop)
{
    initCurlOnce();
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    easy = curl_easy_init();
    multi = curl_multi_init();
    if (!easy || !multi)
        return;
    curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &State::onSocket);
    curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &State::onTimer);
    curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);

    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Vidfolio/1.0");
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects go wherever an http or https address points, other hosts and
    // ports included, as in a browser: the site may move pages or serve
    // pictures from elsewhere. Local files and other schemes stay out of
    // reach of what a server answers.
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    // An empty encoding list offers every compression libcurl can undo.
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    // Error answers end the transfer before their bodies are read.
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &writeBody);
}

Transfer::State::~State()
{
    // No request is left in the multi handle: each one is removed when it
    // ends. Cleaning up closes the kept connections, which may still call
    // onSocket, so the notifiers go after; the easy handle goes last.
    if (multi)
        curl_multi_cleanup(multi);
    if (easy)
        curl_easy_cleanup(easy);
}

std::optional<CURLcode> Transfer::State::run(std::chrono::milliseconds timeLimit)
{
    retired.clear();
    // Nothing is asked of the site while the loop is stopped.
    if (loop.stopped())
        return std::nullopt;
    // One request at a time: a download asked for inside another one's
    // wait would take over its handle.
    if (wait || curl_multi_add_handle(multi, easy) != CURLM_OK)
        return CURLE_FAILED_INIT;
    Wait requestWait(loop);
    wait = &requestWait;
    done.reset();
    // Adding the handle asked for a timeout at once, which starts the request.
    const WaitEnd end = requestWait.run(timeLimit);
    wait = nullptr;
    curl_multi_remove_handle(multi, easy);
    retired.clear();
    if (end == WaitEnd::Stopped)
        return std::nullopt;
    return done.value_or(CURLE_OPERATION_TIMEDOUT);
}

int Transfer::State::onSocket(CURL *, curl_socket_t socket, int what, void *state, void *)
{
    static_cast<State *>(state)->watch(socket, what);
    return 0;
}

int Transfer::State::onTimer(CURLM *, long timeoutMs, void *state)
{
    // libcurl must not be called back from here; the timer acts from the
    // event loop, at once for a timeout of 0.
    QTimer &timer = static_cast<State *>(state)->timer;
    if (timeoutMs < 0)
        timer.stop();
    else
        timer.start(static_cast<int>(std::min<long>(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

void Transfer::State::watch(curl_socket_t socket, int what)
{
    auto found = watches.find(socket);
    if (what == CURL_POLL_REMOVE) {
        if (found != watches.end()) {
            retire(std::move(found->second));
            watches.erase(found);
        }
        return;
    }
    if (found == watches.end())
        found = watches.emplace(socket, std::make_unique<Watch>()).first;
    Watch &sockets = *found->second;
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
    direction(sockets.read, QSocketNotifier::Read, what == CURL_POLL_IN || what == CURL_POLL_INOUT,
              CURL_CSELECT_IN);
    direction(sockets.write, QSocketNotifier::Write,
              what == CURL_POLL_OUT || what == CURL_POLL_INOUT, CURL_CSELECT_OUT);
}

void Transfer::State::retire(std::unique_ptr<Watch> watch)
{
    for (QSocketNotifier *notifier : {watch->read.get(), watch->write.get()}) {
        if (notifier)
            notifier->setEnabled(false);
    }
    retired.push_back(std::move(watch));
}

void Transfer::State::act(curl_socket_t socket, int events)
{
    int runningHandles = 0;
    curl_multi_socket_action(multi, socket, events, &runningHandles);
    int queued = 0;
    while (const CURLMsg *message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy && wait && !done) {
            done = message->data.result;
            wait->finish();
        }
    }
}

Transfer::Transfer(RunLoop &loop) : m_state(std::make_unique<State>(loop)) {}

Transfer::~Transfer() = default;
Transfer::Transfer(Transfer &&other) noexcept = default;
Transfer &Transfer::operator=(Transfer &&other) noexcept = default;

bool Transfer::valid() const
{
    return m_state && m_state->easy && m_state->multi;
}

RequestEnd Transfer::run(const std::string &address, const RequestBounds &bounds, BodySink &body)
{
    if (!valid())
        return {Outcome::Failed, CURLE_FAILED_INIT, 0};
    CURL *curl = m_state->easy;
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, bounds.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT,
                     static_cast<long>(bounds.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(bounds.timeLimit.count()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(bounds.stallTimeout.count()));
    // Refuses a body announced larger than the cap before any of it arrives.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(bounds.maxBytes));

    const std::optional<CURLcode> code = m_state->run(bounds.timeLimit + kWaitMargin);
    if (!code)
        return {Outcome::Stopped, 0, 0};
    RequestEnd end{*code == CURLE_OK ? Outcome::Done : Outcome::Failed, *code, 0};
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &end.httpStatus);
    return end;
}

std::optional<std::string> Transfer::header(const char *name) const
{
    curl_header *found = nullptr;
    if (!valid() || curl_easy_header(m_state->easy, name, 0, CURLH_HEADER, -1, &found) != CURLHE_OK)
        return std::nullopt;
    return std::string(found->value);
}

bool Transfer::endedAtHttpAddress() const
{
    const char *address = nullptr;
    if (!valid() ||
        curl_easy_getinfo(m_state->easy, CURLINFO_EFFECTIVE_URL, &address) != CURLE_OK || !address)
        return true;
    const std::string_view scheme = std::string_view(address).substr(0, 8);
    return scheme.starts_with("http://") || scheme.starts_with("https://");
}

long Transfer::certificateCheck() const
{
    long check = 0;
    if (valid())
        curl_easy_getinfo(m_state->easy, CURLINFO_SSL_VERIFYRESULT, &check);
    return check;
}

} // namespace vidfolio
