#include "history/historyfile.h"
#include "history/userlist.h"
#include "support/filesizelimit.h"
#include "support/historyfolder.h"
#include "support/recordingview.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <string_view>

#include <sys/stat.h>

using namespace vidfolio;
using namespace std::string_view_literals;
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
    const QByteArray bytes(GetParam().text);
    // The bytes split alike, both when the file is valid UTF-8 as a whole
    // and when a line of it is not, which is decoded line by line.
    EXPECT_EQ(decodeHistoryLines(bytes), GetParam().lines);
    EXPECT_EQ(decodeHistoryLines("\xff\n" + bytes), QStringList(QChar(0xFF)) + GetParam().lines);
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

struct DecodeCase
{
    const char *name;
    std::string_view bytes;
    QStringList lines;
    friend void PrintTo(const DecodeCase &c, std::ostream *os) { *os << c.name; }
};

class HistoryDecoding : public ::testing::TestWithParam<DecodeCase>
{
};

TEST_P(HistoryDecoding, EachLineIsUtf8OrElseWindows1252)
{
    const std::string_view bytes = GetParam().bytes;
    EXPECT_EQ(decodeHistoryLines(QByteArrayView(bytes.data(), bytes.size())), GetParam().lines);
}

QString chars(std::initializer_list<char16_t> codes)
{
    QString text;
    for (const char16_t code : codes)
        text.append(QChar(code));
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Files, HistoryDecoding,
    ::testing::Values(DecodeCase{"InvalidLineAmongUtf8Lines",
                                 "Zo\xc3\xab\r\ncaf\xe9\r\n\xe6\x97\xa5\xe6\x9c\xac\r\n",
                                 {QString::fromUtf8("Zoë"), QString::fromUtf8("café"),
                                  QString::fromUtf8("日本")}},
                      DecodeCase{"Windows1252Punctuation",
                                 "\x93quoted\x94\r\n\x80 5\r\nZo\xc3\xab",
                                 {QString::fromUtf8("“quoted”"), QString::fromUtf8("€ 5"),
                                  QString::fromUtf8("Zoë")}},
                      DecodeCase{
                          "SequenceCutByALineEnd", "\xc3\r\n\xab", {chars({0xC3}), chars({0xAB})}},
                      DecodeCase{"CarriageReturnsAlone", "a\r\xe9\rb", {"a", chars({0xE9}), "b"}},
                      DecodeCase{"LineFeedsAlone", "a\n\xe9\n\nb\n", {"a", chars({0xE9}), "", "b"}},
                      DecodeCase{"BinaryBytes",
                                 "\x00\x01\r\n\x7f\x81\xff\r\x00"sv,
                                 {chars({0, 1}), chars({0x7F, 0x81, 0xFF}), chars({0})}},
                      DecodeCase{"MarkOpeningAValidFileIsDropped",
                                 "\xef\xbb\xbf"
                                 "a\r\nb",
                                 {"a", "b"}},
                      DecodeCase{"MarkOpeningADamagedFileIsDropped",
                                 "\xef\xbb\xbf"
                                 "a\r\n\xe9",
                                 {"a", chars({0xE9})}},
                      DecodeCase{"MarkInsideAValidFileIsKept",
                                 "a\r\n\xef\xbb\xbf"
                                 "b",
                                 {"a", chars({0xFEFF, u'b'})}},
                      DecodeCase{"MarkInsideADamagedFileIsKept",
                                 "a\r\n\xef\xbb\xbf"
                                 "b\r\n\xe9",
                                 {"a", chars({0xFEFF, u'b'}), chars({0xE9})}}),
    [](const auto &info) { return std::string(info.param.name); });

class HistoryFileTest : public test::HistoryFolderTest
{
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
    EXPECT_EQ(SaveUsers(box, path(), loop, 0).outcome, Outcome::Done);
    EXPECT_EQ(readFile(), QByteArray("\xc3\xbcn\xc3\xaf\r\n\r\n spaced \r\nlast\r\n"));
    EXPECT_EQ(loop.pumps, 1);

    RecordingView reloaded;
    LoadUsers(reloaded, path());
    EXPECT_EQ(reloaded.users, box.users);
}

TEST_F(HistoryFileTest, EmptyListSavesAnEmptyFile)
{
    RecordingView box;
    EXPECT_EQ(SaveUsers(box, path(), loop, 0).outcome, Outcome::Done);
    ASSERT_TRUE(QFile::exists(path()));
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
    EXPECT_EQ(SaveUsers(box, path(), loop, 40000).outcome, Outcome::Done);
    EXPECT_EQ(readFile(), bytes);
}

