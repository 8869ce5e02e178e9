#include "platform/launcher.h"

#include <QDir>
#include <QProcess>

namespace vidfolio {

void DesktopLauncher::open(const QString &address)
{
    // Detached, so that the handler outlives the program and leaves no
    // zombie behind; the address never passes through a shell.
    QProcess::startDetached(QStringLiteral("xdg-open"), {address}, QDir::homePath());
}

} // namespace vidfolio
