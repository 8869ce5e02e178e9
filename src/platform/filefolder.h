#pragma once

#include <QString>

namespace vidfolio {

// Where the program keeps its files, the history and the scratch file.
struct FileFolder
{
    // Files are written here and, when they are here, read from here. The
    // folder may not exist yet; it is made before the first file is written.
    QString path;
    // Where to read a file from that `path` holds nothing by that name yet;
    // empty for nowhere. It is the program folder when `path` is the user's
    // data folder, so that a history kept beside the program is not lost
    // once that folder became read-only.
    QString readFallback;

    bool operator==(const FileFolder &) const = default;
};

// The program folder while the program may create files in it (a build, or
// a folder of the user's own), otherwise `dataFolder`, with the program folder
// as the place to read from what the data folder does not hold yet. An empty
// `dataFolder` keeps the program folder.
FileFolder chooseFileFolder(const QString &programFolder, const QString &dataFolder);

// The same for this program: its own folder and the user's data folder.
FileFolder chooseFileFolder();

// The user's folder for the program's data, from QStandardPaths'
// AppDataLocation ("~/.local/share/Vidfolio" for the application name
// "Vidfolio"); not created here.
QString dataFolder();

// True when the effective user may create and delete files in `folder`. Root
// may write almost anywhere; the check is that of the kernel, not of the
// folder's mode bits alone.
bool folderWritable(const QString &folder);

// The path to read the file `name` from: in `folder.path` when anything of
// that name is there (even a damaged file, which must then not be replaced
// by a history read elsewhere), else in the fallback folder when it holds a
// readable file of that name, else in `folder.path`.
QString pathToRead(const FileFolder &folder, const QString &name);

} // namespace vidfolio