TEST_F(HistoryFileTest, NamesOfEveryLengthSaveAsTheirUtf8Lines)
{
    // Enough multi-byte names to fill several write blocks, one name larger
    // than a block, and a name ending in half a surrogate pair, which must
    // not run into the line end that follows it.
    RecordingView box;
    QByteArray expected;
    for (int i = 0; i < 30000; ++i) {
        if (i == 12345) {
            box.users.append(QString(100000, QChar(0xFC)));
            expected += QByteArray("\xc3\xbc").repeated(100000) + "\r\n";
        }
        box.users.append(QStringLiteral("Zoë ") + QString::number(i) + QStringLiteral(" 日本"));
        expected += "Zo\xc3\xab " + QByteArray::number(i) + " \xe6\x97\xa5\xe6\x9c\xac\r\n";
    }
    box.users.append(QStringLiteral("half ") + QChar(0xD83D));
    expected += "half ?\r\n";
    box.users.append(QString());
    expected += "\r\n";

    EXPECT_EQ(SaveUsers(box, path(), loop, 0).outcome, Outcome::Done);
    EXPECT_EQ(readFile(), expected);
}

TEST_F(HistoryFileTest, FailedSaveLeavesTheOldHistoryWhole)
{
    writeFile("keep\r\nme\r\n");
    RecordingView box;
    box.users = {QString(4096, u'x'), "keep", "me"};

    const SaveResult saved = [&] {
        const test::FileSizeLimit full(64);
        return SaveUsers(box, path(), loop, 2);
    }();

    EXPECT_EQ(saved.outcome, Outcome::Failed);
    EXPECT_EQ(saved.reason, QStringLiteral("disk full"));
    EXPECT_EQ(readFile(), QByteArray("keep\r\nme\r\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"users.vidfolio"}));
}

// The names in a history's bytes, worked out apart from the code under test:
// lines end at CR LF, CR or LF; a line that comes back unchanged from a trip
// through UTF-8 is UTF-8, any other is Windows-1252, byte by byte.
QStringList namesWorkedOut(const QByteArray &bytes)
{
    // Windows-1252 0x80 to 0x9F as the code page publishes them; its five
    // unassigned bytes stand for the C1 controls of the same number.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QByteArray text = bytes;
    text.replace("\r\n", "\n").replace('\r', '\n');
    QList<QByteArray> lines = text.split('\n');
    if (text.isEmpty() || text.endsWith('\n'))
        lines.removeLast();
    QStringList names;
    for (const QByteArray &line : lines) {
        QString name = QString::fromUtf8(line);
        if (name.toUtf8() != line) {
            name.clear();
            for (const char c : line) {
                const auto byte = static_cast<unsigned char>(c);
                name += byte >= 0x80 && byte < 0xA0 ? QChar(kHigh[byte - 0x80]) : QChar(byte);
            }
        }
        names.append(name);
    }
    return names;
}

// Nothing is lost: every name the file held is in the box after loading, and
// in the file again after saving, as UTF-8 lines ending in CR LF.
TEST_F(HistoryFileTest, DamagedButReadableFilesKeepEveryName)
{
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 7919) % 256);
    QByteArray longLine;
    while (longLine.size() < 10 * 1024 * 1024)
        longLine += "name \xc3\xa9 \xe6\x97\xa5 ";
    QByteArray millionLines;
    QStringList millionNames;
    for (int i = 0; i < 1000000; ++i) {
        millionLines += "user" + QByteArray::number(i) + "\r\n";
        millionNames.append(QStringLiteral("user") + QString::number(i));
    }
    const QByteArray longFile = "first\r\n" + longLine + "\r\nlast\r\n";

    struct Case
    {
        const char *name;
        QByteArray bytes;
        QStringList names;
        QByteArray saved;
    };
    QByteArray binarySaved;
    for (const QString &name : namesWorkedOut(binary))
        binarySaved += name.toUtf8() + "\r\n";
    const std::vector<Case> files{
        {"binary content", binary, namesWorkedOut(binary), binarySaved},
        {"a line of 10 MB", longFile, {"first", QString::fromUtf8(longLine), "last"}, longFile},
        {"1,000,000 lines", millionLines, millionNames, millionLines},
        {"CR only", "a\rb\r\rc", {"a", "b", "", "c"}, "a\r\nb\r\n\r\nc\r\n"},
        {"LF only", "a\nb\n\nc\n", {"a", "b", "", "c"}, "a\r\nb\r\n\r\nc\r\n"},
        {"one line not UTF-8",
         "Zo\xc3\xab\r\ncaf\xe9\r\n\xe6\x97\xa5\r\n",
         {QString::fromUtf8("Zoë"), QString::fromUtf8("café"), QString::fromUtf8("日")},
         "Zo\xc3\xab\r\ncaf\xc3\xa9\r\n\xe6\x97\xa5\r\n"},
    };
    for (const Case &c : files) {
        SCOPED_TRACE(c.name);
        writeFile(c.bytes);
        RecordingView box;
        ASSERT_EQ(LoadUsers(box, path()), HistoryRead::Loaded);
        EXPECT_EQ(box.users, c.names);
        EXPECT_EQ(SaveUsers(box, path(), loop, box.userCount()).outcome, Outcome::Done);
        // Compared with ==, so that a failure does not print megabytes.
        const QByteArray saved = readFile();
        EXPECT_EQ(saved.size(), c.saved.size());
        EXPECT_TRUE(saved == c.saved);
    }
}

