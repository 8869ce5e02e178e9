#include "ui/usernamebox.h"

#include "ui/usernamesmodel.h"

#include <QLineEdit>

namespace vidfolio::ui {

UserNameBox::UserNameBox(QWidget *parent) : QComboBox(parent), m_names(new UserNamesModel(this))
{
    setObjectName(QStringLiteral("TxtUser"));
    setModel(m_names);
    setEditable(true);
    // Enter adds nothing to the list, and no completion changes the name typed.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setDuplicatesEnabled(true);
    // The edit field takes the focus for the box, so it carries the name too.
    for (QWidget *named : std::initializer_list<QWidget *>{this, lineEdit()}) {
        named->setAccessibleName(QStringLiteral("YouTube username"));
        named->setAccessibleDescription(
            QStringLiteral("The user name whose videos to list; names listed before are offered"));
    }
}

QString UserNameBox::userText() const
{
    return currentText();
}

int UserNameBox::userCount() const
{
    return count();
}

QStringList UserNameBox::userNames() const
{
    // The model's own list, without the detour through QVariant that the
    // box's item texts take: a save of 100,000 names reads each.
    return m_names->names();
}

void UserNameBox::insertUser(int index, const QString &name)
{
    // Inserting may move the current entry; the text typed stays as it was.
    const QString typed = currentText();
    insertItem(index, name);
    if (currentText() != typed)
        setEditText(typed);
}

void UserNameBox::appendUsers(const QStringList &names)
{
    m_names->appendNames(names);
}

void UserNameBox::selectUser(int index)
{
    setCurrentIndex(index);
}

void UserNameBox::refreshUsers()
{
    update();
}

} // namespace vidfolio::ui
