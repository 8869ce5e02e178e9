#pragma once

#include <QRect>
#include <QScrollBar>

#include <optional>
#include <tuple>

namespace vidfolio::ui {

// A scroll bar that repaints on a change of range only when the change shows.
// Appending rows lengthens the range each time; once the slider is at its
// shortest, that moves no pixel, yet a plain scroll bar would repaint itself,
// and every widget that shows through it, on each append.
class QuietScrollBar final : public QScrollBar
{
public:
    explicit QuietScrollBar(Qt::Orientation orientation) : QScrollBar(orientation) {}

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // What the painted bar depends on besides the style: where the slider
    // is, and whether the arrows at either end can still move it.
    using Look = std::tuple<QRect, bool, bool>;

    Look look() const;

    std::optional<Look> m_shown;
};

} // namespace vidfolio::ui
