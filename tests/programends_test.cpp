// What the ways a program ends other than its close leave behind: the signals
// that ask it to end reach the event loop, and a program ended by exit()
// during a fetch leaves no scratch file.
#include "listing/pagefetcher.h"
#include "platform/downloader.h"
#include "platform/endsignals.h"
#include "platform/fileturn.h"
#include "platform/runloop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <functional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vidfolio;
using namespace std::chrono_literals;

namespace {

// Runs `body` in a child process and returns its wait status.
int inChild(const std::function<void()> &body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return status;
}

// The test program's application object runs the event loop.
class EndSignalsTest : public ::testing::TestWithParam<int>
{
};

TEST_P(EndSignalsTest, TheSignalReachesTheEventLoopOnce)
{
    int ends = 0;
    {
        const EndSignals handling([&] { ++ends; });
        ASSERT_TRUE(handling.installed());
        ASSERT_EQ(::raise(GetParam()), 0);
        // The handler does no more than note the signal.
        EXPECT_EQ(ends, 0);
        QElapsedTimer timer;
        timer.start();
        while (ends == 0 && timer.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QCoreApplication::processEvents();
        EXPECT_EQ(ends, 1);
    }
    struct sigaction now = {};
    ASSERT_EQ(::sigaction(GetParam(), nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

INSTANTIATE_TEST_SUITE_P(AskingToEnd, EndSignalsTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const auto &info) { return std::string(sigabbrev_np(info.param)); });

// A program that hangs while it ends still ends at the second signal.
TEST(EndSignalsTwice, TheSecondSignalEndsTheProcessAtOnce)
{
    const int status = inChild([] {
        const EndSignals handling([] {});
        ::raise(SIGTERM);
        // Still running after the first.
        ::raise(SIGINT);
        ::_exit(3);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
}

// exit() with a turn held, as a toolkit exits when its display is gone.
struct ExitCase
{
    const char *name;
    bool marked;
    // What the child does with the turn before it exits.
    enum class Then
    {
        Exit,
        Move,
        Release,
        // Removed on demand, then _exit, which runs no exit handler.
        RemoveAndEndAtOnce
    } then;
    bool removed;
    friend void PrintTo(const ExitCase &c, std::ostream *out) { *out << c.name; }
};

class ExitRemovalTest : public ::testing::TestWithParam<ExitCase>
{
protected:
    QTemporaryDir folder;
};

TEST_P(ExitRemovalTest, OnlyAMarkedTurnStillHeldLosesItsFile)
{
    const QString path = folder.filePath("temp.txt");
    const ExitCase c = GetParam();
    const int status = inChild([&] {
        RunLoop loop;
        const auto take = [&] {
            FileTurn turn = FileTurn::take(path, 1s, loop);
            if (c.marked)
                turn.removeFileAtExit();
            return turn;
        };
        switch (c.then) {
        case ExitCase::Then::Exit: {
            const FileTurn turn = take();
            std::exit(turn.status() == FileTurn::Status::Held ? 1 : 2);
        }
        case ExitCase::Then::Move: {
            FileTurn turn = take();
            const FileTurn moved = std::move(turn);
            std::exit(moved.status() == FileTurn::Status::Held ? 1 : 2);
        }
        case ExitCase::Then::RemoveAndEndAtOnce: {
            const FileTurn turn = take();
            FileTurn::removeFilesMarkedForExit();
            ::_exit(turn.status() == FileTurn::Status::Held ? 1 : 2);
        }
        case ExitCase::Then::Release: {
            take();
            // The file stays; a turn nobody marked takes it again.
            const FileTurn again = FileTurn::take(path, 1s, loop);
            std::exit(again.status() == FileTurn::Status::Held ? 1 : 2);
        }
        }
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(!QFile::exists(path), c.removed);
}

INSTANTIATE_TEST_SUITE_P(
    Turns, ExitRemovalTest,
    ::testing::Values(ExitCase{"NotMarked", false, ExitCase::Then::Exit, false},
                      ExitCase{"Marked", true, ExitCase::Then::Exit, true},
                      ExitCase{"MarkedAndMoved", true, ExitCase::Then::Move, true},
                      ExitCase{"MarkedAndLetGo", true, ExitCase::Then::Release, false},
                      ExitCase{"MarkedAndRemovedBeforeExitAtOnce", true,
                               ExitCase::Then::RemoveAndEndAtOnce, true},
                      ExitCase{"NotMarkedAndExitAtOnce", false, ExitCase::Then::RemoveAndEndAtOnce,
                               false}),
    [](const auto &info) { return std::string(info.param.name); });

// The page fetch marks its turn: exit() in the middle of a download (here
// while the request waits for an answer) leaves no temp.txt. The site is a
// socket that takes connections and never answers: the child is forked
// from a process without other threads, as one holding a lock at the fork
// would leave the child's exit handlers stuck on it.
TEST(ScratchAtExit, ExitDuringAFetchLeavesNoScratchFile)
{
    QTemporaryDir folder;
    const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    ASSERT_EQ(::getsockname(silent, reinterpret_cast<sockaddr *>(&address), &length), 0);
    const QString page =
        QStringLiteral("http://127.0.0.1:%1/profile_videos?user=bob").arg(ntohs(address.sin_port));
    const int status = inChild([&] {
        RunLoop loop;
        Downloader downloader(loop);
        const DownloadLimits limits{};
        PageFetcher fetcher(downloader, folder.path(), scratchTurnWait(limits));
        QTimer::singleShot(100,
                           [&] { std::exit(QFile::exists(folder.filePath("temp.txt")) ? 1 : 2); });
        [[maybe_unused]] const FetchResult never = fetcher.FetchPage(page, limits);
    });
    ::close(silent);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_FALSE(QFile::exists(folder.filePath("temp.txt")));
}

} // namespace
