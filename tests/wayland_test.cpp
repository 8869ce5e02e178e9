// The real program on a Wayland compositor: weston's headless back end, with
// a seat of the test's own (wayland/seatmodule.c) to click and type through,
// and Qt's Wayland platform. The window shows natively, lists a user from the
// test site, lives through every button of the title bar Qt draws for it,
// and saves the history when the compositor or its close button closes it.
#include "siteserver.h"
#include "support/filebytes.h"
#include "support/waits.h"
#include "ui/layout.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vidfolio;
using namespace std::chrono_literals;
using test::waitFor;
namespace layout = vidfolio::ui::layout;

namespace {

// The window as the compositor has it: its geometry in global coordinates,
// title bar and frame included.
struct Window
{
    QRect frame;
    bool maximized = false;
};

// Qt's own title bar: 30 pixels high and 3 pixels of frame on the other
// sides, its three buttons 18 pixels wide, 5 apart and 8 from the right edge.
constexpr int kTitleBar = 30;
constexpr int kFrame = 3;
QPoint titleButton(const QRect &frame, int fromRight)
{
    return {frame.right() + 1 - 8 - 9 - fromRight * (18 + 5), frame.top() + kTitleBar / 2};
}

class WaylandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString weston = QStandardPaths::findExecutable(QStringLiteral("weston"));
        const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                               QStringLiteral("/platforms/libqwayland-generic.so");
        if (weston.isEmpty() || !QFile::exists(plugin))
            GTEST_SKIP() << "weston or Qt's Wayland platform (qt6-wayland) is not installed";
        ASSERT_TRUE(runtime.isValid() && folder.isValid());
        ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
        commands = runtime.filePath(QStringLiteral("commands"));
        answers = runtime.filePath(QStringLiteral("answers"));
        ASSERT_EQ(::mkfifo(QFile::encodeName(commands).constData(), 0600), 0);
        server.addUser("carol", site::generatedVideos("carol", 3));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("VIDFOLIO_SEAT_COMMANDS"), commands);
        env.insert(QStringLiteral("VIDFOLIO_SEAT_ANSWERS"), answers);
        compositor.setProcessEnvironment(env);
        // Its log goes to a file, shown only when the compositor fails.
        compositor.setProcessChannelMode(QProcess::MergedChannels);
        compositor.setStandardOutputFile(runtime.filePath(QStringLiteral("weston.log")));
        // Without the startup fade: weston 14 keeps its curtain over the
        // screen, taking every click, for a while after the first window
        // shows.
        const QString config = runtime.filePath(QStringLiteral("weston.ini"));
        QFile ini(config);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[shell]\nstartup-animation=none\n");
        ini.close();
        compositor.start(weston,
                         {QStringLiteral("--backend=headless-backend.so"),
                          QStringLiteral("--socket=") + kSocket, QStringLiteral("--width=1024"),
                          QStringLiteral("--height=768"), QStringLiteral("--idle-time=0"),
                          QStringLiteral("--config=") + config,
                          QStringLiteral("--modules=") + VIDFOLIO_WESTON_SEAT});
        ASSERT_TRUE(compositor.waitForStarted());
        ASSERT_TRUE(waitFor([&] { return QFile::exists(runtime.filePath(kSocket)); }, 5s));
        command(QStringLiteral("windows"));
        ASSERT_TRUE(seatAnswered) << "the seat module did not load";

        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), kSocket);
        env.remove(QStringLiteral("DISPLAY"));
        // In the sanitizer build: what Qt's Wayland platform leaves allocated
        // at exit is not the program's, and a leak report would change the
        // exit status the test checks.
        const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   (asan.isEmpty() ? QString() : asan + u':') + QStringLiteral("detect_leaks=0"));
        env.insert(QStringLiteral("VIDFOLIO_TEST_SITE_HOST"),
                   QString::fromStdString(server.host()));
        env.insert(QStringLiteral("VIDFOLIO_TEST_FOLDER"), folder.path());
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
    }

    void TearDown() override
    {
        if (HasFailure()) {
            QFile log(runtime.filePath(QStringLiteral("weston.log")));
            if (log.open(QIODevice::ReadOnly))
                std::fputs(log.readAll().constData(), stderr);
        }
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
        if (compositor.state() != QProcess::NotRunning) {
            compositor.terminate();
            if (!compositor.waitForFinished(3000))
                compositor.kill();
        }
    }

    // Sends one command to the seat and returns the lines of its answer.
    QStringList command(const QString &line)
    {
        seatAnswered = false;
        const QString id = QString::number(++lastId);
        const QByteArray bytes = (id + u' ' + line + u'\n').toUtf8();
        const int fd = ::open(QFile::encodeName(commands).constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0 || ::write(fd, bytes.constData(), bytes.size()) != bytes.size())
            ADD_FAILURE() << "cannot write to the seat";
        if (fd >= 0)
            ::close(fd);
        QStringList lines;
        seatAnswered = waitFor(
            [&] {
                QFile file(answers);
                if (!file.open(QIODevice::ReadOnly))
                    return false;
                lines.clear();
                for (const QByteArray &answer : file.readAll().split('\n')) {
                    if (answer.startsWith((id + u' ').toUtf8()))
                        lines.append(QString::fromUtf8(answer.mid(id.size() + 1)));
                }
                return lines.contains(QStringLiteral("done"));
            },
            5s);
        EXPECT_TRUE(seatAnswered) << "the seat did not answer " << line.toStdString();
        lines.removeAll(QStringLiteral("done"));
        return lines;
    }

    // The program's windows on screen, topmost first.
    std::vector<Window> windows()
    {
        std::vector<Window> shown;
        for (const QString &line : command(QStringLiteral("windows"))) {
            const QStringList f = line.split(u' ');
            if (f.size() == 7 && f[0] == u"window" && f[1] == u"vidfolio")
                shown.push_back(
                    {QRect(f[2].toInt(), f[3].toInt(), f[4].toInt(), f[5].toInt()), f[6] == u"1"});
        }
        return shown;
    }

    std::optional<Window> window()
    {
        const std::vector<Window> shown = windows();
        return shown.empty() ? std::nullopt : std::optional<Window>(shown.front());
    }

    // The window on screen other than the main window at `main`: a box.
    std::optional<Window> box(const QRect &main)
    {
        for (const Window &shown : windows()) {
            if (shown.frame != main)
                return shown;
        }
        return std::nullopt;
    }

    void click(QPoint at)
    {
        command(QStringLiteral("move %1 %2").arg(at.x()).arg(at.y()));
        command(QStringLiteral("click"));
    }

    // A point of the window's client area, given in its own coordinates.
    static QPoint inClient(const QRect &frame, QPoint point)
    {
        const int clientTop = frame.bottom() + 1 - kFrame - layout::clientArea.height();
        return {frame.left() + kFrame + point.x(), clientTop + point.y()};
    }

    static QPoint firstEntry(const QRect &frame)
    {
        return inClient(frame, layout::treeVids.topLeft() + QPoint(40, 9));
    }

    void typeIntoUserBox(const QRect &frame, const QByteArray &letters)
    {
        click(inClient(frame, layout::txtUser.center()));
        command(QStringLiteral("key %1").arg(KEY_END));
        for (int i = 0; i < 40; ++i)
            command(QStringLiteral("key %1").arg(KEY_BACKSPACE));
        static const QByteArray keys = "abcdefghijklmnopqrstuvwxyz";
        static const int codes[] = {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                                    KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                                    KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
        for (const char letter : letters)
            command(QStringLiteral("key %1").arg(codes[keys.indexOf(letter)]));
    }

    // Starts the program on the history `history` and waits for its window.
    Window start(const QByteArray &history)
    {
        QFile file(historyPath());
        if (file.open(QIODevice::WriteOnly))
            file.write(history);
        file.close();
        program.start(VIDFOLIO_UNDER_TEST_PATH, {});
        EXPECT_TRUE(program.waitForStarted());
        std::optional<Window> shown;
        EXPECT_TRUE(waitFor([&] { return (shown = window()).has_value(); }, 10s))
            << "no window of app id vidfolio";
        return shown.value_or(Window{});
    }

    // Lists carol through the window and waits for the listing's end. The
    // window, disabled while it lists, drops every click until then: the
    // first entry is clicked until it asks for its pictures, which leaves it
    // chosen.
    void listCarol(const QRect &frame)
    {
        typeIntoUserBox(frame, "carol");
        click(inClient(frame, layout::cmdGo.center()));
        const auto pictureAsked = [&] {
            for (const auto &request : server.requests()) {
                if (request.target.ends_with(".jpg"))
                    return true;
            }
            return false;
        };
        const QPoint entry = firstEntry(frame);
        EXPECT_TRUE(waitFor(
            [&] {
                click(entry);
                return waitFor(pictureAsked, 500ms);
            },
            15s))
            << "the window took no click after the listing";
    }

    QString historyPath() const { return folder.filePath(QStringLiteral("users.vidfolio")); }
    QByteArray history() const { return test::fileBytes(historyPath()); }
    bool ended(int ms) { return program.waitForFinished(ms); }
    // Without an event loop the process's end is seen only while waiting.
    bool running() { return !program.waitForFinished(10); }

    const QString kSocket = QStringLiteral("vidfolio-test-%1").arg(::getpid());
    QTemporaryDir runtime;
    QTemporaryDir folder;
    QString commands, answers;
    int lastId = 0;
    bool seatAnswered = false;
    site::SiteServer server;
    QProcess compositor;
    QProcess program;
};

