#include "siteserver.h"
#include "support/proberun.h"
#include "support/unprivileged.h"
#include "ui/paintedicons.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

// Installs the build into a fresh prefix, as `cmake --install` does for a
// package or for /usr/local.
class InstallTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(VIDFOLIO_CMAKE_COMMAND,
                      {"--install", VIDFOLIO_BUILD_DIR, "--prefix", prefix()});
        ASSERT_TRUE(install.waitForFinished(60000));
        ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();
    }

    QString prefix() const { return root.filePath("prefix"); }
    QString installed(const QString &path) const { return prefix() + "/" + path; }

    QTemporaryDir root;
};

TEST_F(InstallTest, ProgramDesktopEntryAndIconsAreInstalled)
{
    const QFileInfo program(installed("bin/vidfolio"));
    ASSERT_TRUE(program.isFile());
    EXPECT_TRUE(
        program.permissions().testFlags(QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther));

    // The entry starts the installed program by name and shows its icon.
    QSettings entry(installed("share/applications/vidfolio.desktop"), QSettings::IniFormat);
    entry.beginGroup("Desktop Entry");
    EXPECT_EQ(entry.value("Type").toString(), QStringLiteral("Application"));
    EXPECT_EQ(entry.value("Name").toString(), QStringLiteral("Vidfolio"));
    EXPECT_EQ(entry.value("Exec").toString(), program.fileName());
    const QString icon = entry.value("Icon").toString();
    EXPECT_EQ(icon, QStringLiteral("vidfolio"));

    // Every size the hicolor theme gets is the window's own icon painted
    // at that size; 48 pixels, the size every theme must have, is there.
    const QDir hicolor(installed("share/icons/hicolor"));
    const QStringList sizes = hicolor.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    EXPECT_TRUE(sizes.contains("48x48")) << sizes.join(' ').toStdString();
    EXPECT_TRUE(sizes.contains("32x32")) << sizes.join(' ').toStdString();
    for (const QString &size : sizes) {
        SCOPED_TRACE(size.toStdString());
        const int pixels = size.section('x', 0, 0).toInt();
        ASSERT_EQ(size, QStringLiteral("%1x%1").arg(pixels));
        const QImage image(hicolor.filePath(size + "/apps/" + icon + ".png"), "PNG");
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(
            image.convertToFormat(QImage::Format_ARGB32),
            vidfolio::ui::programIcon(pixels).toImage().convertToFormat(QImage::Format_ARGB32));
    }
    const QImage windowIcon(hicolor.filePath("32x32/apps/vidfolio.png"), "PNG");
    EXPECT_EQ(
        windowIcon.convertToFormat(QImage::Format_ARGB32),
        vidfolio::ui::windowIcon().pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32));
}

TEST_F(InstallTest, DesktopEntryPassesTheValidator)
{
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is missing (scripts/deps.sh installs it)";
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(validator, {installed("share/applications/vidfolio.desktop")});
    ASSERT_TRUE(validate.waitForFinished(30000));
    EXPECT_EQ(validate.exitCode(), 0);
    // Not even a hint.
    EXPECT_EQ(validate.readAll(), QByteArray());
}

TEST_F(InstallTest, InstalledProgramKeepsItsFilesInTheDataFolder)
{
    // The installed bin folder is root's, as /usr/local/bin is; the probe
    // chooses as the program started from there would, as the user nobody.
    ASSERT_EQ(::chmod(QFile::encodeName(installed("bin")).constData(), 0555), 0);
    const QDir dir(root.path());
    ASSERT_TRUE(dir.mkdir("tools") && dir.mkdir("home"));
    ASSERT_TRUE(vidfolio::test::handToUnprivileged(root.filePath("home"), 0755));
    const QString probe = vidfolio::test::copyProbeForEveryone(root.filePath("tools"));
    vidfolio::site::SiteServer server;
    server.addUser("carol", vidfolio::site::generatedVideos("carol", 23));

    const auto run =
        vidfolio::test::runProbeUnprivileged(probe,
                                             {"list", QString::fromStdString(server.host()),
                                              "carol", "--program-folder", installed("bin")},
                                             root.filePath("home"));
    ::chmod(QFile::encodeName(installed("bin")).constData(), 0755);
    if (!run)
        GTEST_SKIP() << "cannot run the probe as an unprivileged user (setpriv missing)";
    EXPECT_EQ(run->lastStatus(), QStringLiteral("Finished: 23 videos"));

    // QStandardPaths' AppDataLocation for the application name "Vidfolio".
    QFile history(root.filePath("home/data/Vidfolio/users.vidfolio"));
    ASSERT_TRUE(history.open(QIODevice::ReadOnly));
    EXPECT_EQ(history.readAll(), QByteArray("carol\r\n"));
    EXPECT_EQ(QDir(installed("bin")).entryList(QDir::Files), QStringList({"vidfolio"}));
    EXPECT_EQ(QDir(root.filePath("home/data/Vidfolio")).entryList(QDir::Files),
              QStringList({"users.vidfolio"}));
}

} // namespace
