#include "platform/programfolder.h"

#include <QFileInfo>

namespace vidfolio {

QString programFolder()
{
    // /proc/self/exe names the executable even before a QCoreApplication exists.
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    return exe.canonicalFilePath().isEmpty() ? QStringLiteral(".")
                                             : QFileInfo(exe.canonicalFilePath()).absolutePath();
}

QString pathInFolder(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

} // namespace vidfolio
