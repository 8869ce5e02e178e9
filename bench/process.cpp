#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

extern char **environ;

namespace vidfolio::bench {
namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double ms(const timeval &time)
{
    return static_cast<double>(time.tv_sec) * 1000.0 + static_cast<double>(time.tv_usec) / 1000.0;
}

// Starts `args` with standard output on `outFd` (or /dev/null when -1) and
// standard error on /dev/null.
int spawn(const std::vector<std::string> &args, int outFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<char *> argv;
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed)
        throw std::runtime_error("cannot start " + args.front());
    return pid;
}

} // namespace

ProcessRun runProcess(const std::vector<std::string> &args, const std::string &mark)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make a pipe");
    const Clock::time_point start = Clock::now();
    const int pid = spawn(args, pipeFds[1]);
    close(pipeFds[1]);

    ProcessRun run;
    bool sawLine = false;
    char buffer[65536];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0)
            continue; // interrupted
        run.output.append(buffer, static_cast<std::size_t>(got));
        if (!sawLine && run.output.find('\n') != std::string::npos) {
            sawLine = true;
            run.firstLineMs = msBetween(start, Clock::now());
        }
        if (!mark.empty() && run.markMs < 0) {
            // Only whole lines count: the mark's line has arrived once the
            // line end after it has.
            const std::size_t at = run.output.find(mark);
            if (at != std::string::npos && run.output.find('\n', at) != std::string::npos)
                run.markMs = msBetween(start, Clock::now());
        }
    }
    close(pipeFds[0]);

    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
    }
    run.wallMs = msBetween(start, Clock::now());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    run.peakKb = usage.ru_maxrss;
    return run;
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string> &args) : m_pid(spawn(args, -1))
{
}

BackgroundProcess::~BackgroundProcess()
{
    stop();
}

void BackgroundProcess::stop()
{
    if (m_pid < 0)
        return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

} // namespace vidfolio::bench
