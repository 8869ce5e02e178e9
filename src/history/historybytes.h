#pragma once

// A history file's bytes, shared by its load and its merging save: reading
// the file whole, comparing it with what a save writes, and walking its
// lines without decoding the whole text.

#include "history/historyfile.h"
#include "platform/textcodec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace vidfolio {

// Reads the regular file at `path` whole into `bytes`: Loaded, or Missing or
// Unreadable as LoadUsers reports them.
HistoryRead readHistory(const QString &path, QByteArray &bytes);

// A history file compared, piece by piece as they come, with the bytes a
// save writes, which costs a fraction of reading it whole.
class HistoryComparison
{
public:
    explicit HistoryComparison(const QString &path);
    ~HistoryComparison();
    HistoryComparison(const HistoryComparison &) = delete;
    HistoryComparison &operator=(const HistoryComparison &) = delete;

    // False when there is no regular file to compare: none, or one that
    // cannot be opened. Such a comparison holds nothing, as its reads fail.
    bool opened() const { return m_fd >= 0; }
    // True while the file goes on with `bytes`.
    bool continuesWith(QByteArrayView bytes);
    // True when the file ends where the bytes compared so far did.
    bool ended();

private:
    int m_fd = -1;
    QByteArray m_block;
};

// Calls `take(line, ascii)` for each line of a history file's bytes, split
// as decodeHistoryLines describes, `ascii` telling whether the line has no
// byte above 0x7F; stops and returns false once `take` does.
template <typename Take> bool forEachHistoryLine(QByteArrayView bytes, Take take)
{
    // A byte-order mark opening the file marks UTF-8, unless the line it
    // opens is not UTF-8: then its three bytes are letters of that line.
    static constexpr char kByteOrderMark[] = "\xef\xbb\xbf";
    if (bytes.startsWith(kByteOrderMark)) {
        const QByteArrayView rest = bytes.sliced(3);
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != '\r' && rest[end] != '\n')
            ++end;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        [[maybe_unused]] const QString firstLine = utf8(rest.first(end));
        if (!utf8.hasError())
            bytes = rest;
    }

    // One pass over the bytes. Nearly every line is ASCII, which is the same
    // in UTF-8 and Windows-1252 and needs no decoder: the pass notes whether
    // a line has a byte above 0x7F.
    const char *const data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    unsigned char high = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        high |= c;
        if (c > '\r' || (c != '\r' && c != '\n'))
            continue;
        if (!take(QByteArrayView(data + start, i - start), high < 0x80))
            return false;
        high = 0;
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    return start >= size || take(QByteArrayView(data + start, size - start), high < 0x80);
}

inline QString decodeHistoryLine(QByteArrayView line, bool ascii)
{
    return ascii ? QString::fromLatin1(line) : decodeTextLine(line);
}

} // namespace vidfolio
