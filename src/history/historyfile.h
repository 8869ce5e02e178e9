#pragma once

#include "history/userlist.h"
#include "platform/outcome.h"

#include <QByteArrayView>
#include <QStringList>

#include <chrono>

namespace vidfolio {

class RunLoop;

// The user-name box with what loading the history needs besides the list.
class UserHistoryList : public UserList
{
public:
    virtual void appendUsers(const QStringList &names) = 0;
    // Puts entry `index` into the edit field.
    virtual void selectUser(int index) = 0;
    virtual void refreshUsers() = 0;
};

inline constexpr char16_t kHistoryFileName[] = u"users.vidfolio";

// A history file larger than this is not loaded: no list of user names
// grows so large, and reading it could exhaust memory.
inline constexpr qint64 kMaxHistoryBytes = 64ll * 1024 * 1024;

// What LoadUsers found at the path.
enum class HistoryRead
{
    // Nothing there: the box stays empty, and a save starts a new file.
    Missing,
    // Every line of the file is in the box.
    Loaded,
    // Something is there that could not be read whole: no permission, a
    // folder, a read error, more than kMaxHistoryBytes. Nothing is loaded,
    // and the file must not be saved over, or its names would be lost.
    Unreadable,
};

// The lines of a history file's bytes, each decoded on its own: a line ends
// at CR, CR LF or a lone LF, and a line end at the very end of the file adds
// no empty entry. A line is UTF-8 when it is valid UTF-8, otherwise
// Windows-1252, so that one damaged line costs no other line its letters
// and no byte is lost. A UTF-8 byte-order mark opening the file is dropped.
QStringList decodeHistoryLines(QByteArrayView bytes);

// Appends the names of the history file at `path` to the box and selects the
// first entry. Only a regular file is read; anything else at the path (a
// folder, a pipe, a device) counts as unreadable.
HistoryRead LoadUsers(UserHistoryList &box, const QString &path);

// How a save ended. Done: the file holds the names. Failed: the file was
// left as it was, for `reason` ("disk full", "no permission", ...). Stopped:
// the stop was raised before anything was written.
struct SaveResult
{
    Outcome outcome = Outcome::Done;
    QString reason;
};

// How long a save waits for another copy's save to end before it saves
// without the folder's lock: a save must never hold the window up for long,
// and a rare lost name costs less.
inline constexpr std::chrono::milliseconds kSaveLockWait{5000};

// Saves the box of a copy of the program whose LoadUsers put `loadedCount`
// names into it (its last entries: the names this copy added stand above
// them). Every entry is written one per line with CR LF, as UTF-8, making
// the folder of `path` first when it is missing; the old file is replaced
// only once the new one is complete, so a failed save leaves it whole.
// Pending window events are pumped once before writing. Callers do not save
// over a history that LoadUsers found unreadable.
//
// Other copies may have saved names of their own since, so the file as it
// is now is merged in, under a lock on the folder that every save takes,
// waited for at most `lockWait`: first the names this copy added, newest
// first, then the file's names in the file's order, then the names this
// copy holds that the file no longer has, each name once in any letter
// case. A file still holding just what this copy loaded, a missing file and
// one that cannot be read are replaced by the box as it stands.
[[nodiscard]] SaveResult SaveUsers(const UserList &box, const QString &path, RunLoop &loop,
                                   int loadedCount,
                                   std::chrono::milliseconds lockWait = kSaveLockWait);

} // namespace vidfolio
