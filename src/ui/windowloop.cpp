#include "ui/windowloop.h"

#include "platform/downloader.h"

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

bool WindowLoop::keepAlive()
{
    if (!m_ending) {
        QCoreApplication::processEvents(m_window.isEnabled() ? QEventLoop::ExcludeUserInputEvents
                                                             : QEventLoop::AllEvents);
    }
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
        // As often as a download turns the window's events.
        QThread::msleep(
            static_cast<unsigned long>(std::min(left, Downloader::kPollInterval).count()));
    }
}

} // namespace vidfolio::ui
