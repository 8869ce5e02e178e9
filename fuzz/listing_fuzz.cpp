// libFuzzer target: a downloaded page as the listing reads it, once as the
// first profile page (the page count) and once as a numbered page (its
// pieces cut into entries).

#include "check.h"
#include "listing/profilepage.h"
#include "listing/videokey.h"
#include "platform/textcodec.h"

#include <cstddef>
#include <cstdint>

using namespace vidfolio;
using fuzz::check;

namespace {

// The shortest piece that can hold an entry: "img src=" and the quote after
// it, then a thumbnail address of at least the five characters of "N.jpg".
constexpr qsizetype kShortestEntryPiece = 9 + 5;

void checkEntry(QStringView piece, const VideoEntry &entry)
{
    check(piece.size() >= kShortestEntryPiece, "an entry from a piece shorter than its markers");
    check(!entry.title.contains(u"&quot;"), "\"&quot;\" left in a title");
    const qsizetype separator = entry.key.indexOf(kKeySeparator);
    check(separator > 0, "a key without an identifier before the separator");
    // Identifier and thumbnail base are both cut out of the piece. Were the
    // first separator inside the identifier, the rest of the key would hold
    // the inserted separator and be no stretch of the piece.
    const QStringView id = QStringView(entry.key).first(separator);
    const QStringView base = QStringView(entry.key).sliced(separator + 1);
    check(piece.contains(id) && piece.contains(base),
          "the key's first separator is not where the identifier ends");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QString page = decodeText(QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                      static_cast<qsizetype>(size)));

    const qint64 pageCount = profilePageCount(page);
    check(pageCount >= 0, "a negative page count");
    check(pageCount <= (kMaxListedVideos + 9) / 10, "more pages than the most videos listed fill");

    for (const QStringView piece : videoPieces(page)) {
        if (const auto entry = cutVideoPiece(piece))
            checkEntry(piece, *entry);
    }
    return 0;
}
