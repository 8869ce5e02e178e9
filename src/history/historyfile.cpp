#include "history/historyfile.h"

#include "history/historybytes.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidfolio {
namespace {

// Closes a descriptor when it goes out of scope.
struct Descriptor
{
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Opens the file at `path` for reading, without blocking, so that a pipe at
// the path cannot stall the start.
Descriptor openHistory(const QString &path)
{
    return {
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
}

} // namespace

HistoryRead readHistory(const QString &path, QByteArray &bytes)
{
    const Descriptor file = openHistory(path);
    if (file.fd < 0)
        return errno == ENOENT ? HistoryRead::Missing : HistoryRead::Unreadable;
    struct stat info
    {
    };
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxHistoryBytes)
        return HistoryRead::Unreadable;

    // One byte more than the size, so that the end shows without growing;
    // a file that grows meanwhile is read on up to the limit.
    bytes.resize(static_cast<qsizetype>(info.st_size) + 1);
    qsizetype used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > kMaxHistoryBytes)
                return HistoryRead::Unreadable;
            bytes.resize(std::min<qsizetype>(used * 2, kMaxHistoryBytes + 1));
        }
        const ssize_t count = ::read(file.fd, bytes.data() + used, bytes.size() - used);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return HistoryRead::Unreadable;
        if (count == 0)
            break;
        used += count;
    }
    bytes.truncate(used);
    return HistoryRead::Loaded;
}

HistoryComparison::HistoryComparison(const QString &path)
{
    Descriptor file = openHistory(path);
    struct stat info
    {
    };
    if (file.fd >= 0 && ::fstat(file.fd, &info) == 0 && S_ISREG(info.st_mode))
        std::swap(m_fd, file.fd);
}

HistoryComparison::~HistoryComparison()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool HistoryComparison::continuesWith(QByteArrayView bytes)
{
    if (m_block.size() < bytes.size())
        m_block.resize(bytes.size());
    qsizetype compared = 0;
    while (compared < bytes.size()) {
        const ssize_t count = ::read(m_fd, m_block.data(), bytes.size() - compared);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0 || std::memcmp(m_block.constData(), bytes.data() + compared, count) != 0)
            return false;
        compared += count;
    }
    return true;
}

bool HistoryComparison::ended()
{
    char next = 0;
    for (;;) {
        const ssize_t count = ::read(m_fd, &next, 1);
        if (count >= 0 || errno != EINTR)
            return count == 0;
    }
}

QStringList decodeHistoryLines(QByteArrayView bytes)
{
    // Each line decoded on its own, and nothing in between the bytes and the
    // names (no text of the whole file): this keeps a load of 100,000 names
    // under twice the time plain C++ streams take to read them.
    QStringList lines;
    forEachHistoryLine(bytes, [&](QByteArrayView line, bool ascii) {
        lines.append(decodeHistoryLine(line, ascii));
        return true;
    });
    return lines;
}

HistoryRead LoadUsers(UserHistoryList &box, const QString &path)
{
    QByteArray bytes;
    const HistoryRead read = readHistory(path, bytes);
    if (read != HistoryRead::Loaded)
        return read;

    box.appendUsers(decodeHistoryLines(bytes));
    box.refreshUsers();
    if (box.userCount() > 0)
        box.selectUser(0);
    return read;
}

} // namespace vidfolio
