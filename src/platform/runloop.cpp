#include "platform/runloop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace vidfolio {

RunLoop::RunLoop() = default;

RunLoop::~RunLoop() = default;

void RunLoop::pumpEvents()
{
    QCoreApplication::processEvents();
}

void RunLoop::sleepMs(int ms)
{
    Wait(*this).run(std::chrono::milliseconds(ms));
}

void RunLoop::runCommand(std::function<void()> command)
{
    if (m_ending)
        return;
    if (m_commandRunning) {
        // Runs below, once the command under way has seen that it was
        // given up and returned.
        m_pending = std::make_unique<std::function<void()>>(std::move(command));
        m_givenUp = true;
        stopWaits();
        return;
    }
    // A command given before one that waited its turn is older than this one.
    m_pending.reset();
    m_commandRunning = true;
    command();
    while (m_pending && !m_ending) {
        const std::unique_ptr<std::function<void()>> next = std::move(m_pending);
        m_givenUp = false;
        (*next)();
    }
    m_pending.reset();
    m_givenUp = false;
    m_commandRunning = false;
}

void RunLoop::end()
{
    if (m_ending)
        return;
    m_ending = true;
    m_pending.reset();
    stopWaits();
}

void RunLoop::stopWaits()
{
    // Copied: a wait leaves the list when its event loop returns, which
    // happens only after this event's handling is over.
    const std::vector<Wait *> waits = m_waits;
    for (Wait *wait : waits)
        wait->stop();
}

WaitEnd Wait::run(std::chrono::milliseconds timeout, bool duringEnd)
{
    if (m_end)
        return *m_end;
    if (m_loop.m_ending ? !duringEnd : m_loop.m_givenUp)
        return WaitEnd::Stopped;

    QEventLoop events;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &events, [this] {
        if (!m_end)
            m_end = WaitEnd::TimedOut;
        m_events->exit();
    });
    timer.start(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX));
    m_events = &events;
    m_loop.m_waits.push_back(this);
    events.exec();
    std::erase(m_loop.m_waits, this);
    m_events = nullptr;
    // An event loop that would not run (the application has already been
    // told to quit) ends the wait as stopped.
    return m_end.value_or(WaitEnd::Stopped);
}

void Wait::finish()
{
    endAs(WaitEnd::Done);
}

void Wait::stop()
{
    endAs(WaitEnd::Stopped);
}

void Wait::endAs(WaitEnd end)
{
    // The first end counts: a stop after the transfer has ended is too late.
    if (m_end)
        return;
    m_end = end;
    if (m_events)
        m_events->exit();
}

} // namespace vidfolio
