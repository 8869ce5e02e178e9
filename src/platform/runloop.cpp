#include "platform/runloop.h"

#include <QCoreApplication>
#include <QThread>

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

} // namespace vidfolio
