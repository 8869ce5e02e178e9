#include "listing/profilepage.h"

namespace vidfolio {
namespace {

// `text` from `start` (0-based) to its end; empty past the end.
QStringView from(QStringView text, qsizetype start)
{
    return start >= text.size() ? QStringView() : text.sliced(start);
}

// `text` up to `marker`; the whole text when the marker is missing.
QStringView before(QStringView text, QStringView marker)
{
    const qsizetype at = text.indexOf(marker);
    return at < 0 ? text : text.first(at);
}

bool isPlainWholeNumber(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

qint64 profilePageCount(QStringView firstPage)
{
    // The count starts three characters after the end of its marker and runs
    // to the closing parenthesis: "Videos</strong> (57)". A missing marker
    // (index -1) makes the cut start at the offset itself.
    QStringView count = from(firstPage, firstPage.indexOf(u"Videos</strong>") + 18);
    count = before(count, u")").trimmed();
    if (!isPlainWholeNumber(count))
        return 0;
    bool ok = false;
    const qint64 videos = count.toLongLong(&ok);
    if (!ok)
        return 0;
    return videos / 10 + (videos % 10 != 0 ? 1 : 0);
}

std::optional<VideoEntry> cutVideoPiece(QStringView piece)
{
    // Offset 15 from "vtitle" passes the quote and ">" that close its own
    // attribute, so the next quote and ">" are those of the link to the video.
    QStringView title = from(piece, piece.indexOf(u"vtitle") + 15);
    title = from(title, title.indexOf(u"\">") + 2);
    title = before(title, u"</a");

    // Offset 9 from "img src=" skips the opening quote of the address.
    const QStringView thumbnail = before(from(piece, piece.indexOf(u"img src=") + 9), u"\"");
    QStringView id = from(thumbnail, thumbnail.indexOf(u"vi/") + 3);
    id = before(id, u"/");

    if (thumbnail.size() < 5)
        return std::nullopt;
    // The thumbnail base drops the file name "N.jpg" from the address.
    const QStringView base = thumbnail.first(thumbnail.size() - 5);

    VideoEntry entry;
    entry.key.reserve(id.size() + 1 + base.size());
    entry.key.append(id).append(kKeySeparator).append(base);
    entry.title = title.toString();
    entry.title.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    return entry;
}

} // namespace vidfolio
