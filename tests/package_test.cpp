#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <iostream>
#include <memory>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString output;
};

ToolRun run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

// `cpack -G DEB` on this build, once for all cases; the package is then
// inspected with the Debian tools as a packager would.
class PackageTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder = std::make_unique<QTemporaryDir>();
        const ToolRun cpack = run(VIDFOLIO_CPACK_COMMAND,
                                  {"-G", "DEB", "--config", VIDFOLIO_BUILD_DIR "/CPackConfig.cmake",
                                   "-B", s_folder->path()});
        s_cpackOutput = cpack.output;
        const QStringList debs = QDir(s_folder->path()).entryList({"*.deb"}, QDir::Files);
        if (cpack.exitCode == 0 && debs.size() == 1)
            s_deb = s_folder->filePath(debs.first());
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    void SetUp() override { ASSERT_FALSE(s_deb.isEmpty()) << s_cpackOutput.toStdString(); }

    static QString contents()
    {
        const ToolRun dpkg = run("dpkg-deb", {"--contents", s_deb});
        EXPECT_EQ(dpkg.exitCode, 0) << dpkg.output.toStdString();
        return dpkg.output;
    }
    static QString field(const char *name)
    {
        return run("dpkg-deb", {"--field", s_deb, name}).output.trimmed();
    }

    static inline std::unique_ptr<QTemporaryDir> s_folder;
    static inline QString s_deb;
    static inline QString s_cpackOutput;
};

TEST_F(PackageTest, HoldsTheProgramAndItsDesktopFilesUnderUsr)
{
    const QString arch = run("dpkg", {"--print-architecture"}).output.trimmed();
    EXPECT_EQ(QFileInfo(s_deb).fileName(), QStringLiteral("vidfolio_1.0_%1.deb").arg(arch));

    QStringList files;
    for (const QString &line : contents().split('\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith('d'))
            files.append(line.section(' ', -1));
    }
    files.sort();
    QStringList expected{"./usr/bin/vidfolio",
                         "./usr/share/applications/vidfolio.desktop",
                         "./usr/share/doc/vidfolio/changelog.gz",
                         "./usr/share/doc/vidfolio/copyright",
                         "./usr/share/man/man1/vidfolio.1.gz",
                         "./usr/share/metainfo/org.example.vidfolio.metainfo.xml"};
    for (int size : {16, 32, 48, 64, 128, 256})
        expected.append(
            QStringLiteral("./usr/share/icons/hicolor/%1x%1/apps/vidfolio.png").arg(size));
    expected.sort();
    EXPECT_EQ(files, expected);
}

TEST_F(PackageTest, DependsOnTheLibrariesTheProgramLinks)
{
    EXPECT_EQ(field("Package"), "vidfolio");
    EXPECT_EQ(field("Version"), "1.0");
    EXPECT_FALSE(field("Maintainer").isEmpty());
    // Found by dpkg-shlibdeps in the program, with the versions it needs.
    const QStringList depends = field("Depends").split(QStringLiteral(", "));
    QStringList names;
    for (const QString &dependency : depends)
        names.append(dependency.section(' ', 0, 0));
    for (const char *library : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libcurl4"})
        EXPECT_TRUE(names.contains(library))
            << library << " in " << depends.join(", ").toStdString();
    // Nothing the tests and the tools need.
    for (const QString &name : names) {
        EXPECT_FALSE(name.contains("gtest") || name.contains("httplib") || name.startsWith("zlib"))
            << name.toStdString();
    }
}

TEST_F(PackageTest, MetadataAndManualPagePassTheirChecks)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_EQ(run("dpkg-deb", {"--extract", s_deb, root.path()}).exitCode, 0);

    // The metainfo file, and the desktop entry it names as its launchable.
    if (QStandardPaths::findExecutable("appstreamcli").isEmpty()) {
        ADD_FAILURE() << "appstreamcli is missing (scripts/deps.sh installs appstream)";
    } else {
        const ToolRun validate = run("appstreamcli", {"validate-tree", "--no-net", root.path()});
        EXPECT_EQ(validate.exitCode, 0) << validate.output.toStdString();
    }

    // The manual page names the two files and where they live.
    const ToolRun page = run("gzip", {"-dc", root.filePath("usr/share/man/man1/vidfolio.1.gz")});
    ASSERT_EQ(page.exitCode, 0);
    for (const char *text : {"users.vidfolio", "temp.txt", "~/.local/share/Vidfolio", ".SH FILES"})
        EXPECT_TRUE(page.output.contains(text)) << text;
}

TEST_F(PackageTest, LintianFindsNoErrorOrWarning)
{
    if (QStandardPaths::findExecutable("lintian").isEmpty())
        GTEST_SKIP() << "lintian is missing (scripts/deps.sh installs it)";
    const ToolRun lintian = run("lintian", {"--tag-display-limit", "0", "--info", s_deb});
    std::cout << lintian.output.toStdString();
    for (const QString &line : lintian.output.split('\n')) {
        EXPECT_FALSE(line.startsWith("E:") || line.startsWith("W:")) << line.toStdString();
    }
}

} // namespace
