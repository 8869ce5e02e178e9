// The transfer on its own: moving it hands over its handles, the connection
// they keep open and the target of libcurl's callbacks, all together.
#include "platform/bodysink.h"
#include "platform/runloop.h"
#include "platform/transfer.h"
#include "siteserver.h"

#include <gtest/gtest.h>

#include <curl/curl.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>

using namespace vidfolio;
using namespace std::chrono_literals;

namespace {

class TransferTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.setPage("bob", 1, "page one");
        server.setPage("bob", 2, "page two");
    }

    // Runs one request for page `n` and returns its body, or "" on failure.
    std::string fetch(Transfer &transfer, int n)
    {
        const RequestBounds bounds{.connectTimeout = 5s,
                                   .stallTimeout = 5s,
                                   .timeLimit = 10s,
                                   .maxBytes = 1024 * 1024,
                                   .maxRedirects = 1};
        QByteArray body;
        BodySink sink(body, bounds.maxBytes);
        EXPECT_TRUE(sink.restart());
        const RequestEnd end = transfer.run(
            "http://" + server.host() + "/profile_videos?user=bob&page=" + std::to_string(n),
            bounds, sink);
        EXPECT_EQ(end.code, CURLE_OK) << n;
        EXPECT_EQ(end.httpStatus, 200) << n;
        return body.toStdString();
    }
    int portOfRequest(std::size_t i) const { return server.requests().at(i).remotePort; }
    // Whether this process's end of the connection made from `port` is still
    // established (state 01), as the kernel's table of TCP sockets lists it.
    static bool connectionOpen(int port)
    {
        char local[16];
        std::snprintf(local, sizeof local, "0100007F:%04X", port);
        std::ifstream table("/proc/net/tcp");
        std::string slot, from, to, state, rest;
        while (table >> slot >> from >> to >> state && std::getline(table, rest)) {
            if (from == local && state == "01")
                return true;
        }
        return false;
    }

    site::SiteServer server;
    RunLoop loop;
};

TEST_F(TransferTest, AMovedTransferRunsOnTheConnectionItKept)
{
    Transfer first(loop);
    ASSERT_EQ(fetch(first, 1), "page one");

    Transfer moved(std::move(first));
    EXPECT_FALSE(first.valid());
    ASSERT_TRUE(moved.valid());
    EXPECT_EQ(fetch(moved, 2), "page two");
    EXPECT_EQ(portOfRequest(1), portOfRequest(0));
}

TEST_F(TransferTest, MoveAssignmentDropsTheOldHandlesAndKeepsTheMovedConnection)
{
    Transfer kept(loop);
    ASSERT_EQ(fetch(kept, 1), "page one");
    Transfer replaced(loop);
    ASSERT_EQ(fetch(replaced, 2), "page two");
    ASSERT_NE(portOfRequest(1), portOfRequest(0));
    ASSERT_TRUE(connectionOpen(portOfRequest(1)));

    replaced = std::move(kept);
    EXPECT_FALSE(connectionOpen(portOfRequest(1)));
    EXPECT_EQ(fetch(replaced, 1), "page one");
    EXPECT_EQ(portOfRequest(2), portOfRequest(0));
}

} // namespace
