#include "ui/main.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidfolio"));
    vidfolio::ui::Main window;
    window.show();
    return QApplication::exec();
}
