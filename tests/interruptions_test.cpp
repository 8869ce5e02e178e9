// The command rule, as a user meets it: the real window and its program,
// offscreen, against a site whose answers the test holds. Each row gives one
// thing (another command, a close, a signal) while one command waits, during
// the wait or in the same pass of the event loop as the answer, and then
// checks what the window, the history and the browser were left with.
#include "support/windowfixture.h"

#include "platform/endsignals.h"
#include "platform/picturereader.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>

#include <array>
#include <csignal>
#include <optional>
#include <thread>

using namespace vidfolio;
using site::Fault;

namespace {

enum class Under
{
    ListingPage,  // a listing waits for its first numbered page
    ListingPause, // a listing shows its result for a moment
    Thumbnails,   // a click on a video waits for its second picture
    Lookup,       // Download waits for the watch page
};
enum class Given
{
    Listing,
    OtherEntry,
    Download,
    Watchdirect,
    Watch,
    Close,
    Signal,
};
enum class Moment
{
    During,
    WithTheAnswer, // handled in the same pass as the held answer's arrival
};

struct Row
{
    Under under;
    Given given;
    Moment moment;
};

bool endsTheProgram(Given given)
{
    return given == Given::Close || given == Given::Signal;
}

std::string name(const Row &row)
{
    static const char *const unders[] = {"ListingPage", "ListingPause", "Thumbnails", "Lookup"};
    static const char *const givens[] = {"Listing",     "OtherEntry", "Download", "Watchdirect",
                                         "WatchNormal", "Close",      "Signal"};
    return std::string(unders[int(row.under)]) + givens[int(row.given)] +
           (row.moment == Moment::During ? "During" : "WithTheAnswer");
}

void PrintTo(const Row &row, std::ostream *out)
{
    *out << name(row);
}

std::vector<Row> rows()
{
    std::vector<Row> all;
    for (const Under under :
         {Under::ListingPage, Under::ListingPause, Under::Thumbnails, Under::Lookup}) {
        for (int given = 0; given <= int(Given::Signal); ++given) {
            all.push_back({under, Given(given), Moment::During});
            // The pause waits for no answer.
            if (under != Under::ListingPause)
                all.push_back({under, Given(given), Moment::WithTheAnswer});
        }
    }
    return all;
}

// A thumbnail box's content: picture `number` of `video`, or empty.
struct Shown
{
    const site::Video *video = nullptr;
    int number = 0;
};

struct WindowState
{
    QString status;
    bool barEmpty = true;
    std::array<Shown, 3> boxes;
    bool videoMenu = false;
    bool enabled = true;
    QStringList history;
    QStringList opened;
    int ends = 0;
};

class InterruptionTest : public test::WindowTest, public ::testing::WithParamInterface<Row>
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        server.addUser("carol", carol);
        server.addUser("dave", dave);
        server.addUser("erin", erin);
        writeHistory("older\r\nnames\r\n");
    }

    // What the rule leaves once nothing runs any more.
    WindowState expected(const Row &row) const
    {
        const bool listing = row.under == Under::ListingPage || row.under == Under::ListingPause;
        const bool ending = endsTheProgram(row.given);
        const bool videoCommand = row.given == Given::Download || row.given == Given::Watchdirect ||
                                  row.given == Given::Watch;
        // A listing keeps its window disabled and the Video menu hidden:
        // nothing else reaches the program while its pages load, and no
        // Video command during its pause.
        const bool reaches = ending || (row.under != Under::ListingPage &&
                                        !(row.under == Under::ListingPause && videoCommand));
        const QString carol2 = QString::fromStdString(carol[2].id);

        WindowState state;
        state.ends = ending ? 1 : 0;
        state.history = {"carol", "older", "names"};
        if (listing) {
            state.history.prepend("dave");
            state.status = "Finished: 12 videos";
            state.boxes = pictures(carol[7]);
        } else {
            state.status = "Finished";
            state.boxes = pictures(carol[2]);
            state.videoMenu = true;
            if (row.under == Under::Lookup)
                state.opened = {videoFile(carol[2])};
        }
        if (!reaches)
            return state;

        if (ending) {
            // Nothing more is shown, asked for or opened.
            state.opened.clear();
            switch (row.under) {
            case Under::ListingPage:
                state.status = "Working, please wait..";
                state.enabled = false;
                break;
            case Under::ListingPause:
                state.barEmpty = false;
                break;
            case Under::Thumbnails:
                state.status = "Loading pictures...";
                state.boxes = {Shown{&carol[2], 1}, Shown{&carol[7], 2}, Shown{&carol[7], 3}};
                break;
            case Under::Lookup:
                state.status = "Please wait..";
                break;
            }
            return state;
        }
        if (row.given == Given::Watch) {
            // Waits for nothing: opened at once, and the command goes on.
            state.opened.prepend(root() + "/watch?v=" + carol2);
            return state;
        }
        // Gives the command under way up; a click on a video given up leaves
        // the boxes whose pictures never came empty.
        state.opened.clear();
        if (row.under == Under::Thumbnails)
            state.boxes = {Shown{&carol[2], 1}, Shown{}, Shown{}};
        switch (row.given) {
        case Given::Listing:
            state.status = "Finished: 3 videos";
            state.videoMenu = false;
            state.history.prepend("erin");
            break;
        case Given::OtherEntry:
            state.status = "Finished";
            state.videoMenu = true;
            state.boxes = pictures(listing ? dave[5] : carol[5]);
            break;
        case Given::Download:
            state.status = "Finished";
            state.opened = {videoFile(carol[2])};
            break;
        case Given::Watchdirect:
            state.status = "Finished";
            state.opened = {root() + "/player2.swf?video_id=" +
                            QString::fromStdString(site::playerParameters(carol[2]))};
            break;
        default:
            break;
        }
        return state;
    }

    WindowState seen(ui::Main &window) const
    {
        WindowState state;
        state.status = window.statusText();
        state.barEmpty = find<QProgressBar>(window, "PB")->value() == 0;
        for (int box = 0; box < 3; ++box)
            state.boxes[box] = shownIn(window, box);
        state.videoMenu = visibleMenus(window).contains("Video");
        state.enabled = window.isEnabled();
        state.history = QString::fromUtf8(history()).split("\r\n", Qt::SkipEmptyParts);
        state.opened = launcher->opened;
        state.ends = ends;
        return state;
    }

    // The command under way, started as a user starts it; it returns once
    // it and everything given meanwhile have run.
    void start(ui::Main &window, Under under)
    {
        switch (under) {
        case Under::ListingPage:
        case Under::ListingPause:
            typeAndList(window, QStringLiteral("dave"));
            break;
        case Under::Thumbnails:
            clickEntry(window, 2);
            break;
        case Under::Lookup:
            give(window, Given::Download);
            break;
        }
    }

    // Gives `given` as a user would: what the window does not take (a
    // greyed window, a hidden menu) does not reach the program.
    void give(ui::Main &window, Given given)
    {
        const auto videoCommand = [&](const char *name) {
            if (window.isEnabled() && visibleMenus(window).contains("Video"))
                find<QAction>(window, name)->trigger();
        };
        switch (given) {
        case Given::Listing: {
            auto *edit = find<QComboBox>(window, "TxtUser")->lineEdit();
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("erin"));
            QTest::mouseClick(find<QWidget>(window, "CmdGo"), Qt::LeftButton);
            break;
        }
        case Given::OtherEntry: {
            auto *tree = find<ui::VideoTree>(window, "TreeVids");
            if (tree->entryCount() > 5)
                clickEntry(window, 5);
            else
                QTest::mouseClick(tree->viewport(), Qt::LeftButton);
            break;
        }
        case Given::Download:
            videoCommand("Download");
            break;
        case Given::Watchdirect:
            videoCommand("Watchdirect");
            break;
        case Given::Watch:
            videoCommand("Watch");
            break;
        case Given::Close:
            window.close();
            break;
        case Given::Signal:
            ::raise(SIGTERM);
            break;
        }
    }

    // The request the command under way waits on, held until released.
    std::string holdFor(Under under)
    {
        std::string target;
        switch (under) {
        case Under::ListingPage:
            target = "/profile_videos?user=dave&page=1";
            break;
        case Under::ListingPause:
            return {};
        case Under::Thumbnails:
            target = "/vi/" + carol[2].id + "/2.jpg";
            break;
        case Under::Lookup:
            target = "/watch?v=" + carol[2].id;
            break;
        }
        server.setFaultAt(target, {.kind = Fault::Kind::Held, .times = 1});
        return target;
    }

    std::array<Shown, 3> pictures(const site::Video &video) const
    {
        return {Shown{&video, 1}, Shown{&video, 2}, Shown{&video, 3}};
    }
    Shown shownIn(ui::Main &window, int box) const
    {
        const QImage image = find<QLabel>(window, qPrintable(QStringLiteral("SitePic%1").arg(box)))
                                 ->pixmap()
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        if (image.isNull())
            return {};
        for (const auto *videos : {&carol, &dave, &erin}) {
            for (const site::Video &video : *videos) {
                for (int number = 1; number <= 3; ++number) {
                    if (image == thumbnail(video, number))
                        return {&video, number};
                }
            }
        }
        return {nullptr, -1};
    }
    static QImage thumbnail(const site::Video &video, int number)
    {
        return decodePicture(QByteArray::fromStdString(site::thumbnailJpeg(video.id, number)))
            .convertToFormat(QImage::Format_RGB32);
    }
    QString root() const { return QString::fromStdString("http://" + server.host()); }
    QString videoFile(const site::Video &video) const
    {
        return root() +
               "/get_video.php?video_id=" + QString::fromStdString(site::playerParameters(video));
    }

    const std::vector<site::Video> carol = site::generatedVideos("carol", 25);
    const std::vector<site::Video> dave = site::generatedVideos("dave", 12);
    const std::vector<site::Video> erin = site::generatedVideos("erin", 3);
};

