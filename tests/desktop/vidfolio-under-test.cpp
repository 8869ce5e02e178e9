// The program as installed, but talking to the site at
// VIDFOLIO_TEST_SITE_HOST ("localhost:PORT") and keeping its history and
// scratch file in VIDFOLIO_TEST_FOLDER: the desktop tests start it in a
// virtual X server against their own loopback site. It refuses to start
// without both, so that it never reaches the built-in site.
#include "ui/programentry.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char *setting(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value ? value : nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    const char *host = setting("VIDFOLIO_TEST_SITE_HOST");
    const char *folder = setting("VIDFOLIO_TEST_FOLDER");
    if (!host || !folder) {
        std::fprintf(stderr,
                     "%s: set VIDFOLIO_TEST_SITE_HOST (localhost:PORT) and "
                     "VIDFOLIO_TEST_FOLDER (the folder of users.vidfolio)\n",
                     argv[0]);
        return 2;
    }
    return vidfolio::ui::runProgram(argc, argv, [host, folder] {
        vidfolio::ui::MainSetup setup;
        setup.roots = vidfolio::SiteRoots::forHost(QString::fromLocal8Bit(host));
        setup.folder = {QString::fromLocal8Bit(folder), {}};
        return setup;
    });
}
