#include "platform/runloop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <algorithm>

namespace vidfolio {

void QtRunLoop::pumpEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void QtRunLoop::sleepMs(int ms)
{
    QThread::msleep(static_cast<unsigned long>(ms));
}

void QtRunLoop::wait(std::chrono::milliseconds duration)
{
    using Clock = std::chrono::steady_clock;
    // Short enough for the window to feel alive, long enough to cost nothing.
    constexpr std::chrono::milliseconds kSlice(15);
    const Clock::time_point end = Clock::now() + duration;
    for (;;) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left <= std::chrono::milliseconds(0))
            return;
        QThread::msleep(static_cast<unsigned long>(std::min(left, kSlice).count()));
    }
}

} // namespace vidfolio
