#include "actions/loadpic.h"
#include "actions/selection.h"
#include "app/program.h"
#include "listing/pagefetcher.h"
#include "listing/videokey.h"
#include "platform/downloader.h"
#include "platform/picturereader.h"
#include "platform/runloop.h"
#include "siteserver.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

using namespace vidfolio;

namespace {

class PictureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        server.addUser("carol", site::generatedVideos("carol", 1));
        id = site::generatedVideos("carol", 1).front().id;
    }
    QString address(const std::string &target) const
    {
        return QString::fromStdString("http://" + server.host() + target);
    }
    static QImage expected(const std::string &id, int number)
    {
        const std::string jpeg = site::thumbnailJpeg(id, number);
        return QImage::fromData(QByteArray::fromStdString(jpeg));
    }

    QTemporaryDir folder;
    site::SiteServer server;
    RunLoop loop;
    Downloader downloader{loop};
    std::string id;
};

TEST_F(PictureTest, AddressesAndLocalFilesLoadTheSamePicture)
{
    const QImage fromSite =
        LoadPic(downloader, address("/vi/" + id + "/2.jpg"), kPictureLimits).image;
    ASSERT_FALSE(fromSite.isNull());
    EXPECT_EQ(fromSite, expected(id, 2));
    // Independent calls: the same address gives the same picture again.
    EXPECT_EQ(LoadPic(downloader, address("/vi/" + id + "/2.jpg"), kPictureLimits).image, fromSite);

    const QString path = folder.filePath("thumb 3.jpg");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(site::thumbnailJpeg(id, 3)));
    file.close();
    EXPECT_EQ(LoadPic(downloader, path, kPictureLimits).image, expected(id, 3));
}

TEST_F(PictureTest, AnythingButAPictureGivesNoPicture)
{
    server.setAnswer("/text.jpg", 200, "<html>not a picture</html>", "image/jpeg");
    server.setAnswer("/missing.jpg", 404, std::string(site::thumbnailJpeg(id, 1)), "image/jpeg");
    const std::string jpeg = site::thumbnailJpeg(id, 1);
    server.setAnswer("/cut.jpg", 200, jpeg.substr(0, 20), "image/jpeg");

    EXPECT_TRUE(LoadPic(downloader, address("/text.jpg"), kPictureLimits).image.isNull());
    // An error answer is no picture, even when its body is one.
    EXPECT_TRUE(LoadPic(downloader, address("/missing.jpg"), kPictureLimits).image.isNull());
    EXPECT_TRUE(LoadPic(downloader, address("/cut.jpg"), kPictureLimits).image.isNull());
    EXPECT_TRUE(LoadPic(downloader, QStringLiteral("http://127.0.0.1:1/1.jpg"), kPictureLimits)
                    .image.isNull());
    EXPECT_TRUE(LoadPic(downloader, folder.filePath("nothing.jpg"), kPictureLimits).image.isNull());
    EXPECT_TRUE(LoadPic(downloader, folder.path(), kPictureLimits).image.isNull());
    EXPECT_TRUE(LoadPic(downloader, QString(), kPictureLimits).image.isNull());
}

TEST_F(PictureTest, PicturesOverTheSizeBoundAreRefused)
{
    // A PNG of a single colour is small on the wire however large it is.
    auto png = [](int width, int height) {
        QImage image(width, height, QImage::Format_Mono);
        image.fill(0);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter(&buffer, "png").write(image);
        return bytes;
    };
    EXPECT_FALSE(decodePicture(png(4096, 4096)).isNull());
    EXPECT_TRUE(decodePicture(png(4097, 4096)).isNull());
    EXPECT_TRUE(decodePicture(png(20000, 20000)).isNull());
}

TEST_F(PictureTest, AJpegCutShortIsRefusedButBytesAfterItsEndAreNot)
{
    const QByteArray jpeg = QByteArray::fromStdString(site::thumbnailJpeg(id, 2));
    const QImage whole = decodePicture(jpeg);
    ASSERT_FALSE(whole.isNull());
    // Qt alone would fill the missing rows with grey and return a picture.
    for (const qsizetype cut : {jpeg.size() / 2, jpeg.size() - 2})
        EXPECT_TRUE(decodePicture(jpeg.left(cut)).isNull()) << cut;
    // Some cameras and editors append data after the end-of-image marker.
    EXPECT_EQ(decodePicture(jpeg + QByteArray(300, '\0')), whole);

    const QString path = folder.filePath("cut.jpg");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpeg.left(jpeg.size() / 2));
    file.close();
    EXPECT_TRUE(LoadPic(downloader, path, kPictureLimits).image.isNull());
}

TEST_F(PictureTest, PicturesShareThePagesConnection)
{
    const DownloadLimits limits{};
    PageFetcher fetcher(downloader, folder.path(), scratchTurnWait(limits));
    ASSERT_TRUE(fetcher.FetchPage(address("/profile_videos?user=carol"), limits).ok());
    ASSERT_FALSE(
        LoadPic(downloader, address("/vi/" + id + "/1.jpg"), kPictureLimits).image.isNull());
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].remotePort, requests[1].remotePort);
}

TEST(VideoKey, SplitsAtTheFirstSeparator)
{
    const QString sep(kKeySeparator);
    const VideoKeyParts parts = splitVideoKey("id1" + sep + "http://t/vi/" + sep + "x/");
    EXPECT_EQ(parts.id, QStringLiteral("id1"));
    EXPECT_EQ(parts.thumbnailBase, "http://t/vi/" + sep + "x/");
    EXPECT_TRUE(parts.hasSeparator);

    const VideoKeyParts bare = splitVideoKey(QStringLiteral("http://t/vi/id/"));
    EXPECT_EQ(bare.thumbnailBase, QStringLiteral("http://t/vi/id/"));
    EXPECT_FALSE(bare.hasSeparator);
}

TEST(VideoNameCaption, ThirtyCharactersAndThreeDots)
{
    const QString forty5 = QStringLiteral("123456789012345678901234567890123456789012345");
    EXPECT_EQ(videoNameCaption(forty5.left(12)), forty5.left(12) + "...");
    EXPECT_EQ(videoNameCaption(forty5.left(30)), forty5.left(30) + "...");
    EXPECT_EQ(videoNameCaption(forty5), forty5.left(30) + "...");
    EXPECT_EQ(videoNameCaption(QString()), QStringLiteral("..."));

    // A character outside the Basic Multilingual Plane counts once and is
    // never cut in half.
    const QString smile = QString::fromUcs4(U"\U0001F600");
    const QString title = QString(29, u'a') + smile + smile;
    EXPECT_EQ(videoNameCaption(title), QString(29, u'a') + smile + "...");
}

} // namespace
