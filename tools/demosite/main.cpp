// vidfolio-demo-site: a video site on 127.0.0.1 with a few built-in users.
//
//   vidfolio-demo-site [--port PORT] [--port-file FILE] [--bench] [--stall-user NAME]
//
// Serves on PORT while it is free, otherwise on a free port. Prints
// "localhost:PORT" (the host to build the program for) and, with
// --port-file, writes it to FILE too; serves until interrupted. --bench adds
// the users the benchmark lists: bench100 and bench10000, named for their
// number of videos. --stall-user holds the answer to NAME's first profile
// page until the site stops or the client hangs up, for trying the program
// on a site that keeps it waiting.

#include "siteserver.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <thread>

using vidfolio::site::SiteServer;
using vidfolio::site::Video;

namespace {

volatile std::sig_atomic_t g_stop = 0;

// Titles as a real site writes them: quotes as "&quot;", ampersands as
// "&amp;", and letters beyond ASCII.
std::vector<Video> demoVideos(const std::string &user, std::size_t count)
{
    static const char *const kTitles[] = {
        "Sunrise over the harbour, part %",
        "How to fold a &quot;perfect&quot; paper crane #%",
        "Cats &amp; dogs: the rematch %",
        "Zürich by tram – Folge %",
        "Crème brûlée in five minutes (%)",
        "Garage band rehearsal take %",
        "Ελληνικά μαθήματα %",
        "Timelapse: clouds over the valley %",
        "Skateboard tricks &quot;for beginners&quot; %",
        "日本の夏祭り %",
    };
    std::vector<Video> videos;
    for (std::size_t i = 0; i < count; ++i) {
        std::string title = kTitles[i % std::size(kTitles)];
        title.replace(title.find('%'), 1, std::to_string(i + 1));
        videos.push_back({user.substr(0, 3) + std::to_string(100000 + i), title});
    }
    return videos;
}

} // namespace

int main(int argc, char **argv)
{
    const char *portFile = nullptr;
    int port = 0;
    const char *stallUser = nullptr;
    bool bench = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--port-file") == 0 && i + 1 < argc) {
            portFile = argv[++i];
        } else if (std::strcmp(argv[i], "--bench") == 0) {
            bench = true;
        } else if (std::strcmp(argv[i], "--stall-user") == 0 && i + 1 < argc) {
            stallUser = argv[++i];
        } else {
            std::fputs("usage: vidfolio-demo-site [--port PORT] [--port-file FILE] [--bench]"
                       " [--stall-user NAME]\n",
                       stderr);
            return 2;
        }
    }

    SiteServer site(port > 0 && port < 65536 ? port : 0);
    site.addUser("demo57", demoVideos("demo57", 57));
    site.addUser("demo1234", demoVideos("big", 1234));
    site.addUser("Ünal", demoVideos("una", 12));
    site.addUserWithoutVideos("novideos");
    if (bench) {
        site.addUser("bench100", demoVideos("b1h", 100));
        site.addUser("bench10000", demoVideos("b1t", 10000));
    }

    if (stallUser) {
        site.setFaultAt(std::string("/profile_videos?user=") + stallUser,
                        {.kind = vidfolio::site::Fault::Kind::Stall, .delayMs = 24 * 3600 * 1000});
    }

    std::cout << site.host() << std::endl;
    if (portFile)
        std::ofstream(portFile) << site.host() << '\n';

    std::signal(SIGINT, [](int) { g_stop = 1; });
    std::signal(SIGTERM, [](int) { g_stop = 1; });
    while (!g_stop)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return 0;
}
