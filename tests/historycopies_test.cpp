// Several copies of the program saving the history of one folder: no copy
// loses the names another one saved.
#include "history/historyfile.h"
#include "history/userlist.h"
#include "siteserver.h"
#include "support/filebytes.h"
#include "support/historyfolder.h"
#include "support/proberun.h"
#include "support/recordingview.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace vidfolio;
using test::CountingRunLoop;
using test::RecordingView;

namespace {

class HistoryMergeTest : public test::HistoryFolderTest
{
protected:
    // A copy's run: loads `atStart`, lists `typed` newest last, and saves
    // over whatever `meanwhile` holds by then.
    QByteArray run(const QByteArray &atStart, const QStringList &typed, const QByteArray &meanwhile)
    {
        writeFile(atStart);
        RecordingView box;
        LoadUsers(box, path());
        const int loaded = box.userCount();
        for (const QString &name : typed) {
            box.typed = name;
            rememberUserName(box);
        }
        writeFile(meanwhile);
        EXPECT_EQ(SaveUsers(box, path(), loop, loaded).outcome, Outcome::Done);
        return readFile();
    }

    QTemporaryDir folder;
    CountingRunLoop loop;
};

TEST_F(HistoryMergeTest, SaveKeepsTheNamesOtherCopiesSavedMeanwhile)
{
    // Names of this copy first, newest on top, then the file's in its order.
    EXPECT_EQ(run("alice\r\n", {"x", "z"}, "y\r\nalice\r\n"), "z\r\nx\r\ny\r\nalice\r\n");
    // A name in any letter case appears once: this copy's spelling wins for
    // the names it added, the file's for the others.
    EXPECT_EQ(run("Alice\r\n", {"Bob"}, "BOB\r\nALICE\r\nbob\r\n"), "Bob\r\nALICE\r\n");
    // Names the file no longer has come last, in this copy's order.
    EXPECT_EQ(run("a\r\nb\r\nc\r\n", {"n"}, "y\r\nb\r\n"), "n\r\ny\r\nb\r\na\r\nc\r\n");
    // A file emptied meanwhile takes the box as it stands.
    EXPECT_EQ(run("a\r\nb\r\n", {"n"}, ""), "n\r\na\r\nb\r\n");
}

// A file still as this copy loaded it is written back as the box stands,
// names differing only in letter case included, however its lines were
// encoded; one line more or less than that is another copy's save, merged.
TEST_F(HistoryMergeTest, OnlyAFileAsThisCopyLoadedItIsSavedBackUnmerged)
{
    EXPECT_EQ(run("Bob\r\nbob\r\n", {"n"}, "Bob\r\nbob\r\n"), "n\r\nBob\r\nbob\r\n");
    EXPECT_EQ(run("Caf\xe9\nCAF\xc3\x89", {"n"}, "Caf\xe9\nCAF\xc3\x89"),
              "n\r\nCaf\xc3\xa9\r\nCAF\xc3\x89\r\n");
    EXPECT_EQ(run("a\r\nA\r\n", {"n"}, "a\r\nA\r\nb\r\n"), "n\r\na\r\nb\r\n");
    EXPECT_EQ(run("a\r\nA\r\n", {"n"}, "a\r\n"), "n\r\na\r\n");
}

// Two probes listing different users from one folder at once, each loading
// the history before the other saves.
TEST(HistoryCopies, TwoCopiesListingAtOnceKeepEveryName)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString history = QDir(folder.path()).filePath("users.vidfolio");
    const auto writeHistory = [&](const QByteArray &bytes) {
        QFile file(history);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    site::SiteServer server;
    server.addUser("xavier", site::generatedVideos("xavier", 3));
    server.addUser("yvonne", site::generatedVideos("yvonne", 3));
    // Each first page takes a while, so both copies have read the history
    // before either lists a video, let alone saves.
    server.setFault(0, {site::Fault::Kind::Stall, 1500});
    const auto args = [&](const char *user) {
        return QStringList{"list", QString::fromStdString(server.host()), user, "--folder",
                           folder.path()};
    };

    writeHistory("alice\r\n");
    const auto first = test::startProbe(args("xavier"));
    const auto second = test::startProbe(args("yvonne"));
    const test::ProbeRun firstRun = test::finishProbe(*first);
    const test::ProbeRun secondRun = test::finishProbe(*second);
    ASSERT_EQ(firstRun.lastStatus(), QStringLiteral("Finished: 3 videos"));
    ASSERT_EQ(secondRun.lastStatus(), QStringLiteral("Finished: 3 videos"));
    const QByteArray both = test::fileBytes(history);
    EXPECT_TRUE(both == "xavier\r\nyvonne\r\nalice\r\n" || both == "yvonne\r\nxavier\r\nalice\r\n")
        << both.toStdString();

    // One copy alone writes what it always did, letter-case twins and all.
    server.clearFaults();
    writeHistory("alice\r\nBob\r\nbob\r\n");
    const test::ProbeRun alone = test::runProbe(args("xavier"));
    ASSERT_EQ(alone.lastStatus(), QStringLiteral("Finished: 3 videos"));
    EXPECT_EQ(test::fileBytes(history), QByteArray("xavier\r\nalice\r\nBob\r\nbob\r\n"));
}

} // namespace
