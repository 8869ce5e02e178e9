#pragma once

#include <string>
#include <vector>

namespace vidfolio::bench {

// What one finished process cost.
struct ProcessRun
{
    int exitCode = -1;
    double wallMs = 0;      // from start to exit
    double firstLineMs = 0; // from start to its first line of output
    double markMs = -1;     // from start to the first line holding the mark; -1: none
    double cpuMs = 0;       // user and system time
    long peakKb = 0;        // peak resident memory
    std::string output;     // standard output; standard error is dropped
};

// Runs `args` (args[0] found on PATH) to its end, noting when a line of
// output holding `mark` arrives, if one is given.
ProcessRun runProcess(const std::vector<std::string> &args, const std::string &mark = {});

// A process left running in the background until stop() or destruction.
class BackgroundProcess
{
public:
    explicit BackgroundProcess(const std::vector<std::string> &args);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess &) = delete;
    BackgroundProcess &operator=(const BackgroundProcess &) = delete;

    void stop();

private:
    int m_pid = -1;
};

} // namespace vidfolio::bench
