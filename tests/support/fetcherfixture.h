#pragma once

#include "listing/pagefetcher.h"
#include "platform/downloader.h"
#include "platform/runloop.h"
#include "siteserver.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace vidfolio::test {

// A page fetcher with the program's download limits, keeping its scratch
// file in a temporary folder, and a loopback site for it to fetch from: the
// start of the suites that fetch pages without a window. Its downloads wait
// on a run loop of their own.
class FetcherTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QTemporaryDir folder;
    site::SiteServer server;
    RunLoop downloadLoop;
    Downloader downloader{downloadLoop};
    const DownloadLimits limits{};
    PageFetcher fetcher{downloader, folder.path(), scratchTurnWait(limits)};
};

} // namespace vidfolio::test
