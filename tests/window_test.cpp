#include "support/unprivileged.h"
#include "support/windowfixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace vidfolio;
using test::WindowTest;
using ui::Main;

namespace {

constexpr QRect twips(int left, int top, int width, int height)
{
    auto px = [](int t) { return (t + 7) / 15; };
    return {px(left), px(top), px(width), px(height)};
}

TEST_F(WindowTest, StartsWithEveryControlInPlace)
{
    auto window = makeWindow();
    const std::vector<std::pair<const char *, QRect>> controls{
        {"SitePic2", twips(3210, 2970, 1575, 1335)},
        {"SitePic1", twips(1620, 2970, 1575, 1335)},
        {"SitePic0", twips(30, 2970, 1575, 1335)},
        {"TxtUser", twips(1680, 120, 2100, 285)},
        {"Stat", twips(0, 4455, 4830, 255)},
        {"TreeVids", twips(120, 620, 4545, 2235)},
        {"PB", twips(30, 4320, 4755, 105)},
        {"CmdGo", twips(3840, 240, 855, 195)},
        {"Lbl1", twips(3840, 240, 855, 195)},
        {"Lbl0", twips(120, 240, 1815, 195)},
        {"Shp", twips(0, 0, 4815, 4455)}};
    for (const auto &[name, rect] : controls)
        EXPECT_EQ(find<QWidget>(*window, name)->geometry(), rect) << name;
    EXPECT_EQ(find<QWidget>(*window, "Line1")->geometry(), QRect(8, 32, 304, 1));
    EXPECT_EQ(window->centralWidget()->size(), QSize(322, 314));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());

    // The click area lies over the words and takes the mouse there.
    QWidget *client = window->centralWidget();
    EXPECT_EQ(client->childAt(twips(3840, 240, 855, 195).center())->objectName(),
              QStringLiteral("CmdGo"));
    EXPECT_EQ(find<QWidget>(*window, "CmdGo")->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(find<QWidget>(*window, "CmdGo")->toolTip(),
              QStringLiteral("Click here to list videos"));
    EXPECT_EQ(find<QLabel>(*window, "Lbl1")->text(), QStringLiteral("List Videos"));
    EXPECT_EQ(find<QLabel>(*window, "Lbl0")->text(), QStringLiteral("YouTube username:"));

    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vidfolio - vidfolio.example.org"));
    EXPECT_EQ(statusText(*window), QStringLiteral("vidfolio.example.org"));
    EXPECT_EQ(entryCount(*window), 0);
    auto *box = find<QComboBox>(*window, "TxtUser");
    EXPECT_EQ(box->count(), 0);
    EXPECT_TRUE(box->currentText().isEmpty());
    auto *pb = find<QProgressBar>(*window, "PB");
    EXPECT_EQ(std::make_tuple(pb->minimum(), pb->maximum(), pb->value()),
              std::make_tuple(0, 100, 0));
    for (const char *pic : {"SitePic0", "SitePic1", "SitePic2"})
        EXPECT_TRUE(find<QLabel>(*window, pic)->pixmap().isNull()) << pic;
}

// A maximize asked for by a title bar the toolkit draws (on Wayland) goes to
// the window system straight from the platform window; the compositor then
// gives a size the window must take. The window lets go of its fixed size as
// soon as the state is asked for, its controls staying where they are, and
// takes it back once it is no longer maximized.
TEST_F(WindowTest, AMaximizedWindowTakesAnySizeWithItsControlsInPlace)
{
    auto window = makeWindow();
    const QSize fixed = window->size();
    QWidget *cmdGo = find<QWidget>(*window, "CmdGo");
    const QPoint cmdGoAt = cmdGo->mapTo(window.get(), QPoint());

    for (const Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowFullScreen}) {
        window->windowHandle()->setWindowStates(state);
        window->resize(1024, 736);
        EXPECT_EQ(window->size(), QSize(1024, 736)) << state;
        EXPECT_EQ(cmdGo->mapTo(window.get(), QPoint()), cmdGoAt) << state;
        EXPECT_EQ(window->centralWidget()->size(), QSize(322, 314)) << state;

        // The window system takes the state, then takes the window out of it.
        window->setWindowState(state);
        window->setWindowState(Qt::WindowNoState);
        EXPECT_EQ(window->size(), fixed) << state;
        EXPECT_EQ(window->minimumSize(), window->maximumSize()) << state;
    }
}

