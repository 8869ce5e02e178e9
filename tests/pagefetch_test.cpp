#include "listing/pagefetcher.h"
#include "support/fetcherfixture.h"
#include "support/filebytes.h"
#include "support/waits.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace vidfolio;
using namespace std::chrono_literals;
using site::Fault;

namespace {

class PageFetchTest : public test::FetcherTest
{
protected:
    QString address(int page) const
    {
        return QString::fromStdString("http://" + server.host() +
                                      "/profile_videos?user=bob&page=" + std::to_string(page));
    }
    bool scratchLeft() const { return QFile::exists(folder.filePath("temp.txt")); }
    QByteArray scratch() const { return test::fileBytes(folder.filePath("temp.txt")); }
};

TEST_F(PageFetchTest, PageTextIsTheBodyAndNoScratchFileRemains)
{
    server.setPage("bob", 1, "<p>first page</p>");
    const FetchResult result = fetcher.FetchPage(address(1), limits);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(fetcher.PageText(), QStringLiteral("<p>first page</p>"));
    EXPECT_FALSE(scratchLeft());
}

TEST_F(PageFetchTest, FailedFetchNeverChangesPageText)
{
    server.setFault(2, {Fault::Kind::NotFound});
    FetchResult result = fetcher.FetchPage(address(2), limits);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason, QStringLiteral("HTTP 404"));
    EXPECT_TRUE(fetcher.PageText().isEmpty());

    server.setPage("bob", 1, "Intro Public Videos rest");
    ASSERT_TRUE(fetcher.FetchPage(address(1), limits).ok());
    fetcher.PageText().remove(0, 6); // a caller's cut stays as it was left
    result = fetcher.FetchPage(address(2), limits);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(fetcher.PageText(), QStringLiteral("Public Videos rest"));
    EXPECT_FALSE(scratchLeft());
}

TEST_F(PageFetchTest, ScratchFileLeftFromACrashIsNeverReadAsAPage)
{
    const auto leaveStale = [&] {
        QFile stale(folder.filePath("temp.txt"));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("stale page from an earlier run, longer than the page served");
    };
    leaveStale();
    server.setFault(2, {Fault::Kind::ServerError});
    EXPECT_FALSE(fetcher.FetchPage(address(2), limits).ok());
    EXPECT_TRUE(fetcher.PageText().isEmpty());
    EXPECT_FALSE(scratchLeft());

    leaveStale();
    server.setPage("bob", 1, "short page");
    ASSERT_TRUE(fetcher.FetchPage(address(1), limits).ok());
    EXPECT_EQ(fetcher.PageText(), QStringLiteral("short page"));
    EXPECT_FALSE(scratchLeft());
}

// Another copy of the program in the middle of a fetch, played by a file
// descriptor of this process: flock locks of separate opens of a file
// exclude each other in one process as across processes.
class OtherCopy
{
public:
    // Creates the scratch file with `page` in it and holds its turn.
    OtherCopy(const QString &path, const QByteArray &page) : m_path(QFile::encodeName(path))
    {
        m_fd = ::open(m_path.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        EXPECT_GE(m_fd, 0);
        EXPECT_EQ(::write(m_fd, page.constData(), page.size()), page.size());
        EXPECT_EQ(::flock(m_fd, LOCK_EX | LOCK_NB), 0);
    }
    ~OtherCopy() { finish(); }
    // Deletes the scratch file and lets go, as a fetch ends.
    void finish()
    {
        if (m_fd < 0)
            return;
        ::unlink(m_path.constData());
        letGo();
    }
    // Lets go without deleting anything.
    void letGo()
    {
        ::close(m_fd);
        m_fd = -1;
    }

private:
    QByteArray m_path;
    int m_fd = -1;
};

TEST_F(PageFetchTest, ScratchHeldByAnotherCopyFailsAsBusyAndIsLeftAlone)
{
    server.setPage("bob", 1, "our page");
    OtherCopy other(folder.filePath("temp.txt"), "the other copy's page");
    PageFetcher impatient(downloader, folder.path(), 300ms);

    const auto start = std::chrono::steady_clock::now();
    const FetchResult result = impatient.FetchPage(address(1), limits);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason, QStringLiteral("scratch file busy"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    EXPECT_TRUE(fetcher.PageText().isEmpty());
    EXPECT_EQ(scratch(), QByteArray("the other copy's page"));
    EXPECT_TRUE(server.requests().empty());

    // Once the other copy is done, the next fetch runs as usual.
    other.finish();
    ASSERT_TRUE(fetcher.FetchPage(address(1), limits).ok());
    EXPECT_EQ(fetcher.PageText(), QStringLiteral("our page"));
}

TEST_F(PageFetchTest, FetchWaitsForItsTurnBehindFetchesOfOtherCopies)
{
    // Two fetches of other copies in a row: the first deletes its file and
    // lets go only once the second has made and locked a new one. The
    // waiting fetch then holds the lock of a deleted file, and must wait
    // again for the file now at the path instead of writing into it.
    server.setPage("bob", 1, "our page");
    const QString path = folder.filePath("temp.txt");
    OtherCopy first(path, "first other page");
    std::atomic<bool> secondSawItsPage = false;
    // The fetch waits for the lock of the file at the path.
    const auto waiting = [name = QFile::encodeName(path).toStdString()] {
        ASSERT_TRUE(test::waitFor([&] { return test::flockWaitedFor(name); }, 20s));
    };
    std::thread others([&] {
        waiting();
        ::unlink(QFile::encodeName(path).constData());
        OtherCopy second(path, "second other page");
        first.letGo();
        waiting();
        secondSawItsPage = scratch() == "second other page";
    });

    const FetchResult result = fetcher.FetchPage(address(1), limits);
    others.join();
    EXPECT_TRUE(result.ok()) << result.reason.toStdString();
    EXPECT_EQ(fetcher.PageText(), QStringLiteral("our page"));
    EXPECT_TRUE(secondSawItsPage);
    EXPECT_FALSE(scratchLeft());
}

TEST_F(PageFetchTest, MissingFolderIsMadeAtTheFirstFetch)
{
    PageFetcher later(downloader, folder.filePath("data/Vidfolio"), scratchTurnWait(limits));
    server.setPage("bob", 1, "page");
    ASSERT_TRUE(later.FetchPage(address(1), limits).ok());
    EXPECT_EQ(later.PageText(), QStringLiteral("page"));
    EXPECT_TRUE(QFileInfo(folder.filePath("data/Vidfolio")).isDir());
    EXPECT_FALSE(QFile::exists(folder.filePath("data/Vidfolio/temp.txt")));
}

TEST_F(PageFetchTest, BytesAreDecodedAsUtf8OrElseWindows1252)
{
    server.setPage("bob", 1, "caf\xc3\xa9 \xe2\x80\xa1 \xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d");
    ASSERT_TRUE(fetcher.FetchPage(address(1), limits).ok());
    EXPECT_EQ(fetcher.PageText(), QString::fromUtf8("café ‡ שלום"));

    server.setPage("bob", 1, std::string("caf\xe9 \x80\x87\x81 \x00z", 11));
    ASSERT_TRUE(fetcher.FetchPage(address(1), limits).ok());
    const QString expected = QStringLiteral("caf") + QChar(0xE9) + u' ' + QChar(0x20AC) +
                             QChar(0x2021) + QChar(0x81) + u' ' + QChar(0) + u'z';
    EXPECT_EQ(fetcher.PageText(), expected);
    EXPECT_FALSE(fetcher.PageText().contains(QChar::ReplacementCharacter));
}

} // namespace
