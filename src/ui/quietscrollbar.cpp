#include "ui/quietscrollbar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace vidfolio::ui {

void QuietScrollBar::sliderChange(SliderChange change)
{
    if (change == SliderRangeChange && m_shown && look() == *m_shown)
        return;
    QScrollBar::sliderChange(change);
}

void QuietScrollBar::paintEvent(QPaintEvent *event)
{
    m_shown = look();
    QScrollBar::paintEvent(event);
}

void QuietScrollBar::changeEvent(QEvent *event)
{
    // Anything else may change the look: paint afresh next time.
    m_shown.reset();
    QScrollBar::changeEvent(event);
}

void QuietScrollBar::resizeEvent(QResizeEvent *event)
{
    m_shown.reset();
    QScrollBar::resizeEvent(event);
}

QuietScrollBar::Look QuietScrollBar::look() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect slider =
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    return {slider, value() > minimum(), value() < maximum()};
}

} // namespace vidfolio::ui
