#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vidfolio {

// Bytes from a page or a text file as Unicode: UTF-8 when the bytes are valid
// UTF-8, otherwise Windows-1252, so that no byte turns into U+FFFD.
QString decodeText(const QByteArray &bytes);

// The same for a line cut from a longer text, each line on its own: a line
// of Windows-1252 leaves the UTF-8 lines around it as they are. A byte-order
// mark at the start of the line is a character of the line here, not a mark
// of the encoding.
QString decodeTextLine(QByteArrayView line);

} // namespace vidfolio
