#pragma once

#include <QLayout>
#include <QObject>
#include <QSize>

class QWidget;

namespace vidfolio::ui {

// Lets a window of a fixed size take the size a maximized or full-screen
// state gives it, its controls staying where its layout puts them, and gives
// it its fixed size back in every other state. A title bar drawn by the
// toolkit (on Wayland) offers maximize whatever the window's size hints say,
// and asks the compositor for it straight from its window; the compositor
// then requires the window to take the size it gives, and ends the
// connection of a window that keeps its fixed size. Made as a child of the
// window, it goes with it.
class WindowStateFit final : public QObject
{
public:
    explicit WindowStateFit(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fit(Qt::WindowStates states);

    QWidget *m_window;
    bool m_watchingRequests = false;
    // While released: the maximum size and the layout's constraint to give
    // back.
    bool m_released = false;
    QSize m_fixedMaximum;
    QLayout::SizeConstraint m_constraint = QLayout::SetDefaultConstraint;
};

} // namespace vidfolio::ui
