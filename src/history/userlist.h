#pragma once

#include <QString>
#include <QStringList>

namespace vidfolio {

// The user-name box as the history code sees it: an edit field over a list of
// names, entry 0 at the top.
class UserList
{
public:
    virtual ~UserList() = default;
    // The current text of the edit field.
    virtual QString userText() const = 0;
    virtual int userCount() const = 0;
    // The names in the list, entry 0 first.
    virtual QStringList userNames() const = 0;
    virtual void insertUser(int index, const QString &name) = 0;
};

// True when `box` holds `name` in any letter case. Leaves `name` lower-cased.
bool UserInList(QString &name, const UserList &box);

// Puts the typed name at the top of the list unless the list holds it
// already in some letter case; the matching entry then keeps its place.
void rememberUserName(UserList &box);

} // namespace vidfolio
