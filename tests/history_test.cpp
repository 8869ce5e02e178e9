#include "history/historyfile.h"
#include "history/userlist.h"
#include "support/recordingview.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using namespace vidfolio;
using test::CountingRunLoop;
using test::RecordingView;

namespace {

TEST(UserList, MembershipIgnoresLetterCaseAndLowerCasesTheName)
{
    RecordingView box;
    box.users = {"Alice", QString::fromUtf8("ÄRGER"), " bob"};
    QString name = QStringLiteral("aLICE");
    EXPECT_TRUE(UserInList(name, box));
    EXPECT_EQ(name, QStringLiteral("alice"));

    QString umlaut = QString::fromUtf8("ärger");
    EXPECT_TRUE(UserInList(umlaut, box));
    QString unspaced = QStringLiteral("bob");
    EXPECT_FALSE(UserInList(unspaced, box));
}

TEST(UserList, RememberingPutsNewNamesOnTopAndKeepsKnownOnes)
{
    RecordingView box;
    box.users = {"Alice", "bob"};
    box.typed = QStringLiteral("BOB");
    rememberUserName(box);
    EXPECT_EQ(box.users, QStringList({"Alice", "bob"}));
    EXPECT_EQ(box.typed, QStringLiteral("BOB"));

    box.typed = QStringLiteral("Carol");
    rememberUserName(box);
    EXPECT_EQ(box.users, QStringList({"Carol", "Alice", "bob"}));

    box.typed = QString();
    rememberUserName(box);
    rememberUserName(box);
    EXPECT_EQ(box.users, QStringList({"", "Carol", "Alice", "bob"}));

    box.typed = QStringLiteral(" Carol");
    rememberUserName(box);
    EXPECT_EQ(box.users.first(), QStringLiteral(" Carol"));
}

struct SplitCase
{
    const char *name;
    const char *text;
    QStringList lines;
    friend void PrintTo(const SplitCase &c, std::ostream *os) { *os << c.name; }
};

class HistoryLines : public ::testing::TestWithParam<SplitCase>
{
};

TEST_P(HistoryLines, SplitAtEveryKindOfLineEnd)
{
    EXPECT_EQ(splitHistoryLines(QString::fromUtf8(GetParam().text)), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Files, HistoryLines,
    ::testing::Values(SplitCase{"Empty", "", {}}, SplitCase{"NoFinalLineEnd", "a", {"a"}},
                      SplitCase{"FinalLineEndAddsNothing", "a\r\n", {"a"}},
                      SplitCase{"EmptyLinesKept", "a\r\n\r\nb\r\n", {"a", "", "b"}},
                      SplitCase{"TrailingEmptyEntry", "a\r\n\r\n", {"a", ""}},
                      SplitCase{"OnlyALineEnd", "\r\n", {""}},
                      SplitCase{"LineFeedsFromAnEditor", "a\nb\n\nc", {"a", "b", "", "c"}},
                      SplitCase{"CarriageReturnsAlone", "a\rb\r", {"a", "b"}},
                      SplitCase{"Mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}}),
    [](const auto &info) { return std::string(info.param.name); });

class HistoryFileTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QString path() const { return folder.filePath("users.vidfolio"); }
    void writeFile(const QByteArray &bytes) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readFile() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir folder;
    CountingRunLoop loop;
};

TEST_F(HistoryFileTest, MissingOrEmptyFileLoadsNothingAndSelectsNothing)
{
    RecordingView box;
    LoadUsers(box, path());
    EXPECT_TRUE(box.users.isEmpty());
    EXPECT_EQ(box.selected, -1);

    writeFile("");
    LoadUsers(box, path());
    EXPECT_TRUE(box.users.isEmpty());
    EXPECT_EQ(box.selected, -1);
}

TEST_F(HistoryFileTest, LoadAppendsEveryLineAndSelectsTheFirst)
{
    writeFile("newest\r\n\r\nZo\xc3\xab\r\noldest\r\n");
    RecordingView box;
    LoadUsers(box, path());
    EXPECT_EQ(box.users, QStringList({"newest", "", QString::fromUtf8("Zoë"), "oldest"}));
    EXPECT_EQ(box.selected, 0);
    EXPECT_EQ(box.typed, QStringLiteral("newest"));
}

TEST_F(HistoryFileTest, SaveWritesCrLfAfterEveryLineAndRoundTrips)
{
    RecordingView box;
    box.users = {QString::fromUtf8("ünï"), "", " spaced ", "last"};
    SaveUsers(box, path(), loop);
    EXPECT_EQ(readFile(), QByteArray("\xc3\xbcn\xc3\xaf\r\n\r\n spaced \r\nlast\r\n"));
    EXPECT_EQ(loop.pumps, 1);

    RecordingView reloaded;
    LoadUsers(reloaded, path());
    EXPECT_EQ(reloaded.users, box.users);
}

TEST_F(HistoryFileTest, EmptyListSavesAnEmptyFile)
{
    writeFile("old\r\n");
    RecordingView box;
    SaveUsers(box, path(), loop);
    EXPECT_EQ(readFile(), QByteArray());
}

TEST_F(HistoryFileTest, LargeHistoryLoadsWhole)
{
    QByteArray bytes;
    for (int i = 0; i < 40000; ++i)
        bytes += "user" + QByteArray::number(i) + "\r\n";
    writeFile(bytes);
    RecordingView box;
    LoadUsers(box, path());
    ASSERT_EQ(box.users.size(), 40000);
    EXPECT_EQ(box.users.last(), QStringLiteral("user39999"));
    SaveUsers(box, path(), loop);
    EXPECT_EQ(readFile(), bytes);
}

TEST_F(HistoryFileTest, NamesOfEveryLengthSaveAsTheirUtf8Lines)
{
    // Enough multi-byte names to fill several write blocks, one name larger
    // than a block, and a name ending in half a surrogate pair, which must
    // not run into the line end that follows it.
    RecordingView box;
    for (int i = 0; i < 30000; ++i)
        box.users.append(QStringLiteral("Zoë ") + QString::number(i) + QStringLiteral(" 日本"));
    box.users.insert(12345, QString(100000, QChar(0xFC)));
    box.users.append(QStringLiteral("half ") + QChar(0xD83D));
    box.users.append(QString());
    QByteArray expected;
    for (const QString &name : box.users)
        expected += name.toUtf8() + "\r\n";

    SaveUsers(box, path(), loop);
    EXPECT_EQ(readFile(), expected);
    EXPECT_TRUE(expected.contains("half ?\r\n"));
}

TEST_F(HistoryFileTest, FailedSaveLeavesTheOldHistoryWhole)
{
    writeFile("keep\r\nme\r\n");
    RecordingView box;
    box.users = {QString(4096, u'x'), "keep", "me"};

    // A file-size limit makes every write past 64 bytes fail, as a full disk
    // would; this works for root too, unlike a read-only folder.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    SaveUsers(box, path(), loop);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(readFile(), QByteArray("keep\r\nme\r\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"users.vidfolio"}));
}

} // namespace