TEST_F(WindowTest, MenusStartAsLaidOut)
{
    auto window = makeWindow();
    EXPECT_EQ(visibleMenus(*window), QStringList({"File", "Settings"}));
    EXPECT_EQ(captions(find<QMenu>(*window, "File")), QStringList({"About", "Exit", "Cancel"}));
    EXPECT_EQ(captions(find<QMenu>(*window, "Settings")), QStringList({"Videos", "Cancel"}));
    EXPECT_EQ(captions(find<QMenu>(*window, "Videos")),
              QStringList({"Show all", "Last 10 or less"}));
    EXPECT_EQ(captions(find<QMenu>(*window, "Video")),
              QStringList({"VidName", "Download", "Watch direct", "Watch normal", "Cancel"}));
    EXPECT_FALSE(find<QAction>(*window, "VidName")->isEnabled());
    EXPECT_TRUE(find<QAction>(*window, "ShowAll")->isChecked());
    EXPECT_FALSE(find<QAction>(*window, "OnlyRecent")->isChecked());
}

TEST_F(WindowTest, ShowAllAndOnlyRecentBehaveAsARadioPair)
{
    auto window = makeWindow();
    auto *showAll = find<QAction>(*window, "ShowAll");
    auto *onlyRecent = find<QAction>(*window, "OnlyRecent");
    auto ticks = [&] { return std::make_pair(showAll->isChecked(), onlyRecent->isChecked()); };

    onlyRecent->trigger();
    EXPECT_EQ(ticks(), std::make_pair(false, true));
    onlyRecent->trigger();
    EXPECT_EQ(ticks(), std::make_pair(false, true));
    showAll->trigger();
    EXPECT_EQ(ticks(), std::make_pair(true, false));
    showAll->trigger();
    EXPECT_EQ(ticks(), std::make_pair(true, false));
}

TEST_F(WindowTest, EnterInTheUserNameBoxDoesNothing)
{
    auto window = makeWindow();
    auto *box = find<QComboBox>(*window, "TxtUser");
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("carol"));
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter);
    EXPECT_EQ(box->count(), 0);
    EXPECT_EQ(box->currentText(), QStringLiteral("carol"));
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(statusText(*window), QStringLiteral("vidfolio.example.org"));
}