std::string describe(const Shown &shown)
{
    if (!shown.video)
        return shown.number < 0 ? "another picture" : "empty";
    return shown.video->id + "/" + std::to_string(shown.number);
}

TEST_P(InterruptionTest, LeavesTheWindowAsTheRuleSays)
{
    const Row row = GetParam();
    auto window = makeWindow();
    // As the program's entry sets them up: a signal closes the window.
    const EndSignals endSignals([&] { window->close(); });
    typeAndList(*window, QStringLiteral("carol"));
    clickEntry(*window, row.under == Under::Lookup ? 2 : 7);
    ASSERT_EQ(window->statusText(), QStringLiteral("Finished"));

    const std::string held = holdFor(row.under);
    std::optional<std::size_t> requestsAtTheEnd;
    bool given = false;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const bool waiting = row.under == Under::ListingPause
                                 ? window->statusText() == QStringLiteral("Finished: 12 videos")
                                 : server.requestsFor(held) == 1;
        if (given || !waiting)
            return;
        given = true;
        poll.stop();
        if (row.moment == Moment::During) {
            give(*window, row.given);
            if (endsTheProgram(row.given))
                requestsAtTheEnd = server.requests().size();
            server.releaseHeld();
            return;
        }
        // The answer has arrived and the timer is due when the event loop next
        // looks: it handles both in one pass, the sockets before the timers
        // (and a signal's pipe before the transfer's socket).
        if (row.given != Given::Signal)
            QTimer::singleShot(1, Qt::PreciseTimer, window.get(),
                               [&] { give(*window, row.given); });
        server.releaseHeld();
        if (endsTheProgram(row.given))
            requestsAtTheEnd = server.requests().size();
        if (row.given == Given::Signal)
            give(*window, row.given);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    poll.start();
    start(*window, row.under);
    // Past any closing pause.
    QTest::qWait(400);

    ASSERT_TRUE(given);
    const WindowState want = expected(row);
    const WindowState got = seen(*window);
    EXPECT_EQ(got.status, want.status);
    EXPECT_EQ(got.barEmpty, want.barEmpty);
    for (int box = 0; box < 3; ++box)
        EXPECT_EQ(describe(got.boxes[box]), describe(want.boxes[box])) << "box " << box;
    EXPECT_EQ(got.videoMenu, want.videoMenu);
    EXPECT_EQ(got.enabled, want.enabled);
    EXPECT_EQ(got.history, want.history);
    EXPECT_EQ(got.opened, want.opened);
    EXPECT_EQ(got.ends, want.ends);
    if (requestsAtTheEnd) {
        EXPECT_EQ(server.requests().size(), *requestsAtTheEnd) << "asked the site after the end";
    }
    EXPECT_FALSE(QFile::exists(folder.filePath("temp.txt")));
}

INSTANTIATE_TEST_SUITE_P(GivenWhileWaiting, InterruptionTest, ::testing::ValuesIn(rows()),
                         [](const auto &info) { return name(info.param); });

} // namespace
