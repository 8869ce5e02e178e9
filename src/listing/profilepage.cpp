#include "listing/profilepage.h"

#include "listing/videokey.h"

#include <algorithm>

namespace vidfolio {
namespace {

// `text` from `start` (0-based) to its end; empty past the end.
QStringView from(QStringView text, qsizetype start)
{
    return start >= text.size() ? QStringView() : text.sliced(start);
}

// `text` up to `marker`; nothing when the marker is missing.
std::optional<QStringView> before(QStringView text, QStringView marker)
{
    const qsizetype at = text.indexOf(marker);
    if (at < 0)
        return std::nullopt;
    return text.first(at);
}

// `text` from `offset` characters after the start of `marker`; nothing when
// the marker is missing.
std::optional<QStringView> after(QStringView text, QStringView marker, qsizetype offset)
{
    const qsizetype at = text.indexOf(marker);
    if (at < 0)
        return std::nullopt;
    return from(text, at + offset);
}

// Reads plain digits ("1234") or digits grouped by commas ("1,234,567": a
// first group of one to three digits, then groups of three), saturating at
// kMaxListedVideos.
std::optional<qint64> readCount(QStringView text)
{
    const QList<QStringView> groups = text.split(u',');
    qint64 count = 0;
    for (qsizetype g = 0; g < groups.size(); ++g) {
        const QStringView group = groups.at(g);
        const bool sizeFits = groups.size() == 1 ? !group.isEmpty()
                              : g == 0           ? !group.isEmpty() && group.size() <= 3
                                                 : group.size() == 3;
        if (!sizeFits)
            return std::nullopt;
        for (const QChar c : group) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            count = std::min(count * 10 + (c.unicode() - u'0'), kMaxListedVideos);
        }
    }
    return count;
}

} // namespace

std::optional<qint64> profileVideoCount(QStringView firstPage)
{
    // The count starts three characters after the end of its marker and runs
    // to the closing parenthesis: "Videos</strong> (57)".
    const std::optional<QStringView> afterMarker = after(firstPage, u"Videos</strong>", 18);
    if (!afterMarker)
        return std::nullopt;
    const std::optional<QStringView> count = before(*afterMarker, u")");
    if (!count)
        return std::nullopt;
    return readCount(count->trimmed());
}

qint64 profilePageCount(QStringView firstPage)
{
    const qint64 videos = profileVideoCount(firstPage).value_or(0);
    return videos / 10 + (videos % 10 != 0 ? 1 : 0);
}

QList<QStringView> videoPieces(QString &pageText)
{
    const qsizetype listStart = pageText.indexOf(u"Public Videos");
    if (listStart > 0)
        pageText.remove(0, listStart);
    QList<QStringView> pieces = QStringView(pageText).split(u"vTable");
    pieces.removeFirst();
    return pieces;
}

std::optional<VideoEntry> cutVideoPiece(QStringView piece)
{
    // Offset 15 from "vtitle" passes the quote and ">" that close its own
    // attribute, so the next quote and ">" are those of the link to the video.
    const auto titleStart = after(piece, u"vtitle", 15);
    const auto linkText = titleStart ? after(*titleStart, u"\">", 2) : std::nullopt;
    const auto title = linkText ? before(*linkText, u"</a") : std::nullopt;

    // Offset 9 from "img src=" skips the opening quote of the address.
    const auto address = after(piece, u"img src=", 9);
    const auto thumbnail = address ? before(*address, u"\"") : std::nullopt;
    const auto idStart = thumbnail ? after(*thumbnail, u"vi/", 3) : std::nullopt;
    const auto id = idStart ? before(*idStart, u"/") : std::nullopt;

    // The separator inside the identifier would split the key in the wrong
    // place, giving another identifier and a wrong thumbnail base.
    if (!title || !id || id->isEmpty() || id->contains(kKeySeparator) || thumbnail->size() < 5)
        return std::nullopt;
    // The thumbnail base drops the file name "N.jpg" from the address.
    const QStringView base = thumbnail->first(thumbnail->size() - 5);

    VideoEntry entry;
    entry.key = makeVideoKey(*id, base);
    entry.title = title->toString();
    entry.title.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    return entry;
}

} // namespace vidfolio