TEST_F(WaylandTest, ListsLivesThroughTheTitleBarAndSavesWhenTheCompositorCloses)
{
    const Window shown = start("older\r\n");
    ASSERT_FALSE(shown.frame.isEmpty());
    listCarol(shown.frame);
    ASSERT_TRUE(running());

    // Maximize: the compositor gives the whole screen; the window takes it
    // (a window that kept its fixed size would lose its connection).
    click(titleButton(shown.frame, 1));
    std::optional<Window> maximized;
    ASSERT_TRUE(waitFor([&] { return (maximized = window()) && maximized->maximized; }, 5s))
        << (running() ? "not maximized" : "maximize ended the program");
    // And back, to the fixed size it had.
    click(titleButton(maximized->frame, 1));
    std::optional<Window> restored;
    ASSERT_TRUE(waitFor([&] { return (restored = window()) && !restored->maximized; }, 5s))
        << (running() ? "still maximized" : "restoring ended the program");
    EXPECT_EQ(restored->frame.size(), shown.frame.size());

    // Minimized, the window leaves the screen, which the seat lists.
    click(titleButton(restored->frame, 2));
    EXPECT_TRUE(waitFor([&] { return !window(); }, 5s)) << "the window is still on screen";
    ASSERT_TRUE(running()) << "minimize ended the program";

    command(QStringLiteral("close vidfolio"));
    ASSERT_TRUE(ended(2000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(history(), QByteArray("carol\r\nolder\r\n"));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("temp.txt"))));
}

