#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace vidfolio {

struct VideoEntry
{
    QString key; // identifier, separator, thumbnail base: makeVideoKey
    QString title;
};

// The most videos one listing shows: a page that claims more, or a site
// that never stops sending new ones, cannot fill memory or fetch for ever.
inline constexpr qint64 kMaxListedVideos = 200000;

// The number of videos the first page states: a whole number written with
// plain digits, optionally grouped by commas in threes ("1,234"), blanks
// around it allowed. Nothing when the text is anything else ("-5", "many",
// a missing count). A count above kMaxListedVideos gives kMaxListedVideos.
std::optional<qint64> profileVideoCount(QStringView firstPage);

// The number of profile pages the first page announces, ten videos to a
// page; 0 when it states no readable count.
qint64 profilePageCount(QStringView firstPage);

// The pieces of a numbered profile page that may each hold one video. The
// page text is first cut down in place to start at "Public Videos" (when the
// marker occurs after its start), then split at every "vTable"; the text
// before the first "vTable" holds no video and is left out. The views point
// into `pageText`.
QList<QStringView> videoPieces(QString &pageText);

// Cuts title, thumbnail address and identifier out of one piece of a
// profile page. Nothing when a marker the cut relies on is missing, the
// identifier is empty or holds the key separator, or the thumbnail address
// is shorter than five characters, so that no entry is ever made of text at
// a guessed offset.
std::optional<VideoEntry> cutVideoPiece(QStringView piece);

} // namespace vidfolio
