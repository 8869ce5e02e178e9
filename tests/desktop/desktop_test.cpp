// The real program in a virtual X server with a real window manager, driven
// only through the window system: the X test extension (xdotool) for the
// mouse and the keyboard, the window manager for a close (wmctrl -c, Alt+F4),
// and signals from outside. Each case lists a user from a loopback site that
// holds some answer back, ends or interrupts the program at a chosen moment
// and checks what the user would find: how soon the process ended, the
// history file, the scratch file and what was handed to the browser.
#include "siteserver.h"
#include "support/waits.h"
#include "ui/layout.h"
#include "xsession.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using namespace vidfolio::desktop;
using vidfolio::site::Fault;
namespace layout = vidfolio::ui::layout;

namespace {

enum class Wait
{
    FirstPage,   // the site holds the first profile page
    LaterPage,   // the site holds page 2 of the listing (the name is remembered)
    ListingEnd,  // nothing held: the listing runs to its end
    ScratchTurn, // another process holds the scratch file's turn
    Thumbnails,  // a click on an entry, whose first thumbnail the site holds
    Lookup,      // Video > Watch direct on an entry, whose watch page the site holds
};

enum class Act
{
    WmClose,     // wmctrl -c: the window manager's close
    AltF4,       // the window manager's key for a close
    Signal,      // the case's signal: ends the program as a close does
    Kill,        // SIGKILL, then a start again
    KillX,       // the X server ends
    ClickOther,  // a click on another entry
    WatchNormal, // Video > Watch normal
};

struct DesktopCase
{
    std::string name;
    Wait wait;
    Act act;
    int delayMs = 0; // ListingEnd: from the click on "List Videos" to the close
    int signal = 0;  // Signal: the one sent
};

void PrintTo(const DesktopCase &c, std::ostream *out)
{
    *out << c.name;
}

std::vector<DesktopCase> desktopCases()
{
    std::vector<DesktopCase> cases = {
        {"CloseDuringStalledFirstPage", Wait::FirstPage, Act::WmClose},
        {"AltF4DuringStalledFirstPage", Wait::FirstPage, Act::AltF4},
        {"CloseDuringStalledThumbnails", Wait::Thumbnails, Act::WmClose},
        {"AltF4DuringStalledLookup", Wait::Lookup, Act::AltF4},
        {"CloseDuringStalledLookup", Wait::Lookup, Act::WmClose},
        {"CloseWhileAnotherProcessHoldsTheScratchTurn", Wait::ScratchTurn, Act::WmClose},
        {"ClickOnAnotherEntryDuringStalledThumbnails", Wait::Thumbnails, Act::ClickOther},
        {"WatchNormalDuringStalledThumbnails", Wait::Thumbnails, Act::WatchNormal},
        {"SigtermMidListing", Wait::LaterPage, Act::Signal, 0, SIGTERM},
        {"SigintMidListing", Wait::LaterPage, Act::Signal, 0, SIGINT},
        {"SighupMidListing", Wait::LaterPage, Act::Signal, 0, SIGHUP},
        {"SigkillMidListing", Wait::LaterPage, Act::Kill},
        {"XServerKilledMidListing", Wait::LaterPage, Act::KillX},
    };
    // Closes spread over the end of a listing: the last pages, the enabling
    // of the window and the pause after it.
    for (int i = 0; i < 12; ++i) {
        const int delay = i * 45;
        cases.push_back({"CloseAt" + std::to_string(delay) + "msAfterListVideos", Wait::ListingEnd,
                         i % 4 == 3 ? Act::AltF4 : Act::WmClose, delay});
    }
    return cases;
}

// The user listed in every case: 57 videos, a first page and six numbered
// pages of ten.
const std::string kUser = "stella";
const int kUserPages = 6;
// Listed after a SIGKILL, by a name of another length, so that its videos'
// identifiers differ from the first user's.
const std::string kOtherUser = "tom";
const std::vector<std::string> kOlderNames = {"anna", "bert", "carl"};
// A stall far longer than any case waits.
const int kStallMs = 60'000;
// How long a case waits for the program to end after a close: past the
// one second it must end in, to report how late it was.
const auto kExitWait = 3s;

std::string profileTarget(const std::string &user, int page)
{
    return "/profile_videos?user=" + user + (page > 0 ? "&page=" + std::to_string(page) : "");
}

std::string thumbnailTarget(const std::string &id, int number)
{
    return "/vi/" + id + "/" + std::to_string(number) + ".jpg";
}

class DesktopTest : public ::testing::TestWithParam<DesktopCase>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(files.isValid());
        std::filesystem::create_directories(dir("bin"));
        std::filesystem::create_directories(dir("data"));
        std::filesystem::create_directories(dir("run"));
        std::filesystem::permissions(dir("run"), std::filesystem::perms::owner_all);
        // The browser: records each call with the time it came.
        const std::string fake = dir("bin") + "/xdg-open";
        std::ofstream(fake) << "#!/bin/sh\necho \"$(date +%s.%N) $*\" >> '" << dir("opened.txt")
                            << "'\n";
        std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
        std::string older;
        for (const std::string &name : kOlderNames)
            older += name + "\r\n";
        std::ofstream(historyPath(), std::ios::binary) << older;

