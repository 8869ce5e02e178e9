#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

namespace vidfolio {

class RunLoop;

// An exclusive flock(2) on the file at a path, for files that several
// processes use in turns: while one holds the turn, the others wait. The lock
// binds only those who take it; it stops no one from reading or writing.
//
// A holder may delete the file before it lets go. A waiter that then gets
// the lock of the deleted file notices that the path names another file (or
// none) and waits for the lock of the file at the path instead.
//
// Only a regular file of the path's own is ever opened: a link at the path,
// symbolic to a file, a folder or nothing, or a hard one to a file elsewhere,
// is deleted (the link, never its target) and a new file made in its place.
class FileTurn
{
public:
    enum class Status
    {
        Held,       // the lock is ours until the turn is destroyed
        Busy,       // another holder kept it for the whole wait
        Stopped,    // the wait was stopped (RunLoop::stop)
        CannotOpen, // no regular file could be opened or made at the path
    };

    // Opens the file at `path` for reading and writing, creating it empty
    // when missing, and locks it, waiting at most `wait` for other holders.
    // The wait runs `loop`, and ends at once when the loop is stopped.
    static FileTurn take(const QString &path, std::chrono::milliseconds wait, RunLoop &loop);
    // Locks the folder at `path` itself, for changes to the files in it that
    // must not interleave with those of other holders, such as reading a
    // file and renaming a new one over it.
    static FileTurn takeFolder(const QString &path, std::chrono::milliseconds wait, RunLoop &loop);

    FileTurn(FileTurn &&other) noexcept;
    FileTurn &operator=(FileTurn &&other) noexcept;
    FileTurn(const FileTurn &) = delete;
    FileTurn &operator=(const FileTurn &) = delete;
    // Lets go of the lock.
    ~FileTurn();

    Status status() const { return m_status; }
    // The open file while the turn is held, otherwise -1. Reading and writing
    // through it reach the file locked, whatever the path names meanwhile.
    int fd() const { return m_fd; }

    // Deletes the file while the path still names it.
    void removeFile();
    // Has the file deleted (as removeFile does) should the process exit while
    // this turn holds it: a toolkit that ends the program with exit() when its
    // display goes away leaves no file behind. Only exit() and a return from
    // main do this; a crash or a kill cannot. One turn at a time: marking
    // another one takes the mark from this one.
    void removeFileAtExit();
    // Deletes the files of the turns so marked now, for a process about to
    // end past its exit handlers (_exit). Safe from any thread.
    static void removeFilesMarkedForExit();

private:
    FileTurn(Status status, int fd, QByteArray path = {})
        : m_status(status), m_fd(fd), m_path(std::move(path))
    {
    }

    // Lets go of the lock, and of the removal at exit.
    void close();

    Status m_status = Status::CannotOpen;
    int m_fd = -1;
    QByteArray m_path;
};

} // namespace vidfolio
