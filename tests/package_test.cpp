#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <iostream>

namespace {

// Runs a tool to its end; its exit code (-1 when it crashed or hung) and
// everything it printed.
std::pair<int, QString> run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ended = process.waitForFinished(120000);
    const int code =
        ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {code, QString::fromUtf8(process.readAll())};
}

// `cpack -G DEB` on this build, inspected with the Debian tools as a
// packager would.
class PackageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        const auto [code, output] = run(
            VIDFOLIO_CPACK_COMMAND, {"-G", "DEB", "--config",
                                     VIDFOLIO_BUILD_DIR "/CPackConfig.cmake", "-B", folder.path()});
        const QStringList debs = QDir(folder.path()).entryList({"*.deb"}, QDir::Files);
        ASSERT_TRUE(code == 0 && debs.size() == 1) << output.toStdString();
        deb = folder.filePath(debs.first());
    }
    QString field(const char *name) const
    {
        return run("dpkg-deb", {"--field", deb, name}).second.trimmed();
    }

    QTemporaryDir folder;
    QString deb;
};

TEST_F(PackageTest, HoldsTheProgramUnderUsrAndDependsOnWhatItLinks)
{
    const QString arch = run("dpkg", {"--print-architecture"}).second.trimmed();
    EXPECT_EQ(QFileInfo(deb).fileName(), QStringLiteral("vidfolio_1.0_%1.deb").arg(arch));

    QStringList files;
    for (const QString &line : run("dpkg-deb", {"--contents", deb}).second.split('\n')) {
        if (line.startsWith('-'))
            files.append(line.section(' ', -1));
    }
    QStringList expected{"./usr/bin/vidfolio",
                         "./usr/share/applications/vidfolio.desktop",
                         "./usr/share/doc/vidfolio/changelog.gz",
                         "./usr/share/doc/vidfolio/copyright",
                         "./usr/share/man/man1/vidfolio.1.gz",
                         "./usr/share/metainfo/org.example.vidfolio.metainfo.xml"};
    for (int size : {16, 32, 48, 64, 128, 256})
        expected.append(
            QStringLiteral("./usr/share/icons/hicolor/%1x%1/apps/vidfolio.png").arg(size));
    files.sort();
    expected.sort();
    EXPECT_EQ(files, expected);

    EXPECT_EQ(field("Package"), "vidfolio");
    EXPECT_EQ(field("Version"), "1.0");
    // Found by dpkg-shlibdeps in the program; nothing the tests and tools need.
    QStringList names;
    for (const QString &dependency : field("Depends").split(QStringLiteral(", ")))
        names.append(dependency.section(' ', 0, 0));
    // Debian 13 renamed the packages of these libraries for the 64-bit time_t
    // with a "t64" ending; a build there depends on the new names.
    for (const QString library : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libcurl4"})
        EXPECT_TRUE(names.contains(library) || names.contains(library + "t64"))
            << library.toStdString() << " in " << names.join(' ').toStdString();
    for (const QString &name : names)
        EXPECT_FALSE(name.contains("gtest") || name.startsWith("zlib")) << name.toStdString();
    // The browser for the Video menu, and the window on a Wayland desktop.
    EXPECT_EQ(field("Recommends"), "xdg-utils, qt6-wayland");
}

TEST_F(PackageTest, MetadataAndManualPagePassTheirChecks)
{
    const QString root = folder.filePath("root");
    ASSERT_EQ(run("dpkg-deb", {"--extract", deb, root}).first, 0);

    // The metainfo file, and the desktop entry it names as its launchable.
    const auto [valid, report] = run("appstreamcli", {"validate-tree", "--no-net", root});
    EXPECT_EQ(valid, 0) << "scripts/deps.sh installs appstream\n" << report.toStdString();

    // The manual page names the two files and where they live.
    const auto [unzipped, page] = run("gzip", {"-dc", root + "/usr/share/man/man1/vidfolio.1.gz"});
    ASSERT_EQ(unzipped, 0);
    for (const char *text : {".SH FILES", "users.vidfolio", "temp.txt", "~/.local/share/Vidfolio"})
        EXPECT_TRUE(page.contains(text)) << text;
}

TEST_F(PackageTest, LintianFindsNoErrorOrWarning)
{
    if (QStandardPaths::findExecutable("lintian").isEmpty())
        GTEST_SKIP() << "lintian is missing (scripts/deps.sh installs it)";
    const auto [code, findings] =
        run("lintian", {"--tag-display-limit", "0", "--display-info", deb});
    std::cout << findings.toStdString();
    EXPECT_GE(code, 0);
    for (const QString &line : findings.split('\n'))
        EXPECT_FALSE(line.startsWith("E:") || line.startsWith("W:")) << line.toStdString();
}

} // namespace
