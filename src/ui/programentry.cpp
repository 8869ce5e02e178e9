#include "ui/programentry.h"

#include "platform/endsignals.h"
#include "platform/fileturn.h"
#include "ui/paintedicons.h"

#include <QApplication>

namespace vidfolio::ui {
namespace {

QtMessageHandler g_qtMessages = nullptr;

// Qt's Wayland platform ends the process with _exit, past every exit
// handler, right after saying that its connection is gone: the scratch file
// of a fetch under way goes then. (Its X11 platform calls exit, which the
// exit handler of the fetch's turn covers.)
void watchForLostDisplay(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg && text.startsWith(u"The Wayland connection"))
        FileTurn::removeFilesMarkedForExit();
    if (g_qtMessages)
        g_qtMessages(type, context, text);
}

} // namespace

int runProgram(int argc, char **argv, const std::function<MainSetup()> &makeSetup)
{
    g_qtMessages = qInstallMessageHandler(watchForLostDisplay);
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
