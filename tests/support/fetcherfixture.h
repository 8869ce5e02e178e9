#pragma once

#include "listing/pagefetcher.h"
#include "platform/downloader.h"
#include "siteserver.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace vidfolio::test {

// A page fetcher with the program's download limits, keeping its scratch
// file in a temporary folder, and a loopback site for it to fetch from: the
// start of the suites that fetch pages without a window.
class FetcherTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QTemporaryDir folder;
    site::SiteServer server;
    Downloader downloader;
    PageFetcher fetcher{downloader, folder.path()};
};

} // namespace vidfolio::test
