#pragma once

#include "actions/videocommands.h"
#include "history/historyfile.h"
#include "listing/listingview.h"
#include "platform/launcher.h"

#include <QStringList>

#include <chrono>

namespace vidfolio {

// The window as JSON lines: every change a listing run or a video command
// makes to the window is printed instead of shown.
class ConsoleView final : public ListingView, public VideoCommandView, public UserHistoryList
{
public:
    ConsoleView(bool onlyRecent, std::chrono::steady_clock::time_point start);

    void setUserText(const QString &text) { m_userText = text; }
    void setSelectedVideo(const SelectedVideo &video) { m_selected = video; }
    QStringList users() const { return m_users; }

    void hideVideoMenu() override {}
    void setWindowEnabled(bool enabled) override;
    void setStatus(const QString &text) override;
    bool onlyRecent() const override { return m_onlyRecent; }
    void repaintTree() override {}

    std::optional<SelectedVideo> selectedVideo() const override { return m_selected; }
    void showNoVideoSelected() override;
    void lookupFinished(const QString &parameters) override;

    QString userText() const override { return m_userText; }
    int userCount() const override { return static_cast<int>(m_users.size()); }
    QStringList userNames() const override { return m_users; }
    void insertUser(int index, const QString &name) override { m_users.insert(index, name); }
    void appendUsers(const QStringList &names) override { m_users += names; }
    void selectUser(int index) override { m_userText = m_users.at(index); }
    void refreshUsers() override {}

    // One fetch, with the reason it failed, if it did.
    void printFetch(const QString &address, bool ok, const QString &reason);
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
    std::optional<SelectedVideo> m_selected;
};

// Prints the addresses it is given instead of opening them.
class ConsoleLauncher final : public Launcher
{
public:
    explicit ConsoleLauncher(std::chrono::steady_clock::time_point start) : m_start(start) {}
    void open(const QString &address) override;

private:
    std::chrono::steady_clock::time_point m_start;
};

} // namespace vidfolio
