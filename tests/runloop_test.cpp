// Waiting runs the event loop: the command rule over it (commands that
// arrive during a wait, the end of the program), a stop and the waits for a
// lock and for the site, each seen from the loop's side.
#include "app/commands.h"
#include "platform/downloader.h"
#include "platform/fileturn.h"
#include "platform/runloop.h"
#include "siteserver.h"
#include "support/filedownload.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace vidfolio;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Counts the turns of the event loop: a wait that blocks its thread lets
// none through.
class Ticks
{
public:
    Ticks()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { ++count; });
        m_timer.start();
    }
    int count = 0;

private:
    QTimer m_timer;
};

// Runs `action` once the event loop has turned `ms` later.
void after(int ms, std::function<void()> action)
{
    QTimer::singleShot(ms, std::move(action));
}

TEST(CommandsTest, ACommandGivenDuringAWaitGivesThatOneUpAndTheLatestRunsAfterIt)
{
    RunLoop loop;
    Commands commands(loop);
    std::vector<std::string> events;
    const auto command = [&](const std::string &name, int waitMs) {
        return [&, name, waitMs] {
            events.push_back(name + " starts");
            const WaitEnd end = Wait(loop).run(std::chrono::milliseconds(waitMs));
            events.push_back(name + (end == WaitEnd::Stopped ? " stopped" : " waited"));
        };
    };
    const auto leaveBehind = [&](const std::string &name) {
        return [&, name] { events.push_back(name + " leaves"); };
    };
    // Of the two that arrive while the first waits, the second is dropped
    // for the third, which runs once the first has returned.
    after(50, [&] {
        commands.give(command("second", 10), leaveBehind("second"));
        commands.give(command("third", 10), leaveBehind("third"));
    });
    const auto start = Clock::now();
    commands.give(command("first", 5000), leaveBehind("first"));

    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_EQ(events, (std::vector<std::string>{"first starts", "first stopped", "first leaves",
                                                "third starts", "third waited"}));
    EXPECT_FALSE(loop.stopped());
}

TEST(CommandsTest, TheEndStopsTheCommandRunsNoneAndDoesItsWorkOnceAfterAnUnbrokenStep)
{
    RunLoop loop;
    Commands commands(loop);
    Ticks ticks;
    std::vector<std::string> events;
    WaitEnd commandWait = WaitEnd::Done;
    after(50, [&] {
        const Commands::Unbroken unbroken(commands);
        commands.end([&] {
            // The end's own wait (the last save's lock) takes its time, live.
            const int ticksBefore = ticks.count;
            const WaitEnd own = Wait(loop).run(100ms);
            events.push_back(own == WaitEnd::TimedOut ? "end waited" : "end stopped");
            EXPECT_GE(ticks.count - ticksBefore, 5);
            commands.end([&] { events.push_back("second end"); });
        });
        // The end's work waits for the unbroken step, whose waits stop.
        events.push_back(Wait(loop).run(5000ms) == WaitEnd::Stopped ? "step stopped" : "step");
    });
    commands.give(
        [&] {
            commandWait = Wait(loop).run(5000ms);
            commands.give([&] { events.push_back("later command"); });
        },
        [&] { events.push_back("left behind"); });

    EXPECT_EQ(commandWait, WaitEnd::Stopped);
    EXPECT_EQ(events, (std::vector<std::string>{"step stopped", "end waited"}));
    EXPECT_TRUE(commands.ending());
    EXPECT_EQ(Wait(loop).run(5000ms), WaitEnd::Stopped);
}

class LockWaitTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        // Another holder: a lock on an open file of its own, as another copy
        // of the program has.
        other = ::open(QFile::encodeName(path()).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        ASSERT_GE(other, 0);
        ASSERT_EQ(::flock(other, LOCK_EX), 0);
    }
    void TearDown() override
    {
        if (other >= 0)
            ::close(other);
    }
    QString path() const { return folder.filePath("temp.txt"); }

    QTemporaryDir folder;
    int other = -1;
    RunLoop loop;
};

TEST_F(LockWaitTest, TheTurnIsTakenWhenTheOtherHolderLetsGoWhileTheLoopRuns)
{
    Ticks ticks;
    after(300, [&] {
        ::close(other);
        other = -1;
    });
    const FileTurn turn = FileTurn::take(path(), 10s, loop);
    EXPECT_EQ(turn.status(), FileTurn::Status::Held);
    // About 60 turns of 5 ms before the holder let go.
    EXPECT_GE(ticks.count, 20);
}

TEST_F(LockWaitTest, AStoppedWaitEndsAtOnceForTheFileAndTheFolder)
{
    int folderHolder =
        ::open(QFile::encodeName(folder.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(folderHolder, LOCK_EX), 0);
    const auto start = Clock::now();
    after(100, [&] { loop.stop(); });
    const FileTurn::Status file = FileTurn::take(path(), 10s, loop).status();
    const FileTurn::Status folderTurn = FileTurn::takeFolder(folder.path(), 10s, loop).status();
    loop.resume();
    // With the stop lowered, the folder's lock is waited for its time.
    const FileTurn::Status folderLater = FileTurn::takeFolder(folder.path(), 200ms, loop).status();
    ::close(folderHolder);

    EXPECT_EQ(file, FileTurn::Status::Stopped);
    EXPECT_EQ(folderTurn, FileTurn::Status::Stopped);
    EXPECT_EQ(folderLater, FileTurn::Status::Busy);
    EXPECT_LT(Clock::now() - start, 2s);
}

TEST(DownloadWaitTest, AStalledDownloadIsGivenUpAtOnceWhenTheLoopIsStopped)
{
    site::SiteServer server;
    server.setPage("bob", 1, "the page");
    server.setFault(1, {.kind = site::Fault::Kind::Stall, .delayMs = 5000, .times = 1});
    QTemporaryDir folder;
    const QString file = folder.filePath("temp.txt");
    const std::string address = "http://" + server.host() + "/profile_videos?user=bob&page=1";
    RunLoop loop;
    Downloader downloader(loop);
    Ticks ticks;

    after(200, [&] { loop.stop(); });
    const auto start = Clock::now();
    const DownloadResult first = test::downloadToFile(downloader, address, file);
    loop.resume();
    const DownloadResult second = test::downloadToFile(downloader, address, file);

    EXPECT_EQ(first.outcome, Outcome::Stopped);
    // The stall was for one answer only: the next download, on the same
    // handle, gets the page.
    EXPECT_TRUE(second.ok()) << second.reason.toStdString();
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_GE(ticks.count, 20);
    EXPECT_EQ(server.requests().size(), 2u);
}

} // namespace
