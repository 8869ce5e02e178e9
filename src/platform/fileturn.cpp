#include "platform/fileturn.h"

#include "platform/runloop.h"

#include <QFile>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidfolio {
namespace {

// The turn whose file goes should the process exit while it holds it, by
// its descriptor and path: one at a time, as a page fetch holds one turn at
// a time. Made once and never destroyed, so that it outlives every other
// static object, whose destructors may run before the handler. Its mutex
// guards it: the removal may come from another thread, one that is about to
// end the process.
struct ExitRemoval
{
    std::mutex mutex;
    int fd = -1;
    QByteArray path;
};

ExitRemoval &exitRemoval()
{
    static auto *removal = new ExitRemoval;
    return *removal;
}

void removeFilesAtExit()
{
    FileTurn::removeFilesMarkedForExit();
}

using Clock = std::chrono::steady_clock;

// A blocking flock, left to a thread of its own so that the wait can end at a
// deadline or when it is stopped: flock has no timeout, and a blocked call
// ends only when the lock comes free. Blocking rather than polling matters
// for turns: the kernel wakes a waiter as soon as the holder lets go, while
// a poller would mostly miss the short gap before the holder's next fetch
// locks again. The thread tells the waiting event loop through a socket.
// Done: locked; TimedOut also when the lock could not be taken at all.
WaitEnd waitForLock(int fd, Clock::time_point deadline, RunLoop &loop)
{
    // The thread locks through a duplicate of `fd`: the lock belongs to the
    // open file both share, and the duplicate stays valid however long the
    // thread outlives a wait given up.
    const int duplicate = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (duplicate < 0)
        return WaitEnd::TimedOut;
    int wake[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wake) != 0) {
        ::close(duplicate);
        return WaitEnd::TimedOut;
    }
    std::thread([duplicate, wakeUp = wake[1]] {
        int result;
        do {
            result = ::flock(duplicate, LOCK_EX);
        } while (result != 0 && errno == EINTR);
        // The lock stays with the waiter's descriptor. A waiter that gave up
        // closes that one too, and a lock that came too late goes with it.
        ::close(duplicate);
        // The byte says whether the lock was taken. A waiter that gave up has
        // closed its end: no SIGPIPE for that.
        const char locked = result == 0 ? 1 : 0;
        [[maybe_unused]] const ssize_t sent = ::send(wakeUp, &locked, 1, MSG_NOSIGNAL);
        ::close(wakeUp);
    }).detach();

    Wait wait(loop);
    WaitEnd end;
    char locked = 0;
    {
        QSocketNotifier woken(wake[0], QSocketNotifier::Read);
        QObject::connect(&woken, &QSocketNotifier::activated, [&] {
            [[maybe_unused]] const ssize_t read = ::recv(wake[0], &locked, 1, MSG_DONTWAIT);
            wait.finish();
        });
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        end = wait.run(std::max(left, std::chrono::milliseconds(0)));
    }
    ::close(wake[0]);
    return end == WaitEnd::Done && locked != 1 ? WaitEnd::TimedOut : end;
}