TEST_F(WindowTest, ClickOnListVideosListsWithTheWindowDisabled)
{
    server.addUser("carol", site::generatedVideos("carol", 57));
    writeHistory("older\r\n");
    auto window = makeWindow();
    QWidget *cmdGo = find<QWidget>(*window, "CmdGo");

    // Runs when the listing first pumps events, after it disabled the window.
    bool checked = false;
    QTimer::singleShot(0, window.get(), [&] {
        checked = true;
        EXPECT_FALSE(window->isEnabled());
        EXPECT_FALSE(window->menuBar()->isEnabled());
        EXPECT_FALSE(cmdGo->isEnabled());
        EXPECT_EQ(statusText(*window), QStringLiteral("vidfolio.example.org"));
        QTest::mouseClick(cmdGo, Qt::LeftButton); // ignored: no second run
    });
    // A click queued behind each page of this listing, the last one still
    // queued as it enables the window again: dropped too.
    int queued = 0;
    QObject::connect(find<QProgressBar>(*window, "PB"), &QProgressBar::valueChanged, [&] {
        if (!window->isEnabled() && ++queued <= 6)
            QMetaObject::invokeMethod(
                cmdGo, [&] { QTest::mouseClick(cmdGo, Qt::LeftButton); }, Qt::QueuedConnection);
    });
    typeAndList(*window, QStringLiteral("carol"));
    EXPECT_TRUE(checked);

    auto *tree = find<ui::VideoTree>(*window, "TreeVids");
    ASSERT_EQ(entryCount(*window), 57);
    EXPECT_EQ(tree->entryTitle(0), QStringLiteral("Video 1 of carol"));
    EXPECT_EQ(tree->entryTitle(56), QStringLiteral("Video 57 of carol"));
    EXPECT_FALSE(entryIndex(*window, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_EQ(statusText(*window), QStringLiteral("Finished: 57 videos"));
    EXPECT_TRUE(window->isEnabled());
    auto *pb = find<QProgressBar>(*window, "PB");
    EXPECT_EQ(std::make_pair(pb->maximum(), pb->value()), std::make_pair(7, 0));
    auto *box = find<QComboBox>(*window, "TxtUser");
    EXPECT_EQ(box->itemText(0), QStringLiteral("carol"));
    EXPECT_EQ(box->itemText(1), QStringLiteral("older"));
    EXPECT_EQ(box->currentText(), QStringLiteral("carol"));
    EXPECT_EQ(server.requests().size(), 7u);
    EXPECT_EQ(visibleMenus(*window), QStringList({"File", "Settings"}));
}

TEST_F(WindowTest, OnlyRecentLimitsTheListingToOnePage)
{
    server.addUser("carol", site::generatedVideos("carol", 57));
    auto window = makeWindow();
    find<QAction>(*window, "OnlyRecent")->trigger();
    typeAndList(*window, QStringLiteral("carol"));
    EXPECT_EQ(entryCount(*window), 10);
    EXPECT_EQ(statusText(*window), QStringLiteral("Finished: 10 videos"));
}

TEST_F(WindowTest, RememberingANameKeepsTheTypedText)
{
    writeHistory("Alice\r\nbob\r\n");
    auto window = makeWindow();
    auto *box = find<QComboBox>(*window, "TxtUser");
    EXPECT_EQ(box->currentText(), QStringLiteral("Alice"));
    typeAndList(*window, QStringLiteral("BOB"));
    EXPECT_EQ(box->count(), 2);
    EXPECT_EQ(box->currentText(), QStringLiteral("BOB"));
    typeAndList(*window, QStringLiteral("new one"));
    EXPECT_EQ(box->itemText(0), QStringLiteral("new one"));
    EXPECT_EQ(box->currentText(), QStringLiteral("new one"));
    EXPECT_EQ(statusText(*window), QStringLiteral("User new one not found!"));
}

TEST_F(WindowTest, StatusTipsNeverReplaceTheStatusLine)
{
    auto window = makeWindow();
    window->setStatus(QStringLiteral("Finished"));
    QStatusTipEvent tip(QStringLiteral("menu tip"));
    QApplication::sendEvent(window.get(), &tip);
    QStatusTipEvent empty{QString()};
    QApplication::sendEvent(window.get(), &empty);
    EXPECT_EQ(statusText(*window), QStringLiteral("Finished"));
    EXPECT_EQ(find<QStatusBar>(*window, "Stat")->currentMessage(), QString());
}

TEST_F(WindowTest, AboutShowsSixLinesUnderTheProductName)
{
    auto window = makeWindow();
    find<QAction>(*window, "About")->trigger();
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->shown[0].title, QStringLiteral("Vidfolio"));
    EXPECT_EQ(boxes->shown[0].icon, QMessageBox::NoIcon);
    const QStringList lines = boxes->shown[0].text.split(u'\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("Vidfolio version 1"));
    EXPECT_TRUE(lines[1].isEmpty());
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Email: ")));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("  Site: ")));
    EXPECT_TRUE(lines[4].isEmpty());
    EXPECT_EQ(lines[5], QStringLiteral("This program will list a YouTube users videos."));
}

TEST_F(WindowTest, HistoryIsLoadedAtStartAndWrittenOnceByExit)
{
    writeHistory("first\r\nsecond\r\n");
    auto window = makeWindow();
    auto *box = find<QComboBox>(*window, "TxtUser");
    EXPECT_EQ(box->count(), 2);
    EXPECT_EQ(box->currentText(), QStringLiteral("first"));

    typeAndList(*window, QStringLiteral("third"));
    // Written as the listing began: only Exit's save can write it again.
    QFile::remove(historyPath());
    find<QAction>(*window, "Exit")->trigger();
    EXPECT_EQ(history(), QByteArray("third\r\nfirst\r\nsecond\r\n"));
    EXPECT_EQ(ends, 1);

    // Ending runs no further handler: closing now must not save again.
    QFile::remove(historyPath());
    window->close();
    EXPECT_FALSE(QFile::exists(historyPath()));
    EXPECT_EQ(ends, 1);
}

TEST_F(WindowTest, ClosingTheWindowSavesOnceAndEnds)
{
    auto window = makeWindow();
    EXPECT_FALSE(QFile::exists(historyPath()));
    typeAndList(*window, QStringLiteral("someone"));
    // Written as the listing began: only the close's save can write it again.
    QFile::remove(historyPath());
    window->close();
    EXPECT_EQ(history(), QByteArray("someone\r\n"));
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowTest, HistoryBesideAReadOnlyProgramIsCarriedIntoTheDataFolder)
{
    // The folders the window chooses by default for a program folder it may
    // not write: the data folder is made at the first fetch.
    server.addUser("carol", site::generatedVideos("carol", 12));
    const QString program = folder.filePath("bin");
    const QString data = folder.filePath("data/Vidfolio");
    ASSERT_TRUE(QDir().mkdir(program));
    QFile beside(program + "/users.vidfolio");
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.write("older\r\n");
    beside.close();

    auto window = makeWindow({data, program});
    EXPECT_EQ(find<QComboBox>(*window, "TxtUser")->currentText(), QStringLiteral("older"));
    typeAndList(*window, QStringLiteral("carol"));
    EXPECT_EQ(statusText(*window), QStringLiteral("Finished: 12 videos"));
    find<QAction>(*window, "Exit")->trigger();

    QFile saved(data + "/users.vidfolio");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("carol\r\nolder\r\n"));
    EXPECT_EQ(QDir(data).entryList(QDir::Files), QStringList({"users.vidfolio"}));
    ASSERT_TRUE(beside.open(QIODevice::ReadOnly));
    EXPECT_EQ(beside.readAll(), QByteArray("older\r\n"));
    EXPECT_EQ(QDir(program).entryList(QDir::Files), QStringList({"users.vidfolio"}));
}

// A history that cannot be read: the window starts with an empty box, says
// so, lists as usual, and leaves the history as it found it.
TEST_F(WindowTest, HistoryWithoutReadPermissionIsLeftAsItIs)
{
    server.addUser("carol", site::generatedVideos("carol", 3));
    writeHistory("alice\r\nbob\r\n");
    ASSERT_TRUE(test::handToUnprivileged(folder.path(), 0700));
    ASSERT_TRUE(test::handToUnprivileged(historyPath(), 0200));
    {
        test::AsUnprivileged unprivileged;
        if (!unprivileged.active())
            GTEST_SKIP() << "cannot check files as an unprivileged user";
        auto window = makeWindow();
        EXPECT_EQ(find<QComboBox>(*window, "TxtUser")->count(), 0);
        EXPECT_EQ(statusText(*window),
                  QStringLiteral("Cannot read users.vidfolio; it is left as it is"));
        typeAndList(*window, QStringLiteral("carol"));
        EXPECT_EQ(statusText(*window), QStringLiteral("Finished: 3 videos"));
        find<QAction>(*window, "Exit")->trigger();
        EXPECT_EQ(ends, 1);
    }
    EXPECT_EQ(history(), QByteArray("alice\r\nbob\r\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"users.vidfolio"}));
}

TEST_F(WindowTest, FolderNamedLikeTheHistoryIsLeftAsItIs)
{
    ASSERT_TRUE(QDir().mkdir(historyPath()));
    QFile inside(historyPath() + "/names.txt");
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.write("kept\r\n");
    inside.close();

    auto window = makeWindow();
    EXPECT_EQ(statusText(*window),
              QStringLiteral("Cannot read users.vidfolio; it is left as it is"));
    typeAndList(*window, QStringLiteral("someone"));
    // Written as the listing began: only the close's save can write it again.
    QFile::remove(historyPath());
    window->close();
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(QFileInfo(historyPath()).isDir());
    EXPECT_EQ(QDir(historyPath()).entryList(QDir::Files), QStringList({"names.txt"}));
    ASSERT_TRUE(inside.open(QIODevice::ReadOnly));
    EXPECT_EQ(inside.readAll(), QByteArray("kept\r\n"));
}

TEST_F(WindowTest, LineThatIsNotUtf8KeepsTheOtherNamesLetters)
{
    writeHistory("Zo\xc3\xab\r\ncaf\xe9\r\n\xe6\x97\xa5\xe6\x9c\xac\r\n");
    auto window = makeWindow();
    auto *box = find<QComboBox>(*window, "TxtUser");
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(0), QString::fromUtf8("Zoë"));
    EXPECT_EQ(box->itemText(1), QString::fromUtf8("café"));
    EXPECT_EQ(box->itemText(2), QString::fromUtf8("日本"));
    EXPECT_EQ(statusText(*window), QStringLiteral("vidfolio.example.org"));
    typeAndList(*window, QStringLiteral("new"));
    find<QAction>(*window, "Exit")->trigger();
    EXPECT_EQ(history(),
              QByteArray("new\r\nZo\xc3\xab\r\ncaf\xc3\xa9\r\n\xe6\x97\xa5\xe6\x9c\xac\r\n"));
}

TEST_F(WindowTest, NameOfTenMegabytesIsKeptWholeAndTheListStillOpens)
{
    const QByteArray huge(10 * 1024 * 1024, 'x');
    writeHistory(huge + "\r\nsecond\r\n");
    auto window = makeWindow();
    auto *box = find<QComboBox>(*window, "TxtUser");
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0).size(), huge.size());

    // Laying out the whole name took about 25 s here; the list shows it cut
    // short and opens at once.
    QElapsedTimer clock;
    clock.start();
    box->showPopup();
    EXPECT_TRUE(box->view()->isVisible());
    box->hidePopup();
    EXPECT_LT(clock.elapsed(), 10000);

    typeAndList(*window, QStringLiteral("third"));
    find<QAction>(*window, "Exit")->trigger();
    EXPECT_EQ(history(), "third\r\n" + huge + "\r\nsecond\r\n");
}

} // namespace
