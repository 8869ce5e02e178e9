#include "support/failurereasons.h"
#include "support/windowfixture.h"

#include <QLabel>

using namespace vidfolio;

namespace {

class ReasonsWindowTest : public test::WindowTest
{
};

// "Download failed: " with any reason is read whole in the status line.
TEST_F(ReasonsWindowTest, EveryReasonFitsTheStatusLine)
{
    const auto window = makeWindow();
    auto *status = find<QLabel>(*window, "StatText");
    ASSERT_NE(status, nullptr);
    const int width = status->contentsRect().width();
    for (const std::string &reason : test::everyFailureReason()) {
        const QString text = QStringLiteral("Download failed: ") + QString::fromStdString(reason);
        EXPECT_LE(status->fontMetrics().horizontalAdvance(text), width) << reason;
    }
}

} // namespace
