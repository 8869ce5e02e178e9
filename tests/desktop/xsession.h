#pragma once

// What the desktop suite runs beside the program: child processes, commands
// whose output it reads, and a virtual X server with a window manager.
#include "support/waits.h"

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vidfolio::desktop {

using Clock = std::chrono::steady_clock;
using test::waitFor;
using Environment = std::map<std::string, std::string>;

// A child process started with the test's environment plus `extra`, with
// none of the test's open files (the site's sockets, a lock taken on the
// scratch file) but `keep`, which it finds at kKeptFd; its output goes to
// `log` when given. Destroyed while running, it is killed.
class Child
{
public:
    // The descriptor a kept file has in the child.
    static constexpr int kKeptFd = 9;

    Child() = default;
    Child(const std::vector<std::string> &argv, const Environment &extra,
          const std::string &log = {}, int keep = -1);
    Child(Child &&other) noexcept;
    Child &operator=(Child &&other) noexcept;
    ~Child() { kill(); }

    pid_t pid() const { return m_pid; }
    bool running();
    // The wait status once the process has ended within `limit`.
    std::optional<int> waitForExit(Clock::duration limit);
    void signal(int number);
    // Asks the process to end (SIGTERM), and kills it when it does not.
    void stop();
    void kill();

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// "exit N", "killed by SIGNAL" or "still running".
std::string describe(std::optional<int> status);

// Runs a command to its end (at most 10 s) and returns what it printed;
// `status` gets its exit status, -1 when it did not exit.
std::string output(const std::vector<std::string> &argv, const Environment &extra,
                   int *status = nullptr);

// The whole content of a file; empty when it cannot be read.
std::string fileText(const std::string &path);

long long msSince(Clock::time_point start);

// Xvfb on a display of its own choosing and openbox managing it, both
// writing to `log`.
class Desktop
{
public:
    explicit Desktop(const std::string &log);
    // Ended in order, so that the server removes its socket and lock file.
    ~Desktop();
    Desktop(const Desktop &) = delete;
    Desktop &operator=(const Desktop &) = delete;

    bool ready() const { return m_ready; }
    // DISPLAY for the programs that talk to this server.
    Environment env() const { return {{"DISPLAY", m_display}}; }
    // Runs an X client (xdotool, wmctrl, xwd) on this display.
    std::string x(const std::vector<std::string> &argv, int *status = nullptr) const
    {
        return output(argv, env(), status);
    }
    bool managerRunning() { return m_manager.running(); }
    // Ends the X server at once, as a crash of it would.
    void killServer() { m_server.kill(); }

private:
    Child m_server;
    Child m_manager;
    std::string m_display;
    bool m_ready = false;
};

} // namespace vidfolio::desktop
