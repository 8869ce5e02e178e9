#include "xsession.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

extern char **environ;

namespace vidfolio::desktop {

using namespace std::chrono_literals;

Child::Child(const std::vector<std::string> &argv, const Environment &extra, const std::string &log,
             int keep)
{
    std::vector<std::string> env;
    for (char **entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (!extra.contains(text.substr(0, text.find('='))))
            env.push_back(text);
    }
    for (const auto &[name, value] : extra)
        env.push_back(name + "=" + value);
    std::vector<char *> args, envp;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    for (const std::string &entry : env)
        envp.push_back(const_cast<char *>(entry.c_str()));
    envp.push_back(nullptr);
    const int out =
        log.empty() ? -1 : ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);

    // Between fork and exec only async-signal-safe calls: the site's threads
    // may hold locks the child would never see released.
    m_pid = ::fork();
    if (m_pid == 0) {
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        if (keep >= 0) {
            if (keep == kKeptFd)
                ::fcntl(keep, F_SETFD, 0);
            else
                ::dup2(keep, kKeptFd);
            ::close_range(3, kKeptFd - 1, 0);
            ::close_range(kKeptFd + 1, ~0U, 0);
        } else {
            ::close_range(3, ~0U, 0);
        }
        ::execvpe(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    if (out >= 0)
        ::close(out);
}

Child::Child(Child &&other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)), m_status(std::exchange(other.m_status, {}))
{
}

Child &Child::operator=(Child &&other) noexcept
{
    std::swap(m_pid, other.m_pid);
    std::swap(m_status, other.m_status);
    return *this;
}

bool Child::running()
{
    int status = 0;
    if (m_pid > 0 && !m_status && ::waitpid(m_pid, &status, WNOHANG) == m_pid)
        m_status = status;
    return m_pid > 0 && !m_status;
}

std::optional<int> Child::waitForExit(Clock::duration limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    while (running() && Clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
    return m_status;
}

void Child::signal(int number)
{
    if (running())
        ::kill(m_pid, number);
}

void Child::stop()
{
    signal(SIGTERM);
    waitForExit(2s);
    kill();
}

void Child::kill()
{
    if (running()) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_status = status;
    }
}

std::string describe(std::optional<int> status)
{
    if (!status)
        return "still running";
    if (WIFEXITED(*status))
        return "exit " + std::to_string(WEXITSTATUS(*status));
    return std::string("killed by ") + ::strsignal(WTERMSIG(*status));
}

std::string output(const std::vector<std::string> &argv, const Environment &extra, int *status)
{
    char name[] = "/tmp/vidfolio-desktop-out-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd >= 0)
        ::close(fd);
    Child child(argv, extra, name);
    const std::optional<int> ended = child.waitForExit(10s);
    if (status)
        *status = ended && WIFEXITED(*ended) ? WEXITSTATUS(*ended) : -1;
    std::string text = fileText(name);
    ::unlink(name);
    return text;
}

std::string fileText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

Desktop::Desktop(const std::string &log)
{
    // Xvfb writes the number of the display it found free to the pipe once
    // it takes connections.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return;
    m_server = Child({"Xvfb", "-displayfd", std::to_string(Child::kKeptFd), "-nolisten", "tcp",
                      "-screen", "0", "800x600x24", "-dpi", "96"},
                     {}, log, fds[1]);
    ::close(fds[1]);
    std::string number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    if (number.empty())
        return;
    m_display = ":" + number;
    // wmctrl -m succeeds once a window manager has announced itself. A
    // window manager that found no display yet is started again.
    int status = -1;
    const bool announced = waitFor(
        [&] {
            if (!m_manager.running())
                m_manager = Child({"openbox", "--sm-disable"}, env(), log);
            x({"wmctrl", "-m"}, &status);
            return status == 0;
        },
        20s);
    // openbox announces itself before its start is over, and a window mapped
    // meanwhile may never be managed (about one start in ten): it is ready
    // once a window of ours has been managed. A probe it missed is made again.
    for (int probe = 0; announced && probe < 5 && !m_ready; ++probe) {
        Child window({"xmessage", "-title", "vidfolio-desktop-probe", "probe"}, env(), log);
        m_ready = waitFor(
            [&] {
                return x({"wmctrl", "-l"}).find(" vidfolio-desktop-probe\n") != std::string::npos;
            },
            2s);
    }
}

Desktop::~Desktop()
{
    m_manager.stop();
    m_server.stop();
}

} // namespace vidfolio::desktop
