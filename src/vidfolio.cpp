#include "ui/main.h"
#include "ui/paintedicons.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidfolio"));
    // The desktop entry the program is started from, so that a desktop
    // shows the entry's name and icon for its windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("vidfolio"));
    QApplication::setWindowIcon(vidfolio::ui::windowIcon());
    vidfolio::ui::Main window;
    window.show();
    return QApplication::exec();
}