// True when `fd` is open on the file that `path` names now; a link at the
// path names no file here.
bool isFileAtPath(int fd, const QByteArray &path)
{
    struct stat open
    {
    };
    struct stat named
    {
    };
    return ::fstat(fd, &open) == 0 && ::lstat(path.constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// Links removed in one take before giving up: someone keeps making them.
constexpr int kMaxLinksRemoved = 8;

enum class Opened
{
    File,        // `fd` is open on a regular file of the path's own
    LinkRemoved, // a link stood at the path and is gone: try again
    Failed,
};

// Opens the regular file at `path`, or makes it, without following a link.
Opened openOwnFile(const QByteArray &path, int &fd)
{
    // Without blocking, so that a pipe at the path cannot stall the fetch.
    fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                0666);
    struct stat info
    {
    };
    if (fd < 0) {
        // ELOOP: the path is a symbolic link, to whatever or nothing.
        if (errno != ELOOP || ::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return Opened::Failed;
        return ::unlink(path.constData()) == 0 || errno == ENOENT ? Opened::LinkRemoved
                                                                  : Opened::Failed;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        fd = -1;
        return Opened::Failed;
    }
    if (info.st_nlink > 1) {
        // A hard link shares its content with a file elsewhere: writing the
        // scratch file would overwrite that file.
        ::close(fd);
        fd = -1;
        return ::unlink(path.constData()) == 0 || errno == ENOENT ? Opened::LinkRemoved
                                                                  : Opened::Failed;
    }
    return Opened::File;
}

} // namespace

FileTurn FileTurn::take(const QString &path, std::chrono::milliseconds wait, RunLoop &loop)
{
    const QByteArray name = QFile::encodeName(path);
    const Clock::time_point deadline = Clock::now() + wait;
    int linksRemoved = 0;
    for (;;) {
        int fd = -1;
        const Opened opened = openOwnFile(name, fd);
        if (opened == Opened::LinkRemoved && ++linksRemoved <= kMaxLinksRemoved)
            continue;
        if (opened != Opened::File)
            return {Status::CannotOpen, -1};
        bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (!locked && errno != EWOULDBLOCK) {
            ::close(fd);
            return {Status::CannotOpen, -1};
        }
        if (!locked) {
            const WaitEnd waited = waitForLock(fd, deadline, loop);
            if (waited == WaitEnd::Stopped) {
                ::close(fd);
                return {Status::Stopped, -1};
            }
            locked = waited == WaitEnd::Done;
        }
        if (locked && isFileAtPath(fd, name))
            return {Status::Held, fd, name};
        // Either the wait ran out, or the file locked is no longer the one
        // at the path: its holder deleted it before letting go.
        ::close(fd);
        if (!locked || Clock::now() >= deadline)
            return {Status::Busy, -1};
    }
}

FileTurn FileTurn::takeFolder(const QString &path, std::chrono::milliseconds wait, RunLoop &loop)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {Status::CannotOpen, -1};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return {Status::Held, fd};
    const WaitEnd waited =
        errno == EWOULDBLOCK ? waitForLock(fd, Clock::now() + wait, loop) : WaitEnd::TimedOut;
    if (waited == WaitEnd::Done)
        return {Status::Held, fd};
    ::close(fd);
    return {waited == WaitEnd::Stopped ? Status::Stopped : Status::Busy, -1};
}

void FileTurn::removeFile()
{
    if (m_fd >= 0 && isFileAtPath(m_fd, m_path))
        ::unlink(m_path.constData());
}

void FileTurn::removeFileAtExit()
{
    static const bool registered = std::atexit(removeFilesAtExit) == 0;
    if (!registered || m_fd < 0)
        return;
    ExitRemoval &removal = exitRemoval();
    const std::lock_guard lock(removal.mutex);
    removal.fd = m_fd;
    removal.path = m_path;
}

void FileTurn::removeFilesMarkedForExit()
{
    // Never blocks: a thread that ends the process must not wait on one that
    // is changing the mark, which then goes on and lets go of its turn.
    ExitRemoval &removal = exitRemoval();
    std::unique_lock lock(removal.mutex, std::try_to_lock);
    if (lock.owns_lock() && removal.fd >= 0 && isFileAtPath(removal.fd, removal.path))
        ::unlink(removal.path.constData());
}

void FileTurn::close()
{
    if (m_fd < 0)
        return;
    {
        ExitRemoval &removal = exitRemoval();
        const std::lock_guard lock(removal.mutex);
        if (removal.fd == m_fd)
            removal.fd = -1;
    }
    // Closing the last descriptor of the open file releases the lock.
    ::close(std::exchange(m_fd, -1));
}

FileTurn::FileTurn(FileTurn &&other) noexcept
    : m_status(other.m_status), m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path))
{
}

FileTurn &FileTurn::operator=(FileTurn &&other) noexcept
{
    if (this != &other) {
        close();
        m_status = other.m_status;
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

FileTurn::~FileTurn()
{
    close();
}

} // namespace vidfolio
