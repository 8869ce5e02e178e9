// vidfolio-bench-site: the site the benchmark lists from, as fast as a real
// web server (FastSite). Users bench100, bench10000 and bench200000, named
// for their number of videos.
//
//   vidfolio-bench-site --port-file FILE [COUNT...]
//
// Each COUNT adds a user benchCOUNT of COUNT videos.
// Writes "localhost:PORT" to FILE once every page is rendered, and serves
// until interrupted.

#include "fastsite.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stop = 0;

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3 || std::strcmp(argv[1], "--port-file") != 0) {
        std::fputs("usage: vidfolio-bench-site --port-file FILE [COUNT...]\n", stderr);
        return 2;
    }
    vidfolio::site::FastSite site;
    std::vector<std::size_t> counts{100, 10000, 200000};
    for (int i = 3; i < argc; ++i)
        counts.push_back(std::strtoul(argv[i], nullptr, 10));
    for (const std::size_t count : counts)
        site.addUser("bench" + std::to_string(count), count);
    site.start();
    std::ofstream(argv[2]) << site.host() << '\n';

    std::signal(SIGINT, [](int) { g_stop = 1; });
    std::signal(SIGTERM, [](int) { g_stop = 1; });
    while (!g_stop)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return 0;
}
