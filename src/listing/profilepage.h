#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace vidfolio {

// Separates the video identifier from the thumbnail base in a tree key.
inline constexpr QChar kKeySeparator = QChar(0x2021);

struct VideoEntry
{
    QString key; // identifier + separator + thumbnail base address
    QString title;
};

// The number of profile pages the first page announces, ten videos to a
// page. A count that is not a plain whole number gives 0.
qint64 profilePageCount(QStringView firstPage);

// Cuts title, thumbnail address and identifier out of one piece of a
// profile page; nothing when the thumbnail address is shorter than five
// characters.
std::optional<VideoEntry> cutVideoPiece(QStringView piece);

} // namespace vidfolio
