#include "platform/endsignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace vidfolio {
namespace {

constexpr int kSignals[] = {SIGINT, SIGHUP, SIGTERM};

// Set while an EndSignals is installed; read by the handler, which may touch
// nothing but lock-free atomics and async-signal-safe calls.
std::atomic<int> g_writeEnd{-1};
std::atomic<int> g_received{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onEndSignal(int signal)
{
    const int savedErrno = errno;
    if (g_received.fetch_add(1) > 0)
        ::_exit(128 + signal);
    const char byte = static_cast<char>(signal);
    // A full pipe already holds a byte the loop will read.
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd.load(), &byte, 1);
    errno = savedErrno;
}

} // namespace

EndSignals::EndSignals(std::function<void()> onEnd) : m_onEnd(std::move(onEnd))
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_received = 0;
    g_writeEnd = ends[1];
    m_notifier = std::make_unique<QSocketNotifier>(ends[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { readPipe(); });

    struct sigaction action = {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    // Calls interrupted by the signal go on; the loop does the work.
    action.sa_flags = SA_RESTART;
    m_installed = true;
    for (const int signal : kSignals)
        m_installed = ::sigaction(signal, &action, nullptr) == 0 && m_installed;
}

EndSignals::~EndSignals()
{
    if (!m_notifier)
        return;
    for (const int signal : kSignals)
        ::signal(signal, SIG_DFL);
    const int readEnd = static_cast<int>(m_notifier->socket());
    m_notifier.reset();
    ::close(readEnd);
    ::close(g_writeEnd.exchange(-1));
}

void EndSignals::readPipe()
{
    char bytes[16];
    while (::read(static_cast<int>(m_notifier->socket()), bytes, sizeof bytes) > 0) {
    }
    // Only the first signal reaches the loop; a second ends the process in
    // the handler.
    m_notifier->setEnabled(false);
    if (m_onEnd)
        m_onEnd();
}

} // namespace vidfolio
