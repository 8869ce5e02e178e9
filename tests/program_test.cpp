#include "app/program.h"
#include "siteserver.h"
#include "support/filesizelimit.h"
#include "support/historyfolder.h"
#include "support/recordingview.h"
#include "support/waits.h"

#include <gtest/gtest.h>

#include <QFile>

#include <optional>

using namespace vidfolio;
using test::RecordingView;

namespace {

// The history rules the window and the probe share, through listings: a
// listing keeps its name in the history file from the moment it joins the
// list, so that an end without a close (a signal, a lost display, a crash)
// loses nothing; each save merges the file as other copies left it, and a
// file that could not be loaded is left alone.
class ListingHistoryTest : public test::HistoryFolderTest
{
protected:
    void SetUp() override
    {
        HistoryFolderTest::SetUp();
        server.addUser("carol", site::generatedVideos("carol", 3));
    }
    Program program()
    {
        return Program({.roots = SiteRoots::forHost(QString::fromStdString(server.host())),
                        .folder = {folder.path(), {}}},
                       loop);
    }
    // Lists `name` into `view`, keeping the history file as it was when the
    // first request reached the site, which holds its answer meanwhile.
    void list(Program &lister, RecordingView &view, const QString &name)
    {
        fileAtFirstRequest.reset();
        server.setFault(0, {.kind = site::Fault::Kind::Stall, .delayMs = 300, .times = 1});
        const std::string first = "/profile_videos?user=" + name.toStdString();
        const auto atFirst = test::onRequest(server, first, server.requestsFor(first) + 1,
                                             [&] { fileAtFirstRequest = readFile(); });
        view.typed = name;
        lister.listVideos(view, view);
    }

    RecordingView box;
    site::SiteServer server;
    std::optional<QByteArray> fileAtFirstRequest;
};

TEST_F(ListingHistoryTest, TheNameIsSavedBeforeTheFirstPageIsAskedFor)
{
    writeFile("alice\r\n");
    Program lister = program();
    lister.loadHistory(box);
    list(lister, box, QStringLiteral("carol"));
    EXPECT_EQ(fileAtFirstRequest, QByteArray("carol\r\nalice\r\n"));
    EXPECT_EQ(box.entries.size(), 3u);
}

// A history too large to load is neither loaded nor saved over, by the
// listing or at the end, which would replace all its names by this run's.
TEST_F(ListingHistoryTest, AHistoryThatCouldNotBeLoadedIsNeverSavedOver)
{
    writeFile("alice\r\n");
    ASSERT_TRUE(QFile::resize(path(), kMaxHistoryBytes + 1));
    Program lister = program();
    ASSERT_EQ(lister.loadHistory(box), HistoryRead::Unreadable);
    EXPECT_TRUE(box.users.isEmpty());
    list(lister, box, QStringLiteral("carol"));
    lister.saveHistory(box);
    EXPECT_EQ(box.users, QStringList({"carol"}));
    EXPECT_EQ(QFile(path()).size(), kMaxHistoryBytes + 1);
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(7), QByteArray("alice\r\n"));
}

// A save that fails (a full disk) is told with the listing's result and
// counts none of its names as saved, so that the save once there is room
// again puts every name in its place, newest first.
TEST_F(ListingHistoryTest, AFailedSaveIsToldAndLeavesEveryNameInItsPlaceOnceThereIsRoom)
{
    QByteArray old;
    for (int i = 0; i < 3000; ++i)
        old += QStringLiteral("oldname%1\r\n").arg(i, 5, 10, QChar(u'0')).toLatin1();
    writeFile(old);
    Program lister = program();
    lister.loadHistory(box);
    {
        // Room for a page in the scratch file, not for the history.
        const test::FileSizeLimit full(16 * 1024);
        list(lister, box, QStringLiteral("fullA"));
        list(lister, box, QStringLiteral("fullB"));
    }
    EXPECT_EQ(readFile(), old);
    list(lister, box, QStringLiteral("afterC"));

    EXPECT_EQ(box.statuses.filter(u"not found").join(u'|'),
              QStringLiteral("User fullA not found! (user names not saved: disk full)|"
                             "User fullB not found! (user names not saved: disk full)|"
                             "User afterC not found!"));
    EXPECT_EQ(readFile(), "afterC\r\nfullB\r\nfullA\r\n" + old);
}

// Two copies listing by turns from one folder, each having loaded the
// history before the other saved: every save keeps the other copy's names,
// and the names stay newest first, also through the saves at the end, which
// add nothing new.
TEST_F(ListingHistoryTest, TwoCopiesKeepEachOthersNamesNewestFirst)
{
    writeFile("old\r\n");
    RecordingView boxB;
    Program a = program();
    Program b = program();
    a.loadHistory(box);
    b.loadHistory(boxB);

    list(a, box, QStringLiteral("carol"));
    EXPECT_EQ(readFile(), QByteArray("carol\r\nold\r\n"));
    list(b, boxB, QStringLiteral("unknown"));
    EXPECT_EQ(fileAtFirstRequest, QByteArray("unknown\r\ncarol\r\nold\r\n"));
    a.saveHistory(box);
    b.saveHistory(boxB);
    EXPECT_EQ(readFile(), QByteArray("unknown\r\ncarol\r\nold\r\n"));
}

} // namespace
