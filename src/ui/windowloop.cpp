#include "ui/windowloop.h"

#include <QCoreApplication>
#include <QThread>
#include <QWidget>

#include <algorithm>

namespace vidfolio::ui {

void WindowLoop::pumpEvents()
{
    QCoreApplication::processEvents();
}

void WindowLoop::sleepMs(int ms)
{
    wait(std::chrono::milliseconds(ms));
}

void WindowLoop::turn()
{
    QCoreApplication::processEvents(m_window.isEnabled() ? QEventLoop::ExcludeUserInputEvents
                                                         : QEventLoop::AllEvents);
    m_lastTurn = std::chrono::steady_clock::now();
}

bool WindowLoop::keepAlive()
{
    if (!m_ending && std::chrono::steady_clock::now() - m_lastTurn >= kTurnInterval)
        turn();
    return !m_ending;
}

void WindowLoop::wait(std::chrono::milliseconds duration)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + duration;
    while (keepAlive()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left <= std::chrono::milliseconds(0))
            return;
        QThread::msleep(static_cast<unsigned long>(std::min(left, kTurnInterval).count()));
    }
}

} // namespace vidfolio::ui
