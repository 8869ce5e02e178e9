// The save of the user-name history: the names written out in blocks, and
// the merge with what other copies of the program saved meanwhile, under a
// lock on the folder.

#include "history/historyfile.h"

#include "history/historybytes.h"
#include "platform/fileturn.h"
#include "platform/runloop.h"
#include "platform/textcodec.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

namespace vidfolio {
namespace {

// Takes the folder's lock for a save; empty when the wait was stopped, and
// the save should not happen at all. A lock that stays taken, or a folder
// that cannot be locked, leaves the save to go on without it.
std::optional<FileTurn> saveLock(const QString &path, RunLoop &loop,
                                 std::chrono::milliseconds lockWait)
{
    const QString folder = QFileInfo(path).absolutePath();
    // The user's data folder is made when the first file goes into it.
    QDir().mkpath(folder);
    FileTurn lock = FileTurn::takeFolder(folder, lockWait, loop);
    if (lock.status() == FileTurn::Status::Stopped)
        return std::nullopt;
    return lock;
}

// Why a write of the history failed, for the status line, from the error
// the failing call left.
SaveResult failed(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return {Outcome::Failed, QStringLiteral("disk full")};
    case EACCES:
    case EPERM:
        return {Outcome::Failed, QStringLiteral("no permission")};
    case EROFS:
        return {Outcome::Failed, QStringLiteral("read-only disk")};
    default:
        return {Outcome::Failed, QStringLiteral("cannot write users.vidfolio")};
    }
}

// Writes `count` names, `nameAt(i)` for each, one per line with CR LF, as
// UTF-8, replacing the file at `path` once the new one is complete.
template <typename NameAt> SaveResult writeNames(const QString &path, int count, NameAt nameAt)
{
    // Unbuffered, so that a short write (a full disk) shows in the count
    // written; a buffered QSaveFile commits a truncated file without error.
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(errno);
    // The names go out in blocks of about 64 KiB, encoded straight into the
    // block: a byte array per name, or one for the whole list, cost more than
    // the writing itself.
    constexpr qsizetype kBlockSize = qsizetype{64} * 1024;
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    QByteArray block(kBlockSize, Qt::Uninitialized);
    qsizetype used = 0;
    const auto writeBlock = [&] {
        errno = 0;
        const bool written = file.write(block.constData(), used) == used;
        used = 0;
        return written;
    };
    const auto cancel = [&] {
        const int error = errno;
        file.cancelWriting();
        return failed(error);
    };
    for (int i = 0; i < count; ++i) {
        const QString name = nameAt(i);
        const qsizetype needed = utf8.requiredSpace(name.size()) + 2;
        if (used + needed > block.size()) {
            if (!writeBlock())
                return cancel();
            if (needed > block.size())
                block.resize(needed);
        }
        char *end = utf8.appendToBuffer(block.data() + used, name);
        if (utf8.hasError()) {
            // Half a surrogate pair: written as "?", as QString::toUtf8 does,
            // rather than as the replacement character the encoder writes.
            const QByteArray bytes = name.toUtf8();
            end = std::copy(bytes.begin(), bytes.end(), block.data() + used);
            utf8.resetState();
        }
        *end++ = '\r';
        *end++ = '\n';
        used = end - block.constData();
    }
    if (!writeBlock())
        return cancel();
    errno = 0;
    if (!file.commit())
        return failed(errno);
    return {};
}

SaveResult writeBox(const UserList &box, const QString &path)
{
    return writeNames(path, box.userCount(), [&](int i) { return box.userAt(i); });
}

// True when the box's entries from `first` on are the names of the history
// file's `bytes`, in that order: the file as this copy last loaded or saved
// it. Compared line by line without making the file's list of names, which
// would cost a save at the start of every listing as much as a load.
bool fileHoldsBoxFrom(const UserList &box, int first, QByteArrayView bytes)
{
    const int count = box.userCount();
    int next = first;
    const bool same = forEachHistoryLine(bytes, [&](QByteArrayView line, bool ascii) {
        if (next >= count)
            return false;
        const QString name = box.userAt(next++);
        return ascii ? name == QLatin1StringView(line) : name == decodeTextLine(line);
    });
    return same && next == count;
}

// The names this copy added (the box's first `added` entries), then the
// file's names, then the rest of the box's, each name once in any letter
// case, as UserInList tells names apart.
QStringList mergedNames(const UserList &box, int added, const QStringList &fileNames)
{
    QStringList merged;
    QSet<QString> present;
    const auto add = [&](const QString &name) {
        const QString key = name.toLower();
        if (present.contains(key))
            return;
        present.insert(key);
        merged.append(name);
    };
    for (int i = 0; i < added; ++i)
        add(box.userAt(i));
    for (const QString &name : fileNames)
        add(name);
    for (int i = added; i < box.userCount(); ++i)
        add(box.userAt(i));
    return merged;
}

} // namespace

SaveResult SaveUsers(const UserList &box, const QString &path, RunLoop &loop, int loadedCount,
                     std::chrono::milliseconds lockWait)
{
    if (loop.pumpEvents() == WaitEnd::Stopped)
        return {Outcome::Stopped, {}};
    // Other copies save under the same lock, so no save falls between this
    // copy's reading the file and replacing it.
    const std::optional<FileTurn> lock = saveLock(path, loop, lockWait);
    if (!lock)
        return {Outcome::Stopped, {}};

    const int added = std::clamp(box.userCount() - loadedCount, 0, box.userCount());
    QByteArray bytes;
    // Nothing to merge, or nothing that can be read: the box alone. A file
    // as this copy found it at start is replaced by the box as it stands,
    // which writes the very bytes a save without merging writes.
    if (readHistory(path, bytes) != HistoryRead::Loaded || fileHoldsBoxFrom(box, added, bytes))
        return writeBox(box, path);
    const QStringList fileNames = decodeHistoryLines(bytes);
    const QStringList merged = mergedNames(box, added, fileNames);
    return writeNames(path, static_cast<int>(merged.size()), [&](int i) { return merged[i]; });
}

} // namespace vidfolio
