#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vidfolio {

// Receives the body of an answer, as libcurl hands it over, into a file or
// into memory, refusing anything past the size cap; the flags tell a
// refused write from a failed one.
class BodySink final
{
public:
    // Into the regular file open for writing on `fd`, written from its start
    // through a descriptor of the sink's own; the caller keeps `fd`.
    BodySink(int fd, std::int64_t maxBytes);
    // Into `buffer`.
    BodySink(QByteArray &buffer, std::int64_t maxBytes);
    ~BodySink();
    BodySink(const BodySink &) = delete;
    BodySink &operator=(const BodySink &) = delete;

    // Starts an attempt afresh, with an empty file or buffer, so that only
    // the body of the last answer is kept. False when the file cannot be
    // opened.
    bool restart();
    // False when the file could not be written to the end.
    bool close();

    // False refuses the data, which ends the transfer as a failed write.
    bool receive(const char *data, std::size_t size);

    bool intoFile() const { return m_buffer == nullptr; }
    bool tooLarge() const { return m_tooLarge; }
    bool outOfMemory() const { return m_outOfMemory; }

private:
    int m_fd = -1;
    std::FILE *m_file = nullptr;
    QByteArray *m_buffer = nullptr;
    std::int64_t m_written = 0;
    std::int64_t m_maxBytes = 0;
    bool m_tooLarge = false;
    bool m_outOfMemory = false;
};

} // namespace vidfolio
