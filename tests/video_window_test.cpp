#include "support/windowfixture.h"

#include "platform/picturereader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTimer>

using namespace vidfolio;
using test::WindowTest;

namespace {

class VideoWindowTest : public WindowTest
{
protected:
    void selectEntry(ui::Main &window, int row)
    {
        auto *tree = find<ui::VideoTree>(window, "TreeVids");
        tree->setCurrentIndex(entryIndex(window, row));
    }
    // Opening the menu, as a click on its title does.
    QString openVideoMenu(ui::Main &window)
    {
        emit find<QMenu>(window, "Video")->aboutToShow();
        return find<QAction>(window, "VidName")->text();
    }
    QImage shown(ui::Main &window, int box)
    {
        const auto *label = find<QLabel>(window, qPrintable(QStringLiteral("SitePic%1").arg(box)));
        return label->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    }
    static QImage thumbnail(const site::Video &video, int number)
    {
        return decodePicture(QByteArray::fromStdString(site::thumbnailJpeg(video.id, number)))
            .convertToFormat(QImage::Format_RGB32);
    }
    std::vector<std::string> thumbnailRequests() const
    {
        std::vector<std::string> out;
        for (const auto &request : server.requests()) {
            if (request.target.rfind("/vi/", 0) == 0)
                out.push_back(request.target);
        }
        return out;
    }
    bool videoMenuVisible(ui::Main &window) { return visibleMenus(window).contains("Video"); }
    QString root() const { return QString::fromStdString("http://" + server.host()); }
};

TEST_F(VideoWindowTest, ANodeClickShowsTheThreeThumbnailsInBoxOrder)
{
    const auto videos = site::generatedVideos("carol", 12);
    server.addUser("carol", videos);
    auto window = makeWindow();
    typeAndList(*window, QStringLiteral("carol"));
    ASSERT_FALSE(videoMenuVisible(*window));

    // Runs when the click pumps events, after the third picture.
    QString statusWhilePumping;
    QTimer::singleShot(0, window.get(), [&] { statusWhilePumping = statusText(*window); });
    clickEntry(*window, 2);
    EXPECT_EQ(statusWhilePumping, QStringLiteral("Loading pictures..."));
    EXPECT_EQ(statusText(*window), QStringLiteral("Finished"));
    EXPECT_TRUE(videoMenuVisible(*window));
    QWidget *txtUser = find<QWidget>(*window, "TxtUser");
    EXPECT_TRUE(window->focusWidget() == txtUser || window->focusWidget() == txtUser->focusProxy());
    for (int box = 0; box < 3; ++box)
        EXPECT_EQ(shown(*window, box), thumbnail(videos[2], box + 1)) << "box " << box;
    const std::string base = "/vi/" + videos[2].id + "/";
    EXPECT_EQ(thumbnailRequests(),
              std::vector<std::string>({base + "1.jpg", base + "2.jpg", base + "3.jpg"}));

    // Nothing is cached: a click on the selected entry loads all three again.
    clickEntry(*window, 2);
    EXPECT_EQ(thumbnailRequests().size(), 6u);
    EXPECT_EQ(shown(*window, 1), thumbnail(videos[2], 2));
}

TEST_F(VideoWindowTest, AThumbnailThatDoesNotAnswerLeavesOnlyItsBoxEmpty)
{
    const auto videos = site::generatedVideos("carol", 3);
    server.addUser("carol", videos);
    server.setAnswer("/vi/" + videos[1].id + "/2.jpg", 404, "no such picture");
    auto window = makeWindow();
    typeAndList(*window, QStringLiteral("carol"));
    clickEntry(*window, 0);
    ASSERT_FALSE(shown(*window, 1).isNull());

    clickEntry(*window, 1);
    EXPECT_EQ(shown(*window, 0), thumbnail(videos[1], 1));
    EXPECT_TRUE(find<QLabel>(*window, "SitePic1")->pixmap().isNull());
    EXPECT_EQ(shown(*window, 2), thumbnail(videos[1], 3));
    EXPECT_EQ(statusText(*window), QStringLiteral("Finished"));
    EXPECT_TRUE(boxes->shown.empty());
}

TEST_F(VideoWindowTest, OpeningTheVideoMenuShowsTheSelectedTitleShortened)
{
    const QString forty5 = QStringLiteral("Forty-five characters of title, and some more");
    ASSERT_EQ(forty5.size(), 45);
    server.addUser("carol", {{"v12", forty5.left(12).toStdString()},
                             {"v30", forty5.left(30).toStdString()},
                             {"v45", forty5.toStdString()},
                             {"vnone", ""},
                             {"vamp", "Tom & Jerry\tlive"}});
    auto window = makeWindow();
    typeAndList(*window, QStringLiteral("carol"));
    ASSERT_EQ(entryCount(*window), 5);

    // A click alone does not write the caption; opening the menu does.
    clickEntry(*window, 0);
    EXPECT_EQ(find<QAction>(*window, "VidName")->text(), QStringLiteral("VidName"));
    EXPECT_EQ(openVideoMenu(*window), forty5.left(12) + "...");
    selectEntry(*window, 1);
    EXPECT_EQ(openVideoMenu(*window), forty5.left(30) + "...");
    selectEntry(*window, 2);
    EXPECT_EQ(openVideoMenu(*window), forty5.left(30) + "...");
    selectEntry(*window, 3);
    EXPECT_EQ(openVideoMenu(*window), QStringLiteral("..."));
    // "&&" is how a menu shows one "&" instead of taking it for a mnemonic;
    // a tab would start a shortcut column.
    selectEntry(*window, 4);
    EXPECT_EQ(openVideoMenu(*window), QStringLiteral("Tom && Jerry live..."));
    EXPECT_TRUE(boxes->shown.empty());
}

TEST_F(VideoWindowTest, WithoutASelectedEntryTheUserIsToldAndNothingOpens)
{
    server.addUser("carol", site::generatedVideos("carol", 3));
    auto window = makeWindow();
    typeAndList(*window, QStringLiteral("carol"));
    clickEntry(*window, 0);
    const QString caption = openVideoMenu(*window);

    find<ui::VideoTree>(*window, "TreeVids")->clearSelection();
    EXPECT_EQ(openVideoMenu(*window), caption);
    find<QAction>(*window, "Download")->trigger();
    find<QAction>(*window, "Watch")->trigger();
    ASSERT_EQ(boxes->shown.size(), 3u);
    for (const auto &box : boxes->shown) {
        EXPECT_EQ(box.title, QStringLiteral("Error"));
        EXPECT_EQ(box.text, QStringLiteral("No video selected"));
        EXPECT_EQ(box.icon, QMessageBox::Warning);
    }
    EXPECT_TRUE(launcher->opened.isEmpty());
}

TEST_F(VideoWindowTest, TheCommandsOpenTheVideosAddresses)
{
    const auto videos = site::generatedVideos("carol", 3);
    server.addUser("carol", videos);
    auto window = makeWindow();
    typeAndList(*window, QStringLiteral("carol"));
    clickEntry(*window, 1);

    const QString id = QString::fromStdString(videos[1].id);
    const QString parameters = QString::fromStdString(site::playerParameters(videos[1]));
    find<QAction>(*window, "Watch")->trigger();
    find<QAction>(*window, "Watchdirect")->trigger();
    find<QAction>(*window, "Download")->trigger();
    EXPECT_EQ(launcher->opened, QStringList({root() + "/watch?v=" + id,
                                             root() + "/player2.swf?video_id=" + parameters,
                                             root() + "/get_video.php?video_id=" + parameters}));
    EXPECT_EQ(statusText(*window), QStringLiteral("Finished"));
    EXPECT_TRUE(window->isEnabled());

    EXPECT_EQ(window->GetVideoID(root() + "/watch?v=" + id), parameters);
    EXPECT_EQ(window->GetVideoID(root() + "/watch?v=unknown"), QString());
    EXPECT_EQ(statusText(*window), QStringLiteral("Error"));
}

TEST_F(VideoWindowTest, ANewListingHidesTheMenuButKeepsTheThumbnails)
{
    const auto videos = site::generatedVideos("carol", 3);
    server.addUser("carol", videos);
    server.addUser("dave", site::generatedVideos("dave", 2));
    auto window = makeWindow();
    typeAndList(*window, QStringLiteral("carol"));
    clickEntry(*window, 0);
    ASSERT_TRUE(videoMenuVisible(*window));

    typeAndList(*window, QStringLiteral("dave"));
    EXPECT_FALSE(videoMenuVisible(*window));
    EXPECT_EQ(shown(*window, 2), thumbnail(videos[0], 3));
}

TEST_F(VideoWindowTest, WatchHandsTheAddressToXdgOpenAsOneArgument)
{
    // An xdg-open of the test's own, first on the PATH, writes down its
    // working folder and each argument on a line.
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QString record = bin.filePath("opened");
    QFile script(bin.filePath("xdg-open"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n{ pwd -P; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" +
                 record.toUtf8() + ".part' && mv '" + record.toUtf8() + ".part' '" +
                 record.toUtf8() + "'\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + path);

    server.addUser("carol", {{"a b&c=d;$(x)", "Odd identifier"}});
    launcher.reset(); // the window's own launcher
    auto window = makeWindow();
    typeAndList(*window, QStringLiteral("carol"));
    clickEntry(*window, 0);
    find<QAction>(*window, "Watch")->trigger();
    qputenv("PATH", path);

    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(record); }, 10000));
    QFile opened(record);
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(opened.readAll()), QDir(QDir::homePath()).canonicalPath() + "\n" +
                                                       root() +
                                                       "/watch?v=a%20b%26c%3Dd%3B%24%28x%29\n");
}

} // namespace
