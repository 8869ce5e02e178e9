// The command rule, as a user meets it: the real window and its program,
// offscreen, against a site whose answers the test holds. Each row gives one
// thing (another command, a close, a signal) while one command waits, during
// the wait or in the same pass of the event loop as the answer, and checks
// what the window, the history and the browser were left with.
#include "support/windowfixture.h"

#include "platform/endsignals.h"
#include "platform/picturereader.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

#include <csignal>
#include <thread>

using namespace vidfolio;

namespace {

// A listing waiting for its first numbered page or in its closing pause, a
// click on a video waiting for its second picture, Download waiting for the
// watch page.
enum class Under
{
    ListingPage,
    ListingPause,
    Thumbnails,
    Lookup
};
enum class Given
{
    Listing,
    OtherEntry,
    Download,
    Watchdirect,
    Watch,
    Close,
    Signal
};
const char *const kUnder[] = {"ListingPage", "ListingPause", "Thumbnails", "Lookup"};
const char *const kGiven[] = {"Listing",     "OtherEntry", "Download", "Watchdirect",
                              "WatchNormal", "Close",      "Signal"};

struct Row
{
    Under under;
    Given given;
    bool withTheAnswer; // handled in the same pass as the held answer's arrival
};

std::string name(const Row &row)
{
    return std::string(kUnder[int(row.under)]) + kGiven[int(row.given)] +
           (row.withTheAnswer ? "WithTheAnswer" : "During");
}

void PrintTo(const Row &row, std::ostream *out)
{
    *out << name(row);
}

std::vector<Row> rows()
{
    std::vector<Row> all;
    for (int under = 0; under < 4; ++under) {
        for (int given = 0; given < 7; ++given) {
            all.push_back({Under(under), Given(given), false});
            if (Under(under) != Under::ListingPause) // the pause waits for no answer
                all.push_back({Under(under), Given(given), true});
        }
    }
    return all;
}

class InterruptionTest : public test::WindowTest, public ::testing::WithParamInterface<Row>
{
protected:
    // "ID/N" for picture N of a video, "" for an empty box.
    using Boxes = QStringList;

    // What the rule leaves once nothing runs any more, one line a part.
    QStringList expected(const Row &row) const
    {
        const bool listing = row.under <= Under::ListingPause;
        const bool ending = row.given >= Given::Close;
        QString status = listing ? "Finished: 12 videos" : "Finished";
        bool barEmpty = true, enabled = true, videoMenu = !listing;
        Boxes boxes = pictures(listing ? carol[7] : carol[2]);
        QStringList history = {"carol", "older", "names"};
        if (listing)
            history.prepend("dave");
        QStringList opened;
        if (row.under == Under::Lookup)
            opened = {videoFile(carol[2])};
        // A listing's greyed window takes nothing, and its Video menu is hidden.
        const bool reaches =
            ending || (row.under == Under::ListingPause ? row.given <= Given::OtherEntry
                                                        : row.under != Under::ListingPage);
        if (reaches && ending) {
            // Nothing more is shown, asked for or opened.
            const char *const frozen[] = {"Working, please wait..", "Finished: 12 videos",
                                          "Loading pictures...", "Please wait.."};
            status = frozen[int(row.under)];
            enabled = row.under != Under::ListingPage;
            barEmpty = row.under != Under::ListingPause;
            if (row.under == Under::Thumbnails)
                boxes = {picture(carol[2], 1), picture(carol[7], 2), picture(carol[7], 3)};
            opened.clear();
        } else if (reaches && row.given == Given::Watch) {
            // Waits for nothing: opened at once, and the command goes on.
            opened.prepend(root() + "/watch?v=" + QString::fromStdString(carol[2].id));
        } else if (reaches) {
            // Gives the command under way up, whose pictures never came.
            opened.clear();
            if (row.under == Under::Thumbnails)
                boxes = {picture(carol[2], 1), "", ""};
            status = "Finished";
            if (row.given == Given::Listing) {
                status = "Finished: 3 videos";
                videoMenu = false;
                history.prepend("erin");
            } else if (row.given == Given::OtherEntry) {
                videoMenu = true;
                boxes = pictures(listing ? dave[5] : carol[5]);
            } else {
                opened = {row.given == Given::Download
                              ? videoFile(carol[2])
                              : root() + "/player2.swf?video_id=" + parameters(carol[2])};
            }
        }
        return state(status, barEmpty, boxes, videoMenu, enabled, history, opened, ending ? 1 : 0);
    }

    QStringList seen(ui::Main &window) const
    {
        Boxes boxes;
        for (int box = 0; box < 3; ++box) {
            const QImage image =
                find<QLabel>(window, qPrintable(QStringLiteral("SitePic%1").arg(box)))
                    ->pixmap()
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32);
            boxes.append(image.isNull() ? "" : "another picture");
            for (const auto *videos : {&carol, &dave}) {
                for (const site::Video &video : *videos) {
                    for (int number = 1; number <= 3; ++number) {
                        if (image == thumbnail(video, number))
                            boxes.last() = picture(video, number);
                    }
                }
            }
        }
        return state(statusText(window), find<QProgressBar>(window, "PB")->value() == 0, boxes,
                     visibleMenus(window).contains("Video"), window.isEnabled(),
                     QString::fromUtf8(history()).split("\r\n", Qt::SkipEmptyParts),
                     launcher->opened, ends);
    }

