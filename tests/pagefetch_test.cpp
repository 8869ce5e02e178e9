#include "listing/pagefetcher.h"
#include "platform/downloader.h"
#include "siteserver.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace vidfolio;
using site::Fault;

namespace {

class PageFetchTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QString address(int page) const
    {
        return QString::fromStdString("http://" + server.host() +
                                      "/profile_videos?user=bob&page=" + std::to_string(page));
    }
    bool scratchLeft() const { return QFile::exists(folder.filePath("temp.txt")); }

    QTemporaryDir folder;
    site::SiteServer server;
    Downloader downloader;
    PageFetcher fetcher{downloader, folder.path()};
};

TEST_F(PageFetchTest, PageTextIsTheBodyAndNoScratchFileRemains)
{
    server.setPage("bob", 1, "<p>first page</p>");
    const FetchResult result = fetcher.FetchPage(address(1));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(fetcher.PageText(), QStringLiteral("<p>first page</p>"));
    EXPECT_FALSE(scratchLeft());
    EXPECT_EQ(fetcher.scratchPath(), folder.filePath("temp.txt"));
}

TEST_F(PageFetchTest, FailedFetchNeverChangesPageText)
{
    server.setFault(2, {Fault::Kind::NotFound});
    FetchResult result = fetcher.FetchPage(address(2));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, QStringLiteral("HTTP 404"));
    EXPECT_TRUE(fetcher.PageText().isEmpty());

    server.setPage("bob", 1, "Intro Public Videos rest");
    ASSERT_TRUE(fetcher.FetchPage(address(1)).ok);
    fetcher.PageText().remove(0, 6); // a caller's cut stays as it was left
    result = fetcher.FetchPage(address(2));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(fetcher.PageText(), QStringLiteral("Public Videos rest"));
    EXPECT_FALSE(scratchLeft());
}

TEST_F(PageFetchTest, ScratchFileLeftFromACrashIsNeverReadAsAPage)
{
    {
        QFile stale(folder.filePath("temp.txt"));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("stale page from an earlier run");
    }
    server.setFault(2, {Fault::Kind::ServerError});
    EXPECT_FALSE(fetcher.FetchPage(address(2)).ok);
    EXPECT_TRUE(fetcher.PageText().isEmpty());
    EXPECT_FALSE(scratchLeft());
}

TEST_F(PageFetchTest, BytesAreDecodedAsUtf8OrElseWindows1252)
{
    server.setPage("bob", 1, "caf\xc3\xa9 \xe2\x80\xa1 \xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d");
    ASSERT_TRUE(fetcher.FetchPage(address(1)).ok);
    EXPECT_EQ(fetcher.PageText(), QString::fromUtf8("café ‡ שלום"));

    server.setPage("bob", 1, std::string("caf\xe9 \x80\x87\x81 \x00z", 11));
    ASSERT_TRUE(fetcher.FetchPage(address(1)).ok);
    const QString expected = QStringLiteral("caf") + QChar(0xE9) + u' ' + QChar(0x20AC) +
                             QChar(0x2021) + QChar(0x81) + u' ' + QChar(0) + u'z';
    EXPECT_EQ(fetcher.PageText(), expected);
    EXPECT_FALSE(fetcher.PageText().contains(QChar::ReplacementCharacter));
}

} // namespace