        server.addUser(kUser, videos);
        server.addUser(kOtherUser, vidfolio::site::generatedVideos(kOtherUser, 12));
        desktop.emplace(dir("x.log"));
        ASSERT_TRUE(desktop->ready()) << "Xvfb and openbox did not start:\n"
                                      << fileText(dir("x.log"));
    }
    void TearDown() override { program.kill(); }

    std::string dir(const std::string &name) const
    {
        return files.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string historyPath() const { return dir("data/users.vidfolio"); }
    std::string scratchPath() const { return dir("data/temp.txt"); }

    // Under the sanitizers: what the system's libraries keep to the end is
    // no leak of the program's.
    static std::string leakOptions()
    {
        const char *given = std::getenv("LSAN_OPTIONS");
        return (given && *given ? std::string(given) + ":" : std::string()) +
               "print_suppressions=0:suppressions=" VIDFOLIO_LSAN_SUPPRESSIONS;
    }
    void startProgram()
    {
        program =
            Child({VIDFOLIO_UNDER_TEST_PATH}, {{"DISPLAY", desktop->env().at("DISPLAY")},
                                               // test.sh runs the other suites offscreen.
                                               {"QT_QPA_PLATFORM", "xcb"},
                                               {"PATH", dir("bin") + ":" + std::getenv("PATH")},
                                               {"XDG_RUNTIME_DIR", dir("run")},
                                               {"VIDFOLIO_TEST_SITE_HOST", server.host()},
                                               {"VIDFOLIO_TEST_FOLDER", dir("data")},
                                               {"LSAN_OPTIONS", leakOptions()}});
        // The window, once mapped; a program under the sanitizers starts slowly.
        waitFor(
            [&] {
                window = desktop->x({"xdotool", "search", "--all", "--onlyvisible", "--pid",
                                     std::to_string(program.pid()), "--name", "^Vidfolio - "});
                window = window.substr(0, window.find('\n'));
                return !window.empty() || !program.running();
            },
            60s);
        ASSERT_FALSE(window.empty())
            << "no window: " << describe(program.waitForExit(0s)) << "; the window manager lists:\n"
            << desktop->x({"wmctrl", "-l", "-p"}) << "\nwindows of the program: "
            << desktop->x({"xdotool", "search", "--pid", std::to_string(program.pid())})
            << "\nopenbox " << (desktop->managerRunning() ? "runs" : "has ended")
            << "\nthe program waits in: "
            << fileText("/proc/" + std::to_string(program.pid()) + "/wchan") << "\n"
            << fileText(dir("x.log"));
        // The client area lies at the bottom of the window, under the menu bar.
        // The window may first be mapped at the client area's size alone,
        // before it grows by the menu bar.
        waitFor(
            [&] {
                std::istringstream geometry(
                    desktop->x({"xdotool", "getwindowgeometry", "--shell", window}));
                for (std::string line; std::getline(geometry, line);) {
                    if (line.starts_with("HEIGHT="))
                        clientTop = std::stoi(line.substr(7)) - layout::clientArea.height();
                }
                return clientTop > 0;
            },
            10s);
        ASSERT_GT(clientTop, 0);
    }

    // A click at a point of the client area.
    void click(QPoint at) const
    {
        desktop->x({"xdotool", "mousemove", "--window", window, std::to_string(at.x()),
                    std::to_string(clientTop + at.y()), "click", "1"});
    }
    void key(const std::string &keys) const { desktop->x({"xdotool", "key", keys}); }
    // The colour (0xRRGGBB) at a point of the client area, from a dump of the
    // window (xwd's format: a header of big-endian words, a colour map, then
    // rows of 32-bit pixels in the server's byte order).
    std::optional<unsigned> pixel(QPoint at) const
    {
        const std::string dump = desktop->x({"xwd", "-silent", "-id", window});
        const auto word = [&](std::size_t index) {
            unsigned value = 0;
            for (std::size_t i = 0; i < 4; ++i)
                value = value << 8 | static_cast<unsigned char>(dump[index * 4 + i]);
            return value;
        };
        if (dump.size() < 100 || word(11) != 32)
            return std::nullopt;
        const std::size_t offset = word(0) + word(19) * 12 + word(12) * (clientTop + at.y()) +
                                   4 * static_cast<std::size_t>(at.x());
        if (offset + 4 > dump.size())
            return std::nullopt;
        unsigned value = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            const unsigned byte = static_cast<unsigned char>(dump[offset + i]);
            value |= word(7) == 0 ? byte << (8 * i) : byte << (8 * (2 - i));
        }
        return value;
    }
    // The left end of the progress bar, filled while a listing runs and
    // emptied once it has ended, after the pause that follows it.
    QPoint barStart() const { return {layout::pb.left() + 4, layout::pb.center().y()}; }
    // Waits for the listing of `user` (pages 0 to `pages`) to end.
    void waitForListingEnd(const std::string &user, int pages) const
    {
        ASSERT_TRUE(requested(profileTarget(user, pages), 10s));
        ASSERT_TRUE(waitFor([&] { return pixel(barStart()) != emptyBar; }, 5s))
            << "the progress bar never filled";
        ASSERT_TRUE(waitFor([&] { return pixel(barStart()) == emptyBar; }, 10s))
            << "the progress bar never emptied";
    }
    // Types `name` over what the user-name box shows, then clicks "List Videos".
    void typeAndList(const std::string &name)
    {
        click(layout::txtUser.center());
        key("ctrl+a");
        desktop->x({"xdotool", "type", "--delay", "15", name});
        // Painted by now: the typing has been shown.
        emptyBar = pixel(barStart());
        click(layout::cmdGo.center());
    }
    // A click on the tree's entry in `row`, rows of 18 pixels from the top.
    void clickEntry(int row) const
    {
        click({layout::treeVids.left() + 40, layout::treeVids.top() + 2 + row * 18 + 9});
    }
    // Video > the command `upFromTheEnd` places above the menu's last entry.
    void videoCommand(int upFromTheEnd) const;

    bool requested(const std::string &target, std::chrono::milliseconds limit) const
    {
        return waitFor([&] { return server.requestsFor(target) > 0; }, limit);
    }
    // Clicks the entry in `row` once the listing has ended.
    void chooseEntry(const std::string &user, int pages, const std::string &id)
    {
        ASSERT_NO_FATAL_FAILURE(waitForListingEnd(user, pages));
        clickEntry(0);
        ASSERT_TRUE(requested(thumbnailTarget(id, 1), 5s)) << "the click on an entry was lost";
    }

    // The names the history file holds, in order.
    std::vector<std::string> historyNames() const
    {
        std::vector<std::string> names;
        std::ifstream in(historyPath(), std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            names.push_back(line);
        }
        return names;
    }
    std::vector<std::string> expectedHistory() const
    {
        std::vector<std::string> names = {kUser};
        names.insert(names.end(), kOlderNames.begin(), kOlderNames.end());
        return names;
    }
    // The calls of the browser, as "SECONDS.NANOSECONDS ADDRESS" lines.
    std::vector<std::string> opened() const
    {
        std::vector<std::string> lines;
        std::ifstream in(dir("opened.txt"));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    bool scratchLeft() const { return std::filesystem::exists(scratchPath()); }

    // Brings the program to the case's wait.
    void reachTheWait(const DesktopCase &c);
    // Ends the program by the case's way and checks the end.
    void endAndCheck(const DesktopCase &c);
    void actDuringTheWait(const DesktopCase &c);

    QTemporaryDir files;
    vidfolio::site::SiteServer server;
    const std::vector<vidfolio::site::Video> videos = vidfolio::site::generatedVideos(kUser, 57);
    std::optional<Desktop> desktop;
    Child program;
    std::string window;
    int clientTop = 0;
    // The progress bar's colour before a listing.
    std::optional<unsigned> emptyBar;
    // The other process's turn on the scratch file.
    int turnHolder = -1;
};

