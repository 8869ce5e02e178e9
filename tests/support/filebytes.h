#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace vidfolio::test {

// The bytes of the file at `path`, or "<missing>" when there is none to
// read: an empty file and no file compare apart in the checks.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace vidfolio::test
