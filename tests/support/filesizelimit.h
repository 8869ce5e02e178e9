#pragma once

#include <csignal>

#include <sys/resource.h>

namespace vidfolio::test {

// While it lives, every write that would make a file of this process larger
// than `bytes` fails (with EFBIG), as a full disk would: unlike a read-only
// folder, this binds root too.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes) : m_oldHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit small = m_old;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    void (*m_oldHandler)(int);
    rlimit m_old{};
};

} // namespace vidfolio::test
