#include "ui/messageboxes.h"

namespace vidfolio::ui {

void MessageBoxes::show(QWidget *parent, const QString &title, const QString &text,
                        QMessageBox::Icon icon)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace vidfolio::ui
