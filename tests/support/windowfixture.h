#pragma once

#include "siteserver.h"
#include "support/filebytes.h"
#include "support/recordingview.h"
#include "ui/main.h"
#include "ui/messageboxes.h"
#include "ui/videotree.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace vidfolio::test {

// Answers every message box at once and keeps what it showed.
class RecordedBoxes final : public ui::MessageBoxes
{
public:
    struct Box
    {
        QString title, text;
        QMessageBox::Icon icon;
    };
    std::vector<Box> shown;
    void show(QWidget *, const QString &title, const QString &text, QMessageBox::Icon icon) override
    {
        shown.push_back({title, text, icon});
    }
};

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    std::unique_ptr<ui::Main> makeWindow() { return makeWindow({folder.path(), {}}); }
    std::unique_ptr<ui::Main> makeWindow(const FileFolder &files)
    {
        ui::MainSetup setup;
        setup.roots = SiteRoots::forHost(QString::fromStdString(server.host()));
        setup.folder = files;
        setup.boxes = boxes;
        setup.endProgram = [this] { ++ends; };
        setup.launcher = launcher;
        // The suites bound both kinds of page alike.
        setup.pageLimits = pageLimits;
        setup.watchPageLimits = pageLimits;
        setup.pictureLimits = pictureLimits;
        auto window = std::make_unique<ui::Main>(std::move(setup));
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }
    template <typename T> static T *find(ui::Main &window, const char *name)
    {
        T *child = window.findChild<T *>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    // The status line's text, which a screen reader reads as it changes.
    static QString statusText(ui::Main &window) { return find<QLabel>(window, "StatText")->text(); }
    // The tree's entry in `row`, in its model. Appended entries join the
    // model together at the next turn of the event loop; those in view are
    // there already, since the listing paints them.
    static QModelIndex entryIndex(ui::Main &window, int row)
    {
        return find<ui::VideoTree>(window, "TreeVids")->model()->index(row, 0);
    }
    // How many entries the tree holds, after the turn that takes every
    // entry appended into its model.
    static int entryCount(ui::Main &window)
    {
        QCoreApplication::processEvents();
        return find<ui::VideoTree>(window, "TreeVids")->model()->rowCount();
    }
    // A mouse click on the tree's entry in `row`.
    void clickEntry(ui::Main &window, int row)
    {
        auto *tree = find<ui::VideoTree>(window, "TreeVids");
        const QModelIndex entry = entryIndex(window, row);
        ASSERT_TRUE(entry.isValid()) << "no entry in row " << row;
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(entry).center());
    }

    QString historyPath() const { return folder.filePath("users.vidfolio"); }
    QByteArray history() const { return fileBytes(historyPath()); }
    void writeHistory(const QByteArray &bytes) const
    {
        QFile file(historyPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QStringList visibleMenus(ui::Main &window) const
    {
        QStringList titles;
        for (QAction *action : window.menuBar()->actions()) {
            if (action->isVisible())
                titles.append(action->text());
        }
        return titles;
    }
    static QStringList captions(QMenu *menu)
    {
        QStringList texts;
        for (QAction *action : menu->actions())
            texts.append(action->text());
        return texts;
    }
    void typeAndList(ui::Main &window, const QString &name)
    {
        auto *box = find<QComboBox>(window, "TxtUser");
        box->setEditText(name);
        QTest::mouseClick(find<QWidget>(window, "CmdGo"), Qt::LeftButton);
    }

    QTemporaryDir folder;
    site::SiteServer server;
    std::shared_ptr<RecordedBoxes> boxes = std::make_shared<RecordedBoxes>();
    std::shared_ptr<RecordedLauncher> launcher = std::make_shared<RecordedLauncher>();
    DownloadLimits pageLimits;
    DownloadLimits pictureLimits = kPictureLimits;
    int ends = 0;
};

} // namespace vidfolio::test
