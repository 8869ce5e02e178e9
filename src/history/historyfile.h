#pragma once

#include "history/userlist.h"

#include <QStringList>

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

// The lines of a history file: a line ends at CR, CR LF or a lone LF; a line
// end at the very end of the file adds no empty entry.
QStringList splitHistoryLines(const QString &text);

// Appends the names of the history file at `path` to the box and selects the
// first entry. A missing or unreadable file loads nothing.
void LoadUsers(UserHistoryList &box, const QString &path);

// Writes every entry of the box, one per line with CR LF, as UTF-8. The old
// file is replaced only once the new one is complete, so a failed save leaves
// it whole. Pending window events are pumped once before writing.
void SaveUsers(const UserList &box, const QString &path, RunLoop &loop);

} // namespace vidfolio
