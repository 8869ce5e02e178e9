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
#include <span>

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

// Hands the bytes a save writes for `names`, one per line with CR LF, as
// UTF-8, to `take(block)` in blocks of about 64 KiB, encoded straight into
// the block: a byte array per name, or one for the whole list, costs more
// than the writing itself, the whole list's most of all once it outgrows the
// memory the process has touched. Stops and returns false once `take` does.
template <typename Take> bool encodeNames(std::span<const QString> names, Take take)
{
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    QByteArray block(qsizetype{64} * 1024, Qt::Uninitialized);
    qsizetype used = 0;
    for (const QString &name : names) {
        const qsizetype needed = utf8.requiredSpace(name.size()) + 2;
        if (used + needed > block.size()) {
            if (!take(QByteArrayView(block.constData(), used)))
                return false;
            used = 0;
            if (needed > block.size())
                block.resize(needed);
        }
        // Nearly every name is ASCII and copied as it stands: for a name so
        // short the encoder's call costs more than the copy.
        char *const out = block.data() + used;
        char *end = out;
        for (const QChar c : name) {
            if (c.unicode() >= 0x80)
                break;
            *end++ = static_cast<char>(c.unicode());
        }
        if (end - out < name.size()) {
            end = utf8.appendToBuffer(out, name);
            if (utf8.hasError()) {
                // Half a surrogate pair: written as "?", as QString::toUtf8
                // does, rather than as the replacement character the encoder
                // writes.
                const QByteArray encoded = name.toUtf8();
                end = std::copy(encoded.begin(), encoded.end(), out);
                utf8.resetState();
            }
        }
        *end++ = '\r';
        *end++ = '\n';
        used = end - block.constData();
    }
    return used == 0 || take(QByteArrayView(block.constData(), used));
}

// Replaces the file at `path` with the lines of `names` once the new one is
// complete. Given `ifUnchangedFrom`, only if the file holds the very lines
// of the names from that one on, as it does when this copy wrote it last, or
// if there is no file that can be read: the file is compared as the new one
// is written, and left as it was, with no result, if it holds anything else.
std::optional<SaveResult> writeNames(const QString &path, std::span<const QString> names,
                                     std::optional<qsizetype> ifUnchangedFrom = {})
{
    // Unbuffered, so that a short write (a full disk) shows in the count
    // written; a buffered QSaveFile commits a truncated file without error.
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(errno);
    const auto write = [&](QByteArrayView block) {
        errno = 0;
        return file.write(block.data(), block.size()) == block.size();
    };
    std::optional<HistoryComparison> old;
    if (ifUnchangedFrom)
        old.emplace(path);
    const bool compare = old && old->opened();
    const std::size_t compareFrom =
        compare ? static_cast<std::size_t>(*ifUnchangedFrom) : names.size();
    bool same = true;
    const bool written = encodeNames(names.first(compareFrom), write) &&
                         encodeNames(names.subspan(compareFrom), [&](QByteArrayView block) {
                             same = old->continuesWith(block);
                             return same && write(block);
                         });
    if (!same || (written && compare && !old->ended())) {
        file.cancelWriting();
        return std::nullopt;
    }
    if (!written) {
        const int error = errno;
        file.cancelWriting();
        return failed(error);
    }
    errno = 0;
    if (!file.commit())
        return failed(errno);
    return SaveResult{};
}

// True when the box's `names` from `first` on are the names of the history
// file's `bytes`, in that order: the file as this copy last loaded or saved
// it, in another form than this copy writes (other line ends, a byte-order
// mark, Windows-1252). Compared line by line without making the file's list
// of names, which would cost as much as a load.
bool fileHoldsNamesFrom(const QStringList &names, qsizetype first, QByteArrayView bytes)
{
    const qsizetype count = names.size();
    qsizetype next = first;
    const bool same = forEachHistoryLine(bytes, [&](QByteArrayView line, bool ascii) {
        if (next >= count)
            return false;
        const QString &name = names[next++];
        return ascii ? name == QLatin1StringView(line) : name == decodeTextLine(line);
    });
    return same && next == count;
}

// The names this copy added (the box's first `added` entries), then the
// file's names, then the rest of the box's, each name once in any letter
// case, as UserInList tells names apart.
QStringList mergedNames(const QStringList &names, qsizetype added, const QStringList &fileNames)
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
    for (const QString &name : names.first(added))
        add(name);
    for (const QString &name : fileNames)
        add(name);
    for (const QString &name : names.sliced(added))
        add(name);
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

    const QStringList names = box.userNames();
    const std::span<const QString> all(names.constData(), names.size());
    const qsizetype added = std::clamp<qsizetype>(names.size() - loadedCount, 0, names.size());
    // A file as this copy found it at start is replaced by the box as it
    // stands: most often it holds the very bytes this copy wrote last, else
    // the same names in another form. Nothing to merge, or nothing that can
    // be read: the box alone too.
    if (const std::optional<SaveResult> saved = writeNames(path, all, added))
        return *saved;
    QByteArray bytes;
    if (readHistory(path, bytes) != HistoryRead::Loaded || fileHoldsNamesFrom(names, added, bytes))
        return *writeNames(path, all);
    const QStringList merged = mergedNames(names, added, decodeHistoryLines(bytes));
    return *writeNames(path, std::span<const QString>(merged.constData(), merged.size()));
}

} // namespace vidfolio
