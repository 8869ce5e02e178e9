#include "history/historyfile.h"

#include "platform/runloop.h"
#include "platform/textcodec.h"

#include <QFile>
#include <QSaveFile>

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

    QByteArray bytes;
    const int count = box.userCount();
    for (int i = 0; i < count; ++i) {
        bytes += box.userAt(i).toUtf8();
        bytes += "\r\n";
    }
    // Unbuffered, so that a short write (a full disk) shows in the count
    // written; a buffered QSaveFile commits a truncated file without error.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return;
    }
    file.commit();
}

} // namespace vidfolio
