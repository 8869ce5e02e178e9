#pragma once

#include "history/historyfile.h"
#include "listing/listingview.h"
#include "platform/launcher.h"
#include "platform/runloop.h"

#include <QStringList>

#include <utility>
#include <vector>

namespace vidfolio::test {

// A window stand-in that keeps what a listing run did to it.
class RecordingView final : public ListingView, public UserHistoryList
{
public:
    struct Entry
    {
        QString key;
        QString title;
        int image = 0;
    };

    QString typed;
    QStringList users;
    int selected = -1;
    bool recent = false;
    bool enabled = true;
    int menuHides = 0;
    int repaints = 0;
    std::vector<bool> enabledChanges;
    QStringList statuses;
    std::vector<Entry> entries;
    std::vector<std::pair<int, int>> progress; // (value, maximum) after each change

    void hideVideoMenu() override { ++menuHides; }
    void setWindowEnabled(bool on) override
    {
        enabled = on;
        enabledChanges.push_back(on);
    }
    void setStatus(const QString &text) override { statuses.append(text); }
    bool onlyRecent() const override { return recent; }
    void repaintTree() override { ++repaints; }

    QString userText() const override { return typed; }
    int userCount() const override { return static_cast<int>(users.size()); }
    QStringList userNames() const override { return users; }
    void insertUser(int index, const QString &name) override { users.insert(index, name); }
    void appendUsers(const QStringList &names) override { users += names; }
    void selectUser(int index) override
    {
        selected = index;
        typed = users.at(index);
    }
    void refreshUsers() override {}

    QStringList titles() const
    {
        QStringList out;
        for (const Entry &entry : entries)
            out.append(entry.title);
        return out;
    }

protected:
    void treeCleared() override { entries.clear(); }
    void treeEntryAdded(const QString &key, const QString &text, int image) override
    {
        entries.push_back({key, text, image});
    }
    void progressChanged(int value, int maximum) override { progress.emplace_back(value, maximum); }
};

// Counts pumps and pauses instead of waiting.
class CountingRunLoop final : public RunLoop
{
public:
    int pumps = 0;
    std::vector<int> sleeps;
    void handleEvents() override { ++pumps; }
    void pause(int ms) override { sleeps.push_back(ms); }
};

// Keeps the addresses the video commands open instead of starting a browser.
class RecordedLauncher final : public Launcher
{
public:
    QStringList opened;
    void open(const QString &address) override { opened.append(address); }
};

} // namespace vidfolio::test