TEST_F(HistoryFileTest, NamesOfADamagedFileAreSavedAsUtf8Lines)
{
    writeFile("Zo\xc3\xab\rcaf\xe9\n\x93q\x94");
    RecordingView box;
    ASSERT_EQ(LoadUsers(box, path()), HistoryRead::Loaded);
    EXPECT_EQ(box.users, QStringList({QString::fromUtf8("Zoë"), QString::fromUtf8("café"),
                                      QString::fromUtf8("“q”")}));
    box.typed = QStringLiteral("new");
    rememberUserName(box);
    EXPECT_EQ(SaveUsers(box, path(), loop, 3).outcome, Outcome::Done);
    EXPECT_EQ(readFile(),
              QByteArray("new\r\nZo\xc3\xab\r\ncaf\xc3\xa9\r\n\xe2\x80\x9cq\xe2\x80\x9d\r\n"));
}

TEST_F(HistoryFileTest, MissingFileIsToldFromAnUnreadableOne)
{
    RecordingView box;
    EXPECT_EQ(LoadUsers(box, path()), HistoryRead::Missing);
    // A link to nowhere is no history either; the first save makes one.
    ASSERT_TRUE(QFile::link(folder.filePath("nowhere"), path()));
    EXPECT_EQ(LoadUsers(box, path()), HistoryRead::Missing);
    ASSERT_TRUE(QFile::remove(path()));
    writeFile("");
    EXPECT_EQ(LoadUsers(box, path()), HistoryRead::Loaded);
    EXPECT_TRUE(box.users.isEmpty());
}

TEST_F(HistoryFileTest, WhatCannotBeReadWholeLoadsNothing)
{
    // Each stands where the history should be and is left there as it was.
    struct Case
    {
        const char *name;
        std::function<void()> make;
    };
    const std::vector<Case> cases{
        {"a folder", [&] { ASSERT_TRUE(QDir().mkpath(path() + "/inside")); }},
        // Reading the start of a process's memory fails with an I/O error.
        {"a read error", [&] { ASSERT_TRUE(QFile::link("/proc/self/mem", path())); }},
        // Opening a pipe for reading would wait for a writer for ever.
        {"a pipe", [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0644), 0); }},
        {"a file over the size limit",
         [&] {
             QFile file(path());
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             ASSERT_TRUE(file.resize(kMaxHistoryBytes + 1));
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.make();
        RecordingView box;
        EXPECT_EQ(LoadUsers(box, path()), HistoryRead::Unreadable);
        EXPECT_TRUE(box.users.isEmpty());
        EXPECT_EQ(box.selected, -1);
        const QFileInfo info(path());
        if (info.isDir())
            ASSERT_TRUE(QDir(path()).removeRecursively());
        else
            ASSERT_TRUE(QFile::remove(path()));
    }
}

TEST_F(HistoryFileTest, FileWithoutReadPermissionLoadsNothing)
{
    writeFile("alice\r\n");
    ASSERT_TRUE(test::handToUnprivileged(folder.path(), 0700));
    ASSERT_TRUE(test::handToUnprivileged(path(), 0200));
    test::AsUnprivileged unprivileged;
    if (!unprivileged.active())
        GTEST_SKIP() << "cannot check files as an unprivileged user";
    RecordingView box;
    EXPECT_EQ(LoadUsers(box, path()), HistoryRead::Unreadable);
    EXPECT_TRUE(box.users.isEmpty());
}

TEST_F(HistoryFileTest, SaveMakesTheFolderItWritesInto)
{
    const QString nested = folder.filePath("data/Vidfolio/users.vidfolio");
    RecordingView box;
    box.users = {"carol"};
    EXPECT_EQ(SaveUsers(box, nested, loop, 0).outcome, Outcome::Done);
    QFile file(nested);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("carol\r\n"));
}

} // namespace
