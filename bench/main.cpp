// vidfolio-bench: the benchmark. Starts the demo site and the bench site on
// loopback, runs every case several times, each measurement in a process of its own, and prints
// one table. Every figure is a median; every target is a ratio to a
// reference measured in the same run, so the table holds on a noisy machine.
//
//   vidfolio-bench [--runs N]      (default 5 runs)

#include "liverows.h"
#include "process.h"
#include "table.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;
using namespace vidfolio::bench;

namespace {

const std::string kProbe = VIDFOLIO_PROBE_PATH;
const std::string kSite = VIDFOLIO_SITE_PATH;
const std::string kFastSite = VIDFOLIO_FAST_SITE_PATH;
// A window whose event loop pauses longer than this misses frames of a
// 60 Hz screen.
constexpr double kLongestFrameGapMs = 17;
const std::string kCase = VIDFOLIO_CASE_PATH;
const std::string kDesktopTests = VIDFOLIO_DESKTOP_TESTS_PATH;

void progress(const std::string &what, int round, int rounds)
{
    std::fprintf(stderr, "  %s: run %d of %d\n", what.c_str(), round + 1, rounds);
}

ProcessRun mustRun(const std::vector<std::string> &args, const std::string &mark = {})
{
    ProcessRun run = runProcess(args, mark);
    if (run.exitCode != 0)
        throw std::runtime_error(args.front() + " " + args.at(1) + " failed");
    return run;
}

// curl with the program's offer of compression, printing each answer's HTTP
// status on a line of its own; the time is from its start to its exit.
double curlMs(std::vector<std::string> args, std::size_t answers)
{
    args.insert(args.begin(), {"curl", "-s", "--compressed", "-w", "%{http_code}\n"});
    const ProcessRun run = mustRun(args);
    // An error page is fetched as fast as a page, or faster: every answer
    // must be a success for the time to count as a reference.
    const std::vector<std::string> statuses = linesWith(run.output, "");
    if (statuses.size() != answers)
        throw std::runtime_error("curl gave " + std::to_string(statuses.size()) + " answers, not " +
                                 std::to_string(answers));
    for (const std::string &status : statuses) {
        if (status.size() != 3 || status[0] != '2')
            throw std::runtime_error("curl got HTTP " + status);
    }
    return run.wallMs;
}

std::string readFirstLine(const fs::path &path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

class Bench
{
public:
    Bench(int runs, fs::path scratch) : m_runs(runs), m_scratch(std::move(scratch)) {}

    void run();
    const Table &table() const { return m_table; }

private:
    struct Listing
    {
        double probeMs, curlOneMs, curlEachMs;
    };
    struct WindowListing
    {
        double probeMs, windowMs, windowPeakKb;
    };

    std::string startSite(const std::string &path, std::unique_ptr<BackgroundProcess> &site);
    std::vector<std::string> fetchedAddresses(const std::string &user, std::size_t videos);
    double probeFinishedMs(const std::string &user, std::size_t videos);
    // How curl's reference is taken: bodies to a file each, as the probe
    // writes each page to its scratch file, and also one process per
    // address; or bodies discarded, to time the site rather than the disk.
    enum class Curl
    {
        FilesAndOnceEach,
        DiscardedBodies
    };
    Listing listing(const std::string &user, std::size_t videos, Curl curl);
    WindowListing windowListing(const std::string &user, std::size_t videos);
    void listingRows(const std::string &label, const Listing &listing);
    void fastSiteRows(const Listing &demo, const Listing &fast);
    void windowRows();
    void capGapRows();
    void startRows();
    void historyRows();
    void pageRows();

    int m_runs;
    fs::path m_scratch;
    std::unique_ptr<BackgroundProcess> m_site;
    std::unique_ptr<BackgroundProcess> m_fastSite;
    // The site the cases being run list from.
    std::string m_host;
    Table m_table;
};

// Starts the site at `path` with the benchmark's users; returns its host.
std::string Bench::startSite(const std::string &path, std::unique_ptr<BackgroundProcess> &site)
{
    const fs::path portFile = m_scratch / (fs::path(path).filename().string() + ".port");
    std::vector<std::string> args{path, "--port-file", portFile.string()};
    if (path == kSite)
        args.insert(args.begin() + 1, "--bench");
    site = std::make_unique<BackgroundProcess>(args);
    std::string host;
    for (int i = 0; i < 300 && host.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        host = readFirstLine(portFile);
    }
    if (host.empty())
        throw std::runtime_error(path + " did not start");
    return host;
}

// The addresses the probe fetches for `user`, from one run that also warms
// the site and the caches up.
std::vector<std::string> Bench::fetchedAddresses(const std::string &user, std::size_t videos)
{
    const ProcessRun run = mustRun({kProbe, "list", m_host, user});
    std::vector<std::string> addresses;
    for (const std::string &line : linesWith(run.output, "\"op\":\"fetch\""))
        addresses.push_back(jsonString(line, "url"));
    if (addresses.size() != 1 + (videos + 9) / 10)
        throw std::runtime_error("unexpected fetches listing " + user);
    return addresses;
}

// From the probe's start, as curl's time is, to its "Finished" status line,
// which leaves out the run's closing pause.
double Bench::probeFinishedMs(const std::string &user, std::size_t videos)
{
    const std::string mark = "\"text\":\"Finished: ";
    const ProcessRun run = mustRun({kProbe, "list", m_host, user}, mark);
    const auto finished = linesWith(run.output, mark);
    const std::string expected = "Finished: " + std::to_string(videos) + " videos\"";
    if (finished.size() != 1 || finished[0].find(expected) == std::string::npos || run.markMs < 0)
        throw std::runtime_error("the probe did not list " + user);
    return run.markMs;
}

Bench::Listing Bench::listing(const std::string &user, std::size_t videos, Curl curl)
{
    const bool onceEach = curl == Curl::FilesAndOnceEach;
    // curl asks for compressed pages as the program does, so the site does
    // the same work for both; each body goes to a file of its own.
    const std::vector<std::string> addresses = fetchedAddresses(user, videos);
    const fs::path bodies = m_scratch / user;
    fs::create_directories(bodies);
    const fs::path config = m_scratch / (user + ".curl");
    {
        std::ofstream out(config);
        for (std::size_t i = 0; i < addresses.size(); ++i) {
            out << "url = \"" << addresses[i] << "\"\noutput = \""
                << (onceEach ? (bodies / std::to_string(i)).string() : "/dev/null") << "\"\n";
        }
    }

    std::vector<double> probe, curlOne, curlEach;
    for (int round = 0; round < m_runs; ++round) {
        progress("listing " + user + " from " + m_host, round, m_runs);
        probe.push_back(probeFinishedMs(user, videos));
        curlOne.push_back(curlMs({"--config", config.string()}, addresses.size()));
        if (!onceEach)
            continue;
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < addresses.size(); ++i)
            curlMs({"-o", (bodies / std::to_string(i)).string(), addresses[i]}, 1);
        curlEach.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return {median(probe), median(curlOne), onceEach ? median(curlEach) : std::nan("")};
}

// The probe and the window listing the same user from the same site.
Bench::WindowListing Bench::windowListing(const std::string &user, std::size_t videos)
{
    std::vector<double> probe, window, windowPeak;
    for (int round = 0; round < m_runs; ++round) {
        progress("window listing " + user, round, m_runs);
        probe.push_back(probeFinishedMs(user, videos));
        const ProcessRun run = mustRun({kCase, "window-list", m_host, user});
        if (jsonNumber(run.output, "entries") != static_cast<double>(videos))
            throw std::runtime_error("the window did not list " + user);
        window.push_back(jsonNumber(run.output, "ms"));
        windowPeak.push_back(static_cast<double>(run.peakKb));
    }
    return {median(probe), median(window), median(windowPeak)};
}

void Bench::listingRows(const std::string &label, const Listing &listing)
{
    m_table.addTarget("Listing " + label + ": probe vs curl, one process and connection",
                      formatMs(listing.probeMs), formatMs(listing.curlOneMs),
                      listing.probeMs / listing.curlOneMs, 1.10);
    m_table.addReported("Listing " + label + ": probe vs curl started once per address",
                        formatMs(listing.probeMs), formatMs(listing.curlEachMs),
                        listing.probeMs / listing.curlEachMs);
}

// The bench site against the demo site, which compresses every page it
// sends, as curl sees them; and the probe against curl on the bench site.
void Bench::fastSiteRows(const Listing &demo, const Listing &fast)
{
    const double fastPerFetch = fast.curlOneMs * 1000 / 1001;
    const double demoPerFetch = demo.curlOneMs * 1000 / 1001;
    m_table.addReported("Bench site: curl's time per fetch, 10,000 videos (1,001 fetches), one "
                        "process and connection, bodies discarded, vs the demo site to files",
                        formatMicros(fastPerFetch), formatMicros(demoPerFetch),
                        fastPerFetch / demoPerFetch);
    m_table.addReported("Listing 10,000 videos (1,001 fetches) from the bench site: probe vs curl, "
                        "one process and connection",
                        formatMs(fast.probeMs), formatMs(fast.curlOneMs),
                        fast.probeMs / fast.curlOneMs);
}

void Bench::windowRows()
{
    // First: a child started after this process once held more (the probe's
    // 200,000 lines of output) reports that as its own peak, as Linux counts
    // the peak of the process image it replaced.
    std::vector<double> idlePeak;
    const fs::path empty = m_scratch / "idle";
    fs::create_directories(empty);
    for (int round = 0; round < m_runs; ++round) {
        progress("idle window", round, m_runs);
        idlePeak.push_back(static_cast<double>(mustRun({kCase, "window-start", empty}).peakKb));
    }
    const double idle = median(idlePeak);
    const WindowListing small = windowListing("bench10000", 10000);
    const WindowListing cap = windowListing("bench200000", 200000);
    m_table.addTarget("Window (offscreen) listing 10,000 videos from the bench site vs probe",
                      formatMs(small.windowMs), formatMs(small.probeMs),
                      small.windowMs / small.probeMs, 1.5);
    m_table.addTarget("Window (offscreen) listing 200,000 videos from the bench site vs probe",
                      formatMs(cap.windowMs), formatMs(cap.probeMs), cap.windowMs / cap.probeMs,
                      1.5);
    // A cost per row that grows with the rows would show as 20x.
    const double capPerVideo = cap.windowMs * 1000 / 200000;
    const double smallPerVideo = small.windowMs * 1000 / 10000;
    m_table.addTarget("Window listing, time per video, 200,000 vs 10,000 videos",
                      formatMicros(capPerVideo), formatMicros(smallPerVideo),
                      capPerVideo / smallPerVideo, 1.2);

    m_table.addTarget("Peak memory: window after listing 10,000 videos vs idle after start",
                      formatMiB(small.windowPeakKb), formatMiB(idle), small.windowPeakKb / idle,
                      1.5);
    const double bytesPerVideo = (cap.windowPeakKb - idle) * 1024 / 200000;
    char perVideo[32];
    std::snprintf(perVideo, sizeof perVideo, "%.0f B", bytesPerVideo);
    m_table.addTarget("Peak memory: window after listing 200,000 videos, above idle, per video",
                      perVideo, "1024 B", bytesPerVideo / 1024, 1.0);
}

void Bench::capGapRows()
{
    std::vector<double> list, scroll, click;
    for (int round = 0; round < m_runs; ++round) {
        progress("window gaps at 200,000 videos", round, m_runs);
        const ProcessRun run = mustRun({kCase, "window-cap-gap", m_host, "bench200000", "200000"});
        list.push_back(jsonNumber(run.output, "listGapMs"));
        scroll.push_back(jsonNumber(run.output, "scrollGapMs"));
        click.push_back(jsonNumber(run.output, "clickGapMs"));
    }
    const std::string bound = formatMs(kLongestFrameGapMs);
    const struct
    {
        const char *label;
        double ms;
    } gaps[] = {
        {"last 1,000 pages of a listing of 200,000 videos", median(list)},
        {"scrolling the tree of 200,000 videos (keys, wheel, scroll bar)", median(scroll)},
        {"node click on the last of 200,000 videos", median(click)},
    };
    for (const auto &gap : gaps) {
        m_table.addTarget(std::string("Longest gap in the window's event loop, ") + gap.label,
                          formatMs(gap.ms), bound, gap.ms / kLongestFrameGapMs, 1.0);
    }
}

void Bench::startRows()
{
    const fs::path empty = m_scratch / "start-empty";
    const fs::path full = m_scratch / "start-full";
    fs::create_directories(empty);
    fs::create_directories(full);
    {
        std::ofstream out(full / "users.vidfolio", std::ios::binary);
        for (int i = 0; i < 100000; ++i)
            out << "Channel" << i << "\r\n";
    }
    std::vector<double> emptyMs, fullMs;
    for (int round = 0; round < m_runs; ++round) {
        progress("start", round, m_runs);
        emptyMs.push_back(mustRun({kCase, "window-start", empty}).firstLineMs);
        fullMs.push_back(mustRun({kCase, "window-start", full}).firstLineMs);
    }
    const double emptyMedian = median(emptyMs), fullMedian = median(fullMs);
    m_table.addReported("Start to window shown (offscreen), empty history", formatMs(emptyMedian),
                        "", std::nan(""));
    m_table.addReported("Start to window shown (offscreen), 100,000 names vs empty history",
                        formatMs(fullMedian), formatMs(emptyMedian), fullMedian / emptyMedian);
}

void Bench::historyRows()
{
    struct History
    {
        double load, save, streamLoad, streamSave;
    };
    const auto measure = [this](int names) {
        std::vector<double> load, save, streamLoad, streamSave;
        for (int round = 0; round < m_runs; ++round) {
            progress("history of " + std::to_string(names) + " names", round, m_runs);
            const ProcessRun run = mustRun({kCase, "history", std::to_string(names)});
            load.push_back(jsonNumber(run.output, "loadMs"));
            save.push_back(jsonNumber(run.output, "saveMs"));
            streamLoad.push_back(jsonNumber(run.output, "streamLoadMs"));
            streamSave.push_back(jsonNumber(run.output, "streamSaveMs"));
        }
        return History{median(load), median(save), median(streamLoad), median(streamSave)};
    };
    const History small = measure(100000);
    const History large = measure(1000000);

    m_table.addTarget("History load, 100,000 names, window's user-name box vs C++ streams",
                      formatMs(small.load), formatMs(small.streamLoad),
                      small.load / small.streamLoad, 2.0);
    m_table.addTarget("History save, 100,000 names, window's user-name box vs C++ streams",
                      formatMs(small.save), formatMs(small.streamSave),
                      small.save / small.streamSave, 3.0);
    // Time per name at ten times the size: a quadratic cost would show as 10x.
    const auto perName = [](double ms, int names) { return ms * 1000 / names; };
    const double largeLoad = perName(large.load, 1000000), smallLoad = perName(small.load, 100000);
    const double largeSave = perName(large.save, 1000000), smallSave = perName(small.save, 100000);
    m_table.addTarget("History load, time per name, 1,000,000 vs 100,000 names",
                      formatMicros(largeLoad), formatMicros(smallLoad), largeLoad / smallLoad, 1.5);
    m_table.addTarget("History save, time per name, 1,000,000 vs 100,000 names",
                      formatMicros(largeSave), formatMicros(smallSave), largeSave / smallSave, 1.5);

    // The save a listing makes as it remembers the name, before its first
    // request: a bound of its own.
    std::vector<double> rememberSave, listingStart;
    for (int round = 0; round < m_runs; ++round) {
        progress("save at the start of a listing", round, m_runs);
        const ProcessRun run = mustRun({kCase, "remember-save", "100000"});
        rememberSave.push_back(jsonNumber(run.output, "saveMs"));
        listingStart.push_back(jsonNumber(run.output, "startMs"));
    }
    constexpr double kRememberSaveBoundMs = 10;
    m_table.addTarget("History save as a listing remembers the name, 100,000 names",
                      formatMs(median(rememberSave)), formatMs(kRememberSaveBoundMs),
                      median(rememberSave) / kRememberSaveBoundMs, 1.0);
    m_table.addReported("Listing start to its first request, 100,000 names in the history",
                        formatMs(median(listingStart)), "", std::nan(""));
}

void Bench::pageRows()
{
    const auto perPiece = [this](int pieces) {
        std::vector<double> micros;
        for (int round = 0; round < m_runs; ++round) {
            progress("page of " + std::to_string(pieces) + " pieces", round, m_runs);
            const ProcessRun run = mustRun({kCase, "page", std::to_string(pieces)});
            micros.push_back(jsonNumber(run.output, "ms") * 1000 / pieces);
        }
        return median(micros);
    };
    const double small = perPiece(10000);
    const double large = perPiece(100000);
    m_table.addTarget("Listing one page, time per piece, 100,000 vs 10,000 pieces",
                      formatMicros(large), formatMicros(small), large / small, 1.5);
}

void Bench::run()
{
    m_host = startSite(kSite, m_site);
    std::fprintf(stderr, "Demo site at http://%s\n", m_host.c_str());
    listingRows("100 videos (11 fetches) from the demo site",
                listing("bench100", 100, Curl::FilesAndOnceEach));
    const Listing demo = listing("bench10000", 10000, Curl::FilesAndOnceEach);
    listingRows("10,000 videos (1,001 fetches) from the demo site", demo);
    m_site->stop();

    m_host = startSite(kFastSite, m_fastSite);
    std::fprintf(stderr, "Bench site at http://%s\n", m_host.c_str());
    fastSiteRows(demo, listing("bench10000", 10000, Curl::DiscardedBodies));
    windowRows();
    capGapRows();
    m_fastSite->stop();
    historyRows();
    startRows();
    pageRows();
    livenessRows(m_table, kCase, m_runs);
    desktopRows(m_table, kDesktopTests, m_runs);
}

std::string machine()
{
    std::string model = "unknown processor";
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    }
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    double memoryKb = 0;
    meminfo >> key >> memoryKb;
    char text[256];
    std::snprintf(text, sizeof text, "%s, %u cores, %.0f GiB memory, load average %s at start",
                  model.c_str(), std::thread::hardware_concurrency(), memoryKb / 1024 / 1024,
                  readFirstLine("/proc/loadavg").substr(0, 4).c_str());
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    int runs = 5;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0 && std::atoi(argv[2]) > 0) {
        runs = std::atoi(argv[2]);
    } else if (argc != 1) {
        std::fputs("usage: vidfolio-bench [--runs N]\n", stderr);
        return 2;
    }
    char pattern[] = "/tmp/vidfolio-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("vidfolio-bench");
        return 1;
    }
    const fs::path scratch(pattern);
    const std::string where = machine();
    Bench bench(runs, scratch);
    try {
        bench.run();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "vidfolio-bench: %s\n", error.what());
        fs::remove_all(scratch);
        return 1;
    }
    fs::remove_all(scratch);
    std::cout << "Machine: " << where << "; median of " << runs << " runs.\n\n"
              << bench.table().markdown();
    return bench.table().allTargetsMet() ? 0 : 1;
}