void DesktopTest::videoCommand(int upFromTheEnd) const
{
    // The menu bar's first title lies at its left end; from the File menu,
    // Left goes round to the last title, Video, and Up from no entry to the
    // menu's last one.
    desktop->x({"xdotool", "mousemove", "--window", window, "12", std::to_string(clientTop / 2),
                "click", "1"});
    key("Left");
    for (int i = 0; i <= upFromTheEnd; ++i)
        key("Up");
    key("Return");
}

void DesktopTest::reachTheWait(const DesktopCase &c)
{
    const std::string first = profileTarget(kUser, 0);
    switch (c.wait) {
    case Wait::FirstPage:
        server.setFaultAt(first, {.kind = Fault::Kind::Stall, .delayMs = kStallMs});
        typeAndList(kUser);
        ASSERT_TRUE(requested(first, 10s));
        break;
    case Wait::LaterPage:
        server.setFaultAt(profileTarget(kUser, 2),
                          {.kind = Fault::Kind::Stall, .delayMs = kStallMs});
        typeAndList(kUser);
        ASSERT_TRUE(requested(profileTarget(kUser, 2), 10s));
        break;
    case Wait::ListingEnd:
        typeAndList(kUser);
        std::this_thread::sleep_for(std::chrono::milliseconds(c.delayMs));
        break;
    case Wait::ScratchTurn: {
        turnHolder = ::open(scratchPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_EQ(::flock(turnHolder, LOCK_EX), 0);
        typeAndList(kUser);
        // The program's wait shows in the kernel's table of locks as a
        // blocked request by its process; a program that waits for the turn
        // without blocking shows nothing there and is closed after 3 s.
        waitFor([&] { return vidfolio::test::flockWaitedFor(scratchPath(), program.pid()); }, 3s);
        ASSERT_EQ(server.requestsFor(first), 0u);
        break;
    }
    case Wait::Thumbnails:
        server.setFaultAt(thumbnailTarget(videos[0].id, 1),
                          {.kind = Fault::Kind::Stall, .delayMs = kStallMs});
        typeAndList(kUser);
        ASSERT_NO_FATAL_FAILURE(chooseEntry(kUser, kUserPages, videos[0].id));
        break;
    case Wait::Lookup:
        server.setFaultAt("/watch?v=" + videos[0].id,
                          {.kind = Fault::Kind::Stall, .delayMs = kStallMs});
        typeAndList(kUser);
        ASSERT_NO_FATAL_FAILURE(chooseEntry(kUser, kUserPages, videos[0].id));
        ASSERT_TRUE(requested(thumbnailTarget(videos[0].id, 3), 5s));
        videoCommand(2);
        ASSERT_TRUE(requested("/watch?v=" + videos[0].id, 5s));
        break;
    }
}

void DesktopTest::endAndCheck(const DesktopCase &c)
{
    const bool held = c.wait != Wait::ListingEnd;
    const bool closes = c.act != Act::Kill && c.act != Act::KillX;
    // The listing wrote the name as it began: without the file, only the
    // save of the close (a signal's too) can give the box's names back.
    if (closes)
        std::filesystem::remove(historyPath());
    const std::size_t requestsBefore = server.requests().size();
    const Clock::time_point start = Clock::now();
    switch (c.act) {
    case Act::WmClose:
        desktop->x({"wmctrl", "-i", "-c", window});
        break;
    case Act::AltF4:
        key("alt+F4");
        break;
    case Act::Signal:
        program.signal(c.signal);
        break;
    case Act::Kill:
        program.signal(SIGKILL);
        break;
    case Act::KillX:
        desktop->killServer();
        break;
    default:
        FAIL() << "not an end";
    }
    const std::optional<int> status = program.waitForExit(kExitWait);
    const long long ms = msSince(start);
    std::printf("[desktop] %s: %s %lld ms after the end was asked for\n", c.name.c_str(),
                describe(status).c_str(), ms);
    std::fflush(stdout);
    program.kill();
    if (turnHolder >= 0) {
        // The file at the path is still the other copy's: the program neither
        // removed it nor left one of its own there. The other copy then ends
        // its turn as the program does: file deleted, then the lock let go.
        struct stat held = {}, atPath = {};
        EXPECT_TRUE(::fstat(turnHolder, &held) == 0 &&
                    ::stat(scratchPath().c_str(), &atPath) == 0 && held.st_ino == atPath.st_ino)
            << "the other copy's scratch file is gone";
        ::unlink(scratchPath().c_str());
        ::close(turnHolder);
    }

    EXPECT_EQ(historyNames(), expectedHistory());
    EXPECT_TRUE(opened().empty()) << opened().front();
    switch (c.act) {
    case Act::Kill:
        EXPECT_TRUE(status.has_value()) << "the program outlived its end";
        break;
    case Act::KillX:
        // Qt's X11 platform ends the process with exit(1) once its display is
        // gone; the scratch file of the fetch under way goes with it.
        EXPECT_EQ(describe(status), "exit 1");
        EXPECT_FALSE(scratchLeft());
        break;
    default:
        ASSERT_TRUE(status.has_value()) << "still running " << ms << " ms after the end";
        EXPECT_LE(ms, 1000);
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << describe(status);
        EXPECT_FALSE(scratchLeft());
        if (held) {
            EXPECT_EQ(server.requests().size(), requestsBefore) << "asked the site after the end";
        }
    }

    if (c.act == Act::Kill) {
        // What a killed program left (or a page of the same user put there):
        // the next start must list the user it is asked for, not this page.
        std::ofstream(scratchPath(), std::ios::binary) << vidfolio::site::numberedProfilePage(
            kUser, {videos.begin(), videos.begin() + 10}, "http://" + server.host());
        server.clearFaults();
        ASSERT_NO_FATAL_FAILURE(startProgram());
        typeAndList(kOtherUser);
        // The first entry shown is the first video of that user.
        ASSERT_NO_FATAL_FAILURE(chooseEntry(kOtherUser, 2, "v3x1"));
        EXPECT_EQ(server.requestsFor(thumbnailTarget(videos[0].id, 1)), 0u);
    }
}

void DesktopTest::actDuringTheWait(const DesktopCase &c)
{
    const auto wallNow = [] {
        return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    if (c.act == Act::ClickOther) {
        const std::string other = thumbnailTarget(videos[4].id, 1);
        const Clock::time_point start = Clock::now();
        clickEntry(4);
        const bool asked = requested(other, 3s);
        const long long ms = msSince(start);
        std::printf("[desktop] %s: entry 5's thumbnails %s %lld ms after the click\n",
                    c.name.c_str(), asked ? "asked for" : "not asked for", ms);
        EXPECT_TRUE(asked && ms <= 2000);
        return;
    }
    const double clicked = wallNow();
    videoCommand(1);
    waitFor([&] { return !opened().empty(); }, 3s);
    // Any later call of the browser, a replayed command.
    std::this_thread::sleep_for(2s);
    const std::vector<std::string> calls = opened();
    const double after = calls.empty() ? 0 : std::stod(calls[0]) - clicked;
    std::printf("[desktop] %s: %zu calls of xdg-open, the first %s\n", c.name.c_str(), calls.size(),
                calls.empty()
                    ? "never"
                    : (std::to_string(std::lround(after * 1000)) + " ms after the click").c_str());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_LE(after, 2.0);
    EXPECT_NE(calls[0].find("/watch?v=" + videos[0].id), std::string::npos) << calls[0];
}

TEST_P(DesktopTest, EndsAndInputAsAUserGivesThem)
{
    const DesktopCase &c = GetParam();
    ASSERT_NO_FATAL_FAILURE(startProgram());
    ASSERT_NO_FATAL_FAILURE(reachTheWait(c));
    if (c.act == Act::ClickOther || c.act == Act::WatchNormal)
        actDuringTheWait(c);
    else
        endAndCheck(c);
}

INSTANTIATE_TEST_SUITE_P(Desktop, DesktopTest, ::testing::ValuesIn(desktopCases()),
                         [](const auto &info) { return info.param.name; });

} // namespace
