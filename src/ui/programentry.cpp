#include "ui/programentry.h"

#include "platform/endsignals.h"
#include "ui/paintedicons.h"

#include <QApplication>

namespace vidfolio::ui {

int runProgram(int argc, char **argv, const std::function<MainSetup()> &makeSetup)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidfolio"));
    // The desktop entry the program is started from, so that a desktop
    // shows the entry's name and icon for its windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("vidfolio"));
    QApplication::setWindowIcon(windowIcon());
    Main window(makeSetup ? makeSetup() : MainSetup{});
    // A session's end, `kill`, Ctrl+C or a closed terminal close the window
    // as its close box does: the history is saved and the program ends.
    const EndSignals endSignals([&window] { window.close(); });
    window.show();
    return QApplication::exec();
}

} // namespace vidfolio::ui
