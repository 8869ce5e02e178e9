#pragma once

#include <QMessageBox>
#include <QString>

namespace vidfolio::ui {

// Shows the window's message boxes: one OK button, application-modal. Tests
// put a recorder in its place to answer the boxes.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual void show(QWidget *parent, const QString &title, const QString &text,
                      QMessageBox::Icon icon);
};

} // namespace vidfolio::ui
