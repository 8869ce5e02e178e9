#include "history/userlist.h"

namespace vidfolio {

bool UserInList(QString &name, const UserList &box)
{
    name = name.toLower();
    const int count = box.userCount();
    for (int i = 0; i < count; ++i) {
        if (box.userAt(i).toLower() == name)
            return true;
    }
    return false;
}

void rememberUserName(UserList &box)
{
    QString copy = box.userText();
    if (!UserInList(copy, box))
        box.insertUser(0, box.userText());
}

} // namespace vidfolio
