// libFuzzer target: the bytes of a history file as loading reads them into
// user names.

#include "check.h"
#include "history/historyfile.h"

#include <cstddef>
#include <cstdint>

using namespace vidfolio;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QStringList lines = decodeHistoryLines(
        QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));

    // Saving writes every name followed by CR LF; reading that back must
    // give the same names.
    QString saved;
    for (const QString &line : lines) {
        check(!line.contains(u'\r') && !line.contains(u'\n'), "a line end inside a name");
        saved += line + QStringLiteral("\r\n");
    }
    QStringList back = saved.split(QStringLiteral("\r\n"));
    back.removeLast();
    check(back == lines, "names saved with CR LF read back differently");
    return 0;
}
