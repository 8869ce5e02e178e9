// Waiting runs the event loop: the commands that arrive during a wait, the
// end of the program, and the waits for a lock and for the site, each
// seen from the loop's side.
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

TEST(RunLoopTest, ACommandGivenDuringAWaitGivesThatOneUpAndTheLatestRunsAfterIt)
{
    RunLoop loop;
    std::vector<std::string> events;
    const auto command = [&](const std::string &name, int waitMs) {
        return [&, name, waitMs] {
            events.push_back(name + " starts");
            Wait wait(loop);
            const WaitEnd end = wait.run(std::chrono::milliseconds(waitMs));
            events.push_back(name + (end == WaitEnd::Stopped ? " given up" : " waited"));
        };
    };
    // Two commands arrive while the first waits: the second is dropped
    // for the third, which runs once the first has returned.
    after(50, [&] {
        loop.runCommand(command("second", 10));
        loop.runCommand(command("third", 10));
    });
    const auto start = Clock::now();
    loop.runCommand(command("first", 5000));

    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_EQ(events, (std::vector<std::string>{"first starts", "first given up", "third starts",
                                                "third waited"}));
    EXPECT_FALSE(loop.stopped());
}

TEST(RunLoopTest, TheEndStopsEveryWaitButItsOwnAndRunsNoCommand)
{
    RunLoop loop;
    Ticks ticks;
    WaitEnd commandWait = WaitEnd::Done;
    std::optional<WaitEnd> endsOwnWait;
    std::optional<WaitEnd> waitAfterEnd;
    bool laterCommandRan = false;
    after(50, [&] {
        loop.end();
        // The end's own wait (the history lock) takes its time, live.
        const int ticksBefore = ticks.count;
        Wait own(loop);
        endsOwnWait = own.run(100ms, true);
        EXPECT_GE(ticks.count - ticksBefore, 5);
        waitAfterEnd = Wait(loop).run(5000ms);
        loop.runCommand([&] { laterCommandRan = true; });
    });
    loop.runCommand([&] { commandWait = Wait(loop).run(5000ms); });

    EXPECT_EQ(commandWait, WaitEnd::Stopped);
    EXPECT_EQ(endsOwnWait, WaitEnd::TimedOut);
    EXPECT_EQ(waitAfterEnd, WaitEnd::Stopped);
    EXPECT_FALSE(laterCommandRan);
    EXPECT_TRUE(loop.ending());
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
    std::optional<FileTurn::Status> file, folderTurn;
    after(100, [&] { loop.end(); });
    loop.runCommand([&] {
        file = FileTurn::take(path(), 10s, loop).status();
        // Once ending, the folder's lock (the save at the end) is waited for
        // its time only.
        folderTurn = FileTurn::takeFolder(folder.path(), 200ms, loop).status();
    });
    ::close(folderHolder);

    EXPECT_EQ(file, FileTurn::Status::GivenUp);
    EXPECT_EQ(folderTurn, FileTurn::Status::Busy);
    EXPECT_LT(Clock::now() - start, 2s);
}

TEST(DownloadWaitTest, AStalledDownloadIsGivenUpAtOnceWhenItsCommandIsGivenUp)
{
    site::SiteServer server;
    server.setPage("bob", 1, "the page");
    server.setFault(1, {.kind = site::Fault::Kind::Stall, .delayMs = 5000, .times = 1});
    QTemporaryDir folder;
    const QString file = folder.filePath("temp.txt");
    const std::string address = "http://" + server.host() + "/profile_videos?user=bob&page=1";
    RunLoop loop;
    Downloader downloader({}, &loop);
    Ticks ticks;

    std::optional<DownloadResult> first, second;
    after(200, [&] {
        loop.runCommand([&] { second = test::downloadToFile(downloader, address, file); });
    });
    const auto start = Clock::now();
    loop.runCommand([&] { first = test::downloadToFile(downloader, address, file); });

    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->abandoned);
    EXPECT_FALSE(first->ok);
    // The stall was for one answer only: the newer command's download, on
    // the same handle, gets the page.
    EXPECT_TRUE(second->ok) << second->reason.toStdString();
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_GE(ticks.count, 20);
    EXPECT_EQ(server.requests().size(), 2u);
}

} // namespace
