#include "ui/messageboxes.h"

#include "ui/windowstatefit.h"

namespace vidfolio::ui {

void MessageBoxes::show(QWidget *parent, const QString &title, const QString &text,
                        QMessageBox::Icon icon)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    // Its size is fixed, and its title bar may offer maximize all the same.
    new WindowStateFit(&box);
    box.exec();
}

} // namespace vidfolio::ui
