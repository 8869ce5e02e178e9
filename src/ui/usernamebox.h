#pragma once

#include "history/historyfile.h"

#include <QComboBox>

namespace vidfolio::ui {

class UserNamesModel;

// The user-name box: an editable drop-down list of the names listed before,
// newest first, over a plain list of names (UserNamesModel), and the list of
// names the history code reads and fills. Typing changes only the edit
// field: Enter adds nothing to the list and no completion changes the name.
class UserNameBox final : public QComboBox, public UserHistoryList
{
    Q_OBJECT
public:
    explicit UserNameBox(QWidget *parent);

    QString userText() const override;
    int userCount() const override;
    QStringList userNames() const override;
    void insertUser(int index, const QString &name) override;
    void appendUsers(const QStringList &names) override;
    void selectUser(int index) override;
    void refreshUsers() override;

private:
    UserNamesModel *m_names = nullptr;
};

} // namespace vidfolio::ui