TEST_F(WaylandTest, TheCloseButtonOfTheTitleBarSavesAndEnds)
{
    const Window shown = start("older\r\n");
    ASSERT_FALSE(shown.frame.isEmpty());
    typeIntoUserBox(shown.frame, "nobody");
    click(inClient(shown.frame, layout::cmdGo.center()));
    // The name is on disk as the listing starts.
    EXPECT_TRUE(waitFor([&] { return history() == "nobody\r\nolder\r\n"; }, 5s))
        << history().constData();
    QThread::msleep(600);
    click(titleButton(shown.frame, 0));
    ASSERT_TRUE(ended(2000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(history(), QByteArray("nobody\r\nolder\r\n"));
}

// The message boxes have a fixed size, and Qt's title bar offers maximize
// all the same: each box takes the screen it is given and the program runs
// on. A box that kept its size would lose the connection as it next painted,
// as it does for the pointer over its OK button.
TEST_F(WaylandTest, TheMessageBoxesLiveThroughAMaximize)
{
    const Window shown = start("older\r\n");
    ASSERT_FALSE(shown.frame.isEmpty());
    listCarol(shown.frame);
    const int clientTop = inClient(shown.frame, {}).y();
    const QPoint file(shown.frame.left() + kFrame + 15,
                      (shown.frame.top() + kTitleBar + clientTop) / 2);
    const auto openAbout = [&] {
        click(file);
        command(QStringLiteral("key %1").arg(KEY_DOWN));
        command(QStringLiteral("key %1").arg(KEY_ENTER));
    };
    // An entry clicked shows the Video menu; clicked again with Ctrl held,
    // it is no longer selected, and the menu opened tells that none is.
    const auto openNoVideoSelected = [&] {
        const QPoint entry = firstEntry(shown.frame);
        click(entry);
        // Past the pictures' loading, which each click starts.
        QThread::msleep(600);
        command(QStringLiteral("press %1").arg(KEY_LEFTCTRL));
        click(entry);
        command(QStringLiteral("release %1").arg(KEY_LEFTCTRL));
        QThread::msleep(600);
        // From the File menu, Left goes round to the last menu, Video.
        click(file);
        command(QStringLiteral("key %1").arg(KEY_LEFT));
    };
    const std::function<void()> opens[] = {openAbout, openNoVideoSelected};
    for (const auto &open : opens) {
        open();
        std::optional<Window> opened;
        ASSERT_TRUE(waitFor([&] { return (opened = box(shown.frame)).has_value(); }, 5s))
            << "no box";
        click(titleButton(opened->frame, 1));
        std::optional<Window> maximized;
        ASSERT_TRUE(
            waitFor([&] { return (maximized = box(shown.frame)) && maximized->maximized; }, 5s))
            << (running() ? "not maximized" : "maximize ended the program");
        // Over the OK button, at the bottom right.
        const QRect f = maximized->frame;
        command(QStringLiteral("move %1 %2").arg(f.right() - kFrame - 50).arg(f.bottom() - 25));
        QThread::msleep(500);
        ASSERT_TRUE(running()) << "the box's paint ended the program";
        command(QStringLiteral("key %1").arg(KEY_ENTER));
        ASSERT_TRUE(waitFor([&] { return !box(shown.frame); }, 5s)) << "the box is still open";
    }
    ASSERT_TRUE(running());
    command(QStringLiteral("close vidfolio"));
    ASSERT_TRUE(ended(2000));
    EXPECT_EQ(program.exitCode(), 0);
}

} // namespace

// The compositor goes while the first page is on its way: the name listed is
// in the history already, and the scratch file is gone with the program.
TEST_F(WaylandTest, ACompositorEndedMidListingLosesNoName)
{
    server.setFault(0, {.kind = site::Fault::Kind::Stall, .delayMs = 10000});
    const Window shown = start("older\r\n");
    ASSERT_FALSE(shown.frame.isEmpty());
    typeIntoUserBox(shown.frame, "carol");
    click(inClient(shown.frame, layout::cmdGo.center()));
    ASSERT_TRUE(waitFor([&] { return !server.requests().empty(); }, 5s));

    compositor.kill();
    ASSERT_TRUE(ended(2000));
    EXPECT_EQ(history(), QByteArray("carol\r\nolder\r\n"));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("temp.txt"))));
}
