// libFuzzer target: a downloaded watch page as the player lookup reads it,
// and the addresses the video commands build from what it cut out.

#include "actions/lookup.h"
#include "check.h"
#include "platform/textcodec.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace vidfolio;
using fuzz::check;

namespace {

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// An address that may be handed on as it is: only the characters a query
// may hold (no space, control character, quote or anything beyond ASCII),
// and every "%" starting an escape of two hexadecimal digits.
void checkSafe(QStringView address)
{
    static constexpr std::u16string_view kAllowed = u"-._~!$&'()*+,;=:@/?%";
    for (qsizetype i = 0; i < address.size(); ++i) {
        const QChar c = address.at(i);
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') ||
                           kAllowed.find(c.unicode()) != std::u16string_view::npos;
        check(plain, "a character in an address that must be percent-encoded");
        if (c == u'%') {
            check(i + 2 < address.size() && isHexDigit(address.at(i + 1)) &&
                      isHexDigit(address.at(i + 2)),
                  "a \"%\" in an address that starts no escape");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString page = decodeText(QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                            static_cast<qsizetype>(size)));

    const std::optional<QString> parameters = cutPlayerParameters(page);
    if (!parameters) {
        check(!page.contains(kPlayerMarker), "a page with the player marker gave nothing");
        return 0;
    }
    check(!parameters->contains(u'"'), "a quote in the player parameters");
    check(page.contains(kPlayerMarker.toString() + *parameters),
          "player parameters that do not follow the marker");

    const SiteRoots roots = SiteRoots::forHost(QStringLiteral("site.test"));
    checkSafe(watchAddress(roots, *parameters));
    checkSafe(playerAddress(roots, *parameters));
    checkSafe(videoFileAddress(roots, *parameters));
    const QString safe = addressSafe(*parameters);
    checkSafe(safe);
    check(addressSafe(safe) == safe, "addressSafe changes a value that is already safe");
    return 0;
}
