// The real window, offscreen, against a site that holds its answers back:
// while the window waits for the site it keeps painting what is true.
#include "support/waits.h"
#include "support/windowfixture.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QScreen>

using namespace vidfolio;
using site::Fault;
using test::WindowTest;

namespace {

class LiveWindowTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        server.addUser("carol", carol);
        server.addUser("dave", site::generatedVideos("dave", 12));
        writeHistory("older\r\nnames\r\n");
    }

    // The part of the window that `widget` covers, as the window system last
    // got it from the window's painting; a window whose thread is blocked
    // goes on showing what it painted before.
    QImage onScreen(ui::Main &window, const char *widget)
    {
        const QImage shown = window.screen()->grabWindow(window.winId()).toImage();
        return shown.copy(area(window, widget)).convertToFormat(QImage::Format_RGB32);
    }
    // The same part drawn afresh from the window's state now.
    QImage drawnNow(ui::Main &window, const char *widget)
    {
        return window.grab()
            .toImage()
            .copy(area(window, widget))
            .convertToFormat(QImage::Format_RGB32);
    }
    QRect area(ui::Main &window, const char *name)
    {
        QWidget *widget = find<QWidget>(window, name);
        return {widget->mapTo(&window, QPoint(0, 0)), widget->size()};
    }
    // Runs `check` once the handler started by `start` waits for the site's
    // answer to the `count`th request for `target`; true when it ran during
    // that wait, before the handler returned.
    bool whileWaitingFor(const std::string &target, std::size_t count,
                         const std::function<void()> &start, const std::function<void()> &check)
    {
        bool ran = false;
        const auto during = test::onRequest(server, target, count, [&] {
            ran = true;
            check();
        });
        start();
        return ran;
    }

    std::string picture(int entry, int number) const
    {
        return "/vi/" + carol[entry].id + "/" + std::to_string(number) + ".jpg";
    }

    const std::vector<site::Video> carol = site::generatedVideos("carol", 25);
    const std::string daveFirst = "/profile_videos?user=dave";
};

TEST_F(LiveWindowTest, AListingPaintsItsStartWhileTheSiteHoldsThePage)
{
    auto window = makeWindow();
    typeAndList(*window, QStringLiteral("carol"));
    const QImage statusBefore = onScreen(*window, "Stat");
    const QImage treeBefore = onScreen(*window, "TreeVids");
    server.setFault(0, {.kind = Fault::Kind::Stall, .delayMs = 1500, .times = 1});

    const bool ran = whileWaitingFor(
        daveFirst, 1, [&] { typeAndList(*window, QStringLiteral("dave")); },
        [&] {
            // A turn for the window system to take what was painted.
            QTest::qWait(50);
            EXPECT_EQ(server.requestsFor(daveFirst), 1u);
            EXPECT_EQ(statusText(*window), QStringLiteral("Working, please wait.."));
            EXPECT_EQ(entryCount(*window), 0);
            // Painted while the page is still held: not the last listing's
            // status and entries any more.
            EXPECT_EQ(onScreen(*window, "Stat"), drawnNow(*window, "Stat"));
            EXPECT_EQ(onScreen(*window, "TreeVids"), drawnNow(*window, "TreeVids"));
            EXPECT_NE(onScreen(*window, "Stat"), statusBefore);
            EXPECT_NE(onScreen(*window, "TreeVids"), treeBefore);
        });

    EXPECT_TRUE(ran);
    EXPECT_EQ(statusText(*window), QStringLiteral("Finished: 12 videos"));
}

TEST_F(LiveWindowTest, PicturesAndLookupsShowTheirStatusWhileTheSiteIsSlow)
{
    auto window = makeWindow();
    typeAndList(*window, QStringLiteral("carol"));
    for (int number = 1; number <= 3; ++number) {
        server.setFaultAt(picture(2, number), {.kind = Fault::Kind::Stall, .delayMs = 400});
    }
    const std::string watch = "/watch?v=" + carol[2].id;
    server.setFaultAt(watch, {.kind = Fault::Kind::Stall, .delayMs = 400});
    const auto shownNow = [&](const QString &status) {
        EXPECT_EQ(statusText(*window), status);
        EXPECT_TRUE(window->isEnabled());
        EXPECT_EQ(onScreen(*window, "Stat"), drawnNow(*window, "Stat"));
    };

    EXPECT_TRUE(whileWaitingFor(
        picture(2, 1), 1, [&] { clickEntry(*window, 2); },
        [&] { shownNow(QStringLiteral("Loading pictures...")); }));
    EXPECT_EQ(statusText(*window), QStringLiteral("Finished"));
    EXPECT_FALSE(find<QLabel>(*window, "SitePic2")->pixmap().isNull());

    const auto download = [&] { find<QAction>(*window, "Download")->trigger(); };
    EXPECT_TRUE(
        whileWaitingFor(watch, 1, download, [&] { shownNow(QStringLiteral("Please wait..")); }));
    EXPECT_EQ(statusText(*window), QStringLiteral("Finished"));
    EXPECT_EQ(launcher->opened.size(), 1);
}

} // namespace
