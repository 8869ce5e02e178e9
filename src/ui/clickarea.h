#pragma once

#include <QWidget>

namespace vidfolio::ui {

// A transparent area that reports a mouse click inside it. It takes no
// keyboard focus, so only the mouse can trigger it.
class ClickArea final : public QWidget
{
    Q_OBJECT
public:
    explicit ClickArea(QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

} // namespace vidfolio::ui
