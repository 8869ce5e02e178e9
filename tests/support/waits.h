#pragma once

// What the tests wait for: a condition another process or thread brings
// about, another process's wait for a lock, and a request reaching the site
// while the code under test waits for its answer.

#include "siteserver.h"

#include <QTimer>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace vidfolio::test {

// Polls `condition` every few milliseconds until it holds or `limit` has
// passed, while this thread has nothing else to do.
inline bool waitFor(const std::function<bool()> &condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Whether the process `pid` (any process when 0) waits for the flock of the
// file or folder at `path`, as the kernel's table of locks lists it: "->"
// marks a lock asked for and blocked, and the file is named by its device
// (major and minor in hex) and inode.
inline bool flockWaitedFor(const std::string &path, pid_t pid = 0)
{
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    char file[64];
    std::snprintf(file, sizeof file, "%02x:%02x:%llu", major(info.st_dev), minor(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        // "7: -> FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"
        std::istringstream words(line);
        std::string number, arrow, kind, advisory, mode, owner, where;
        words >> number >> arrow >> kind >> advisory >> mode >> owner >> where;
        if (arrow == "->" && kind == "FLOCK" && where == file &&
            (pid == 0 || owner == std::to_string(pid)))
            return true;
    }
    return false;
}

// Runs `action` once, in a turn of the event loop, as soon as the site has
// seen `count` requests for `target`: a look at the window or the files
// while the code under test waits for that answer. Polls while the timer
// returned lives.
inline std::unique_ptr<QTimer> onRequest(const site::SiteServer &server, std::string target,
                                         std::size_t count, std::function<void()> action)
{
    auto poll = std::make_unique<QTimer>();
    QObject::connect(poll.get(), &QTimer::timeout,
                     [poll = poll.get(), &server, target = std::move(target), count,
                      action = std::move(action)] {
                         if (server.requestsFor(target) < count)
                             return;
                         poll->stop();
                         action();
                     });
    poll->start(2);
    return poll;
}

} // namespace vidfolio::test
