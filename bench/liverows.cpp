#include "liverows.h"

#include "process.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace vidfolio::bench {
namespace {

// A window whose event loop pauses longer than a frame at 60 Hz drops
// frames; much longer, and it leaves the pixels of a window dragged over it
// and misses the window manager's pings.
constexpr double kLongestGapMs = 17;
// A closed window's program must be gone by then.
constexpr double kLongestCloseMs = 1000;

double medianOf(const std::string &casePath, const std::vector<std::string> &args,
                const std::string &figure, int runs)
{
    std::vector<double> values;
    for (int round = 0; round < runs; ++round) {
        std::fprintf(stderr, "  %s: run %d of %d\n", args.back().c_str(), round + 1, runs);
        std::vector<std::string> command{casePath};
        command.insert(command.end(), args.begin(), args.end());
        const ProcessRun run = runProcess(command);
        if (run.exitCode != 0)
            throw std::runtime_error(casePath + " " + args.back() + " failed");
        values.push_back(jsonNumber(run.output, figure));
    }
    return median(values);
}

} // namespace

void livenessRows(Table &table, const std::string &casePath, int runs)
{
    const std::string bound = formatMs(kLongestGapMs);
    const struct
    {
        const char *name;
        const char *label;
    } gaps[] = {
        {"list", "listing 100 videos, each page answered after 500 ms"},
        {"pictures", "node click, each thumbnail answered after 1 s"},
        {"stall", "first page stalled until its time-out (2 s)"},
        {"turn", "listing while another copy holds the scratch file for 1 s"},
        {"lookup", "Watch direct, the watch page answered after 1 s"},
    };
    for (const auto &gap : gaps) {
        const double ms = medianOf(casePath, {"window-gap", gap.name}, "gapMs", runs);
        table.addTarget(std::string("Longest gap in the window's event loop, ") + gap.label,
                        formatMs(ms), bound, ms / kLongestGapMs, 1.0);
    }
    const double closeMs = medianOf(casePath, {"close-exit"}, "closeMs", runs);
    table.addTarget("Close during that listing to the end of the program", formatMs(closeMs),
                    formatMs(kLongestCloseMs), closeMs / kLongestCloseMs, 1.0);
}

void desktopRows(Table &table, const std::string &desktopTests, int runs)
{
    // The figure a case prints, "[desktop] CASE: ... N ms after ...", also
    // when the case's own bound failed it.
    const auto figure = [&](const std::string &name) {
        std::vector<double> values;
        for (int round = 0; round < runs; ++round) {
            std::fprintf(stderr, "  desktop %s: run %d of %d\n", name.c_str(), round + 1, runs);
            const ProcessRun run = runProcess({desktopTests, "--gtest_filter=*/" + name});
            const std::vector<std::string> lines = linesWith(run.output, "[desktop] " + name + ":");
            const std::size_t end = lines.empty() ? std::string::npos : lines[0].find(" ms after");
            if (end == std::string::npos)
                throw std::runtime_error("the desktop case " + name + " printed no figure");
            values.push_back(std::strtod(lines[0].c_str() + lines[0].rfind(' ', end - 1), nullptr));
        }
        return median(values);
    };
    const double close = figure("CloseDuringStalledLookup");
    table.addTarget("Real X server: close (wmctrl -c) during a stalled lookup to the end of the "
                    "program",
                    formatMs(close), formatMs(kLongestCloseMs), close / kLongestCloseMs, 1.0);
    table.addReported("Real X server: click on another entry during stalled thumbnails to its "
                      "first thumbnail asked for",
                      formatMs(figure("ClickOnAnotherEntryDuringStalledThumbnails")), "",
                      std::nan(""));
    table.addReported("Real X server: Watch normal during stalled thumbnails to the browser "
                      "started",
                      formatMs(figure("WatchNormalDuringStalledThumbnails")), "", std::nan(""));
}

} // namespace vidfolio::bench
