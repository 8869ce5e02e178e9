// Several copies of the program saving the history of one folder: no copy
// loses the names another one saved.
#include "history/historyfile.h"
#include "history/userlist.h"
#include "support/historyfolder.h"
#include "support/recordingview.h"

#include <gtest/gtest.h>

using namespace vidfolio;
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

} // namespace