    static QStringList state(const QString &status, bool barEmpty, const Boxes &boxes,
                             bool videoMenu, bool enabled, const QStringList &history,
                             const QStringList &opened, int ends)
    {
        return {"status " + status,
                barEmpty ? "bar empty" : "bar full",
                "boxes " + boxes.join(", "),
                videoMenu ? "Video menu" : "no Video menu",
                enabled ? "enabled" : "disabled",
                "history " + history.join(", "),
                "opened " + opened.join(", "),
                QStringLiteral("ends %1").arg(ends)};
    }

    // Gives `given` as a user would: what the window does not take (a
    // greyed window, a hidden menu) does not reach the program.
    void give(ui::Main &window, Given given)
    {
        const char *const commands[] = {"Download", "Watchdirect", "Watch"};
        auto *tree = find<ui::VideoTree>(window, "TreeVids");
        if (given == Given::Listing) {
            auto *edit = find<QComboBox>(window, "TxtUser")->lineEdit();
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("erin"));
            QTest::mouseClick(find<QWidget>(window, "CmdGo"), Qt::LeftButton);
        } else if (given == Given::OtherEntry && entryIndex(window, 5).isValid()) {
            clickEntry(window, 5);
        } else if (given == Given::OtherEntry) {
            QTest::mouseClick(tree->viewport(), Qt::LeftButton);
        } else if (given == Given::Close) {
            window.close();
        } else if (given == Given::Signal) {
            ::raise(SIGTERM);
        } else if (window.isEnabled() && visibleMenus(window).contains("Video")) {
            find<QAction>(window, commands[int(given) - int(Given::Download)])->trigger();
        }
    }

    static QString picture(const site::Video &video, int number)
    {
        return QString::fromStdString(video.id) + "/" + QString::number(number);
    }
    static Boxes pictures(const site::Video &video)
    {
        return {picture(video, 1), picture(video, 2), picture(video, 3)};
    }
    static QImage thumbnail(const site::Video &video, int number)
    {
        return decodePicture(QByteArray::fromStdString(site::thumbnailJpeg(video.id, number)))
            .convertToFormat(QImage::Format_RGB32);
    }
    static QString parameters(const site::Video &video)
    {
        return QString::fromStdString(site::playerParameters(video));
    }
    QString root() const { return QString::fromStdString("http://" + server.host()); }
    QString videoFile(const site::Video &video) const
    {
        return root() + "/get_video.php?video_id=" + parameters(video);
    }

    const std::vector<site::Video> carol = site::generatedVideos("carol", 25);
    const std::vector<site::Video> dave = site::generatedVideos("dave", 12);
};

TEST_P(InterruptionTest, LeavesTheWindowAsTheRuleSays)
{
    const Row row = GetParam();
    server.addUser("carol", carol);
    server.addUser("dave", dave);
    server.addUser("erin", site::generatedVideos("erin", 3));
    writeHistory("older\r\nnames\r\n");
    auto window = makeWindow();
    // As the program's entry sets them up: a signal closes the window.
    const EndSignals endSignals([&] { window->close(); });
    typeAndList(*window, QStringLiteral("carol"));
    clickEntry(*window, row.under == Under::Lookup ? 2 : 7);

    const std::string held[] = {"/profile_videos?user=dave&page=1", "",
                                "/vi/" + carol[2].id + "/2.jpg", "/watch?v=" + carol[2].id};
    const std::string &target = held[int(row.under)];
    server.setFaultAt(target, {.kind = site::Fault::Kind::Held, .times = 1});
    std::optional<std::size_t> requestsAtTheEnd;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (row.under == Under::ListingPause
                ? statusText(*window) != QStringLiteral("Finished: 12 videos")
                : server.requestsFor(target) == 0)
            return;
        poll.stop();
        // With the answer: it has arrived, and the timer is due, when the event
        // loop next looks, which handles both in one pass, the sockets first (a
        // signal's pipe comes before the transfer's socket).
        if (row.withTheAnswer && row.given != Given::Signal)
            QTimer::singleShot(1, Qt::PreciseTimer, window.get(),
                               [&] { give(*window, row.given); });
        if (row.withTheAnswer)
            server.releaseHeld();
        if (!row.withTheAnswer || row.given == Given::Signal)
            give(*window, row.given);
        if (row.given >= Given::Close)
            requestsAtTheEnd = server.requests().size();
        server.releaseHeld();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    poll.start();
    if (row.under == Under::Thumbnails)
        clickEntry(*window, 2);
    else if (row.under == Under::Lookup)
        find<QAction>(*window, "Download")->trigger();
    else
        typeAndList(*window, QStringLiteral("dave"));
    // Past any closing pause.
    QTest::qWait(400);

    EXPECT_FALSE(poll.isActive()) << "nothing was given";
    // As text, one field a line, so that a failure shows which field differs.
    EXPECT_EQ(seen(*window).join(u'\n').toStdString(), expected(row).join(u'\n').toStdString());
    if (requestsAtTheEnd) {
        EXPECT_EQ(server.requests().size(), *requestsAtTheEnd) << "asked the site after the end";
    }
    EXPECT_FALSE(QFile::exists(folder.filePath("temp.txt")));
}

INSTANTIATE_TEST_SUITE_P(GivenWhileWaiting, InterruptionTest, ::testing::ValuesIn(rows()),
                         [](const auto &info) { return name(info.param); });

} // namespace
