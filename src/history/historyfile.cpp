#include "history/historyfile.h"

#include "platform/runloop.h"
#include "platform/textcodec.h"

#include <QFile>
#include <QSaveFile>
#include <QStringEncoder>

#include <algorithm>

namespace vidfolio {

QStringList splitHistoryLines(const QString &text)
{
    QStringList lines;
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < size && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.sliced(start));
    return lines;
}

void LoadUsers(UserHistoryList &box, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    file.close();

    box.appendUsers(splitHistoryLines(decodeText(bytes)));
    box.refreshUsers();
    if (box.userCount() > 0)
        box.selectUser(0);
}

void SaveUsers(const UserList &box, const QString &path, RunLoop &loop)
{
    loop.pumpEvents();

    // Unbuffered, so that a short write (a full disk) shows in the count
    // written; a buffered QSaveFile commits a truncated file without error.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    // The names go out in blocks of about 64 KiB, encoded straight into the
    // block: a byte array per name, or one for the whole list, cost more than
    // the writing itself.
    constexpr qsizetype kBlockSize = 64 * 1024;
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    QByteArray block(kBlockSize, Qt::Uninitialized);
    qsizetype used = 0;
    const auto writeBlock = [&] {
        const bool written = file.write(block.constData(), used) == used;
        used = 0;
        return written;
    };
    const int count = box.userCount();
    for (int i = 0; i < count; ++i) {
        const QString name = box.userAt(i);
        const qsizetype needed = utf8.requiredSpace(name.size()) + 2;
        if (used + needed > block.size()) {
            if (!writeBlock()) {
                file.cancelWriting();
                return;
            }
            if (needed > block.size())
                block.resize(needed);
        }
        char *end = utf8.appendToBuffer(block.data() + used, name);
        if (utf8.hasError()) {
            // Half a surrogate pair: written as "?", as QString::toUtf8 does,
            // rather than as the replacement character the encoder writes.
            const QByteArray bytes = name.toUtf8();
            end = std::copy(bytes.begin(), bytes.end(), block.data() + used);
            utf8.resetState();
        }
        *end++ = '\r';
        *end++ = '\n';
        used = end - block.constData();
    }
    if (!writeBlock()) {
        file.cancelWriting();
        return;
    }
    file.commit();
}

} // namespace vidfolio
