#include "platform/runloop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace vidfolio {

RunLoop::RunLoop() = default;

RunLoop::~RunLoop() = default;

WaitEnd RunLoop::pumpEvents()
{
    if (!m_stopped)
        handleEvents();
    return m_stopped ? WaitEnd::Stopped : WaitEnd::Done;
}

WaitEnd RunLoop::sleepMs(int ms)
{
    if (!m_stopped)
        pause(ms);
    return m_stopped ? WaitEnd::Stopped : WaitEnd::Done;
}

void RunLoop::handleEvents()
{
    QCoreApplication::processEvents();
}

void RunLoop::pause(int ms)
{
    [[maybe_unused]] const WaitEnd end = Wait(*this).run(std::chrono::milliseconds(ms));
}

void RunLoop::stop()
{
    m_stopped = true;
    // Copied: a wait leaves the list when its event loop returns, which
    // happens only after this event's handling is over.
    const std::vector<Wait *> waits = m_waits;
    for (Wait *wait : waits)
        wait->endAs(WaitEnd::Stopped);
}

void RunLoop::resume()
{
    m_stopped = false;
}

WaitEnd Wait::run(std::chrono::milliseconds timeout)
{
    if (m_loop.m_stopped)
        return WaitEnd::Stopped;
    if (m_end)
        return *m_end;

    QEventLoop events;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &events, [this] { endAs(WaitEnd::TimedOut); });
    timer.start(
        static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX)));
    m_events = &events;
    m_loop.m_waits.push_back(this);
    events.exec();
    std::erase(m_loop.m_waits, this);
    m_events = nullptr;
    // The stop may have been raised in the same pass as the event that ended
    // the wait: the step that waited must not go on all the same.
    if (m_loop.m_stopped)
        return WaitEnd::Stopped;
    // An event loop that would not run (the application has already been
    // told to quit) ends the wait as stopped.
    return m_end.value_or(WaitEnd::Stopped);
}

void Wait::finish()
{
    endAs(WaitEnd::Done);
}

void Wait::endAs(WaitEnd end)
{
    // The first end counts: a stop after the transfer has ended is too late
    // to change it, though run still reports the stop.
    if (m_end)
        return;
    m_end = end;
    if (m_events)
        m_events->exit();
}

} // namespace vidfolio
