#pragma once

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace vidfolio::test {

// Whether the process `pid` (any process when 0) waits for the flock of the
// file or folder at `path`, as the kernel's table of locks, /proc/locks,
// lists it: "->" marks a lock asked for and blocked, and the file is named
// by its device (major and minor in hex) and inode.
inline bool flockWaitedFor(const std::string &path, pid_t pid = 0)
{
    struct stat info
    {
    };
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

} // namespace vidfolio::test
