// vidfolio-wayland-program HOST FOLDER: the real program, as the installed
// one runs, talking to the test site at HOST and keeping its files in FOLDER.
#include "ui/programentry.h"

#include <QString>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const QString host = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    return vidfolio::ui::runProgram(argc, argv, [&] {
        vidfolio::ui::MainSetup setup;
        setup.roots = vidfolio::SiteRoots::forHost(host);
        setup.folder = {folder, {}};
        return setup;
    });
}
