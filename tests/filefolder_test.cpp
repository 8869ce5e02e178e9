#include "platform/filefolder.h"
#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace vidfolio;
using test::AsUnprivileged;

namespace {

// A program folder and a data folder side by side in a temporary folder
// that every user may enter.
class FileFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
        ASSERT_TRUE(QDir(root.path()).mkdir("bin"));
    }
    QString program() const { return root.filePath("bin"); }
    QString data() const { return root.filePath("data/Vidfolio"); }
    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir root;
};

TEST_F(FileFolderTest, WritableProgramFolderIsKept)
{
    ASSERT_TRUE(test::handToUnprivileged(program(), 0755));
    AsUnprivileged unprivileged;
    if (!unprivileged.active())
        GTEST_SKIP() << "cannot check files as an unprivileged user";
    EXPECT_TRUE(folderWritable(program()));
    EXPECT_EQ(chooseFileFolder(program(), data()), (FileFolder{program(), {}}));
    // The data folder is chosen, not made.
    EXPECT_FALSE(QFileInfo::exists(root.filePath("data")));
}

TEST_F(FileFolderTest, ReadOnlyProgramFolderGivesTheDataFolder)
{
    // Owned by someone else, or the user's own with no write permission.
    ASSERT_EQ(::chmod(QFile::encodeName(program()).constData(), 0555), 0);
    AsUnprivileged unprivileged;
    if (!unprivileged.active())
        GTEST_SKIP() << "cannot check files as an unprivileged user";
    EXPECT_FALSE(folderWritable(program()));
    EXPECT_EQ(chooseFileFolder(program(), data()), (FileFolder{data(), program()}));
    // Without a data folder to go to, the program folder is all there is.
    EXPECT_EQ(chooseFileFolder(program(), QString()), (FileFolder{program(), {}}));
}

TEST_F(FileFolderTest, RootMayWriteWhereTheModeSaysNo)
{
    if (!test::runningAsRoot())
        GTEST_SKIP() << "only root writes into a folder of mode 555";
    ASSERT_EQ(::chmod(QFile::encodeName(program()).constData(), 0555), 0);
    EXPECT_TRUE(folderWritable(program()));
    EXPECT_EQ(chooseFileFolder(program(), data()).path, program());
}

TEST_F(FileFolderTest, HistoryIsReadFromTheProgramFolderUntilTheDataFolderHasOne)
{
    const FileFolder folder{data(), program()};
    const QString own = data() + "/users.vidfolio";
    const QString beside = program() + "/users.vidfolio";

    // Neither has one: the data folder's path, where the first save goes.
    EXPECT_EQ(pathToRead(folder, "users.vidfolio"), own);
    write(beside, "older\r\n");
    EXPECT_EQ(pathToRead(folder, "users.vidfolio"), beside);
    ASSERT_TRUE(QDir().mkpath(data()));
    write(own, "newer\r\n");
    EXPECT_EQ(pathToRead(folder, "users.vidfolio"), own);
    // A program folder that is not the fallback is never looked into.
    ASSERT_TRUE(QFile::remove(own));
    EXPECT_EQ(pathToRead({data(), {}}, "users.vidfolio"), own);
}

TEST_F(FileFolderTest, DamagedHistoryInTheDataFolderIsNotPassedOver)
{
    // Whatever stands at the path is read there, and found unreadable there,
    // rather than the program folder's history being read and then saved
    // over it.
    const FileFolder folder{data(), program()};
    write(program() + "/users.vidfolio", "older\r\n");
    ASSERT_TRUE(QDir().mkpath(data() + "/users.vidfolio"));
    EXPECT_EQ(pathToRead(folder, "users.vidfolio"), data() + "/users.vidfolio");

    ASSERT_TRUE(QDir(data() + "/users.vidfolio").removeRecursively());
    ASSERT_TRUE(QFile::link(root.filePath("nowhere"), data() + "/users.vidfolio"));
    EXPECT_EQ(pathToRead(folder, "users.vidfolio"), data() + "/users.vidfolio");
}

TEST_F(FileFolderTest, UnreadableOrOddFallbackIsNotRead)
{
    const FileFolder folder{data(), program()};
    const QString beside = program() + "/users.vidfolio";
    ASSERT_TRUE(QDir().mkdir(beside));
    EXPECT_EQ(pathToRead(folder, "users.vidfolio"), data() + "/users.vidfolio");
    ASSERT_TRUE(QDir().rmdir(beside));

    write(beside, "secret\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(beside).constData(), 0200), 0);
    AsUnprivileged unprivileged;
    if (!unprivileged.active())
        GTEST_SKIP() << "cannot check files as an unprivileged user";
    EXPECT_EQ(pathToRead(folder, "users.vidfolio"), data() + "/users.vidfolio");
}

} // namespace
