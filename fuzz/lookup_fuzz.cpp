// libFuzzer target: a downloaded watch page as the player lookup reads it,
// and the addresses the video commands build from what it cut out.

#include "actions/videocommands.h"
#include "check.h"
#include "platform/textcodec.h"

#include <QRegularExpression>

#include <cstddef>
#include <cstdint>

using namespace vidfolio;
using fuzz::check;

namespace {

// An address that may be handed on as it is: only the characters a query
// may hold (no space, control character, double quote or anything beyond
// ASCII), and every "%" starting an escape of two hexadecimal digits.
void checkSafe(const QString &address)
{
    static const QRegularExpression kSafe(QRegularExpression::anchoredPattern(
        QStringLiteral("(?:[A-Za-z0-9\\-._~!$&'()*+,;=:@/?]|%[0-9A-Fa-f]{2})*")));
    check(kSafe.match(address).hasMatch(),
          "an address with a character that must be percent-encoded or a stray \"%\"");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString page = decodeText(QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                            static_cast<qsizetype>(size)));

    const std::optional<QString> parameters = cutPlayerParameters(page);
    if (!parameters) {
        check(!page.contains(kPlayerMarker) || page.size() > kMaxPlayerParameters,
              "a short page with the player marker gave nothing");
        return 0;
    }
    check(parameters->size() <= kMaxPlayerParameters, "player parameters over the limit");
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
