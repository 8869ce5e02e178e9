#include "platform/bodysink.h"

#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidfolio {
namespace {

// A stream writing from the start of the file open on `fd`, which it owns
// from here on: closed on failure, and by closing the stream. The scratch
// file usually exists already (made empty to take the fetch's turn), and
// opening it with O_TRUNC would have ext4 flush it to disk when it is
// closed, as it does for any file rewritten in place: a fifth of a
// millisecond a page. So only a file that holds something is cut.
std::FILE *emptyStream(int fd)
{
    if (fd < 0)
        return nullptr;
    struct stat status
    {
    };
    if (::lseek(fd, 0, SEEK_SET) != 0 || ::fstat(fd, &status) != 0 ||
        (status.st_size > 0 && ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE *file = ::fdopen(fd, "wb");
    if (!file)
        ::close(fd);
    return file;
}

} // namespace

BodySink::BodySink(int fd, std::int64_t maxBytes) : m_fd(fd), m_maxBytes(maxBytes) {}

BodySink::BodySink(QByteArray &buffer, std::int64_t maxBytes)
    : m_buffer(&buffer), m_maxBytes(maxBytes)
{
}

BodySink::~BodySink()
{
    close();
}

bool BodySink::restart()
{
    m_written = 0;
    m_tooLarge = m_outOfMemory = false;
    if (m_buffer) {
        m_buffer->clear();
        return true;
    }
    close();
    m_file = emptyStream(::fcntl(m_fd, F_DUPFD_CLOEXEC, 0));
    return m_file != nullptr;
}

bool BodySink::close()
{
    if (!m_file)
        return true;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return closed;
}

bool BodySink::receive(const char *data, std::size_t size)
{
    if (m_written + static_cast<std::int64_t>(size) > m_maxBytes) {
        m_tooLarge = true;
        return false;
    }
    if (m_buffer) {
        // No exception may cross libcurl's C frames.
        try {
            m_buffer->append(data, static_cast<qsizetype>(size));
        } catch (const std::bad_alloc &) {
            m_outOfMemory = true;
            return false;
        }
    } else if (std::fwrite(data, 1, size, m_file) != size) {
        return false;
    }
    m_written += static_cast<std::int64_t>(size);
    return true;
}

} // namespace vidfolio
