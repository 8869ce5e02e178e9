#pragma once

#include "platform/downloader.h"
#include "platform/runloop.h"

#include <QFile>
#include <QString>

#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace vidfolio::test {

// Downloads `address` into the file at `path` the way the page fetch does
// with its scratch file: through a descriptor opened here (the file made
// when missing, never cut on opening), which the downloader writes from its
// start, within `limits`. A path that cannot be opened is handed over as
// descriptor -1.
inline DownloadResult downloadToFile(Downloader &downloader, const std::string &address,
                                     const QString &path, const DownloadLimits &limits = {})
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    DownloadResult result =
        downloader.DownloadFile(QString::fromStdString(address), fd, path, limits);
    if (fd >= 0)
        ::close(fd);
    return result;
}

} // namespace vidfolio::test
