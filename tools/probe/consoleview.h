#pragma once

#include "history/historyfile.h"
#include "listing/listingview.h"

#include <QStringList>

#include <chrono>

namespace vidfolio {

// The window as JSON lines: every change a listing run makes to the window
// is printed instead of shown.
class ConsoleView final : public ListingView, public UserHistoryList
{
public:
    ConsoleView(bool onlyRecent, std::chrono::steady_clock::time_point start);

    void setUserText(const QString &text) { m_userText = text; }
    QStringList users() const { return m_users; }

    void hideVideoMenu() override {}
    void setWindowEnabled(bool enabled) override;
    void setStatus(const QString &text) override;
    bool onlyRecent() const override { return m_onlyRecent; }
    void repaintTree() override {}

    QString userText() const override { return m_userText; }
    int userCount() const override { return static_cast<int>(m_users.size()); }
    QString userAt(int index) const override { return m_users.at(index); }
    void insertUser(int index, const QString &name) override { m_users.insert(index, name); }
    void appendUsers(const QStringList &names) override { m_users += names; }
    void selectUser(int index) override { m_userText = m_users.at(index); }
    void refreshUsers() override {}

    void printFetch(const QString &address, bool ok);
    void printUsers();

protected:
    void treeCleared() override {}
    void treeEntryAdded(const QString &key, const QString &text, int image) override;
    void progressChanged(int value, int maximum) override;

private:
    bool m_onlyRecent;
    std::chrono::steady_clock::time_point m_start;
    QString m_userText;
    QStringList m_users;
};

} // namespace vidfolio
