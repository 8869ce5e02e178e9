#include "platform/filefolder.h"

#include "platform/programfolder.h"

#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace vidfolio {
namespace {

bool entryExists(const QString &path)
{
    struct stat info
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

bool readableFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info
    {
    };
    return ::stat(name.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::euidaccess(name.constData(), R_OK) == 0;
}

} // namespace

FileFolder chooseFileFolder(const QString &programFolder, const QString &dataFolder)
{
    if (dataFolder.isEmpty() || folderWritable(programFolder))
        return {programFolder, {}};
    return {dataFolder, programFolder};
}

FileFolder chooseFileFolder()
{
    return chooseFileFolder(programFolder(), dataFolder());
}

QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

bool folderWritable(const QString &folder)
{
    // Creating a file needs write and search permission on the folder.
    return ::euidaccess(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

QString pathToRead(const FileFolder &folder, const QString &name)
{
    QString own = pathInFolder(folder.path, name);
    if (folder.readFallback.isEmpty() || entryExists(own))
        return own;
    const QString fallback = pathInFolder(folder.readFallback, name);
    return readableFile(fallback) ? fallback : own;
}

} // namespace vidfolio
