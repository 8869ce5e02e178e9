#include "history/userlist.h"

#include <algorithm>

namespace vidfolio {

bool UserInList(QString &name, const UserList &box)
{
    name = name.toLower();
    const QStringList names = box.userNames();
    return std::any_of(names.begin(), names.end(),
                       [&](const QString &entry) { return entry.toLower() == name; });
}

void rememberUserName(UserList &box)
{
    QString copy = box.userText();
    if (!UserInList(copy, box))
        box.insertUser(0, box.userText());
}

} // namespace vidfolio
