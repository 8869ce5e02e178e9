#include "actions/program.h"
#include "support/historyfolder.h"
#include "support/recordingview.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace vidfolio;
using test::CountingRunLoop;
using test::RecordingView;

namespace {

// The history rules the window and the probe share: loaded at start, merged
// back at the end, and left alone when it could not be read.
class ProgramHistoryTest : public test::HistoryFolderTest
{
protected:
    Program program() { return Program({.folder = {folder.path(), {}}}, loop); }

    RecordingView box;
};

// The names loaded at start count as this copy's old names: the one it added
// stands above the names another copy saved meanwhile.
TEST_F(ProgramHistoryTest, SavesTheAddedNamesAboveThoseAnotherCopySavedMeanwhile)
{
    writeFile("alice\r\nbob\r\n");
    Program lister = program();
    EXPECT_EQ(lister.loadHistory(box), HistoryRead::Loaded);
    EXPECT_EQ(box.users, QStringList({"alice", "bob"}));

    box.insertUser(0, QStringLiteral("new"));
    writeFile("carol\r\nalice\r\nbob\r\n");
    lister.saveHistory(box);
    EXPECT_EQ(readFile(), QByteArray("new\r\ncarol\r\nalice\r\nbob\r\n"));
}

// A history too large to load is neither loaded nor saved over, which would
// replace all its names by those of this run.
TEST_F(ProgramHistoryTest, LeavesAHistoryItCouldNotLoadAsItIs)
{
    writeFile("alice\r\n");
    ASSERT_TRUE(QFile::resize(path(), kMaxHistoryBytes + 1));
    Program lister = program();
    EXPECT_EQ(lister.loadHistory(box), HistoryRead::Unreadable);
    EXPECT_TRUE(box.users.isEmpty());

    box.insertUser(0, QStringLiteral("new"));
    lister.saveHistory(box);
    EXPECT_EQ(QFile(path()).size(), kMaxHistoryBytes + 1);
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(7), QByteArray("alice\r\n"));
}

} // namespace
