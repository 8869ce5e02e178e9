#include "ui/windowstatefit.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace vidfolio::ui {

WindowStateFit::WindowStateFit(QWidget *window) : QObject(window), m_window(window)
{
    window->installEventFilter(this);
}

bool WindowStateFit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window)
        return false;
    if (event->type() == QEvent::Show && !m_watchingRequests && m_window->windowHandle()) {
        // The request is seen here, before the compositor answers it.
        connect(m_window->windowHandle(), &QWindow::windowStateChanged, this,
                [this](Qt::WindowState state) {
                    if (state == Qt::WindowMaximized || state == Qt::WindowFullScreen)
                        fit(state);
                });
        m_watchingRequests = true;
    } else if (event->type() == QEvent::WindowStateChange) {
        // The fixed size comes back once the window system has taken the
        // window out of the maximized state, not as soon as that is asked
        // for: until then the window must keep the size of that state.
        fit(m_window->windowState());
    }
    return false;
}

void WindowStateFit::fit(Qt::WindowStates states)
{
    QLayout *layout = m_window->layout();
    if (states & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        if (m_released)
            return;
        m_fixedMaximum = m_window->maximumSize();
        m_constraint = layout ? layout->sizeConstraint() : QLayout::SetDefaultConstraint;
        if (layout && m_constraint == QLayout::SetFixedSize)
            layout->setSizeConstraint(QLayout::SetDefaultConstraint);
        m_window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        m_released = true;
    } else if (m_released) {
        m_window->setMaximumSize(m_fixedMaximum);
        if (layout) {
            layout->setSizeConstraint(m_constraint);
            // At once, not at the next layout pass: the size goes with the
            // state.
            layout->activate();
        }
        m_released = false;
    }
}

} // namespace vidfolio::ui
