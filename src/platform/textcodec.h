#pragma once

#include <QByteArray>
#include <QString>

namespace vidfolio {

// Bytes from a page or a text file as Unicode: UTF-8 when the bytes are valid
// UTF-8, otherwise Windows-1252, so that no byte turns into U+FFFD.
QString decodeText(const QByteArray &bytes);

} // namespace vidfolio
