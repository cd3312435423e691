// A connection found gone stays gone: later calls reach nothing and return the code that
// said so; a refusal of the server's own changes nothing.
#include <gtest/gtest.h>

#include "FakeTagServer.h"
#include "server/ConnectionLatch.h"
#include "server/ServerErrors.h"

TEST(ConnectionLatch, AfterALostConnectionNoCallReachesTheServer)
{
    CFakeTagServer fake;
    fake.Put(1, 5, 1, 100);
    fake.Put(1, 5, 2, 200);
    CConnectionLatch link(fake);

    fake.refuseDelete.insert({1, 5, 1});
    EXPECT_EQ(link.DeleteTag(1, 5, 1), kE_FAIL);  // the server's own refusal
    EXPECT_EQ(link.Lost(), kS_OK);

    fake.dieAfterCalls = fake.calls.Total();  // the server goes now
    EXPECT_EQ(link.DeleteTag(1, 5, 2), CFakeTagServer::kServerGone);
    EXPECT_EQ(link.Lost(), CFakeTagServer::kServerGone);
    const std::size_t made = fake.calls.Total();

    fake.dieAfterCalls = 0;  // even if it came back, this connection is not its
    std::uint32_t low = 0, high = 0;
    EXPECT_EQ(link.GetTagInfo(1, 5, 2, &low, &high), CFakeTagServer::kServerGone);
    EXPECT_EQ(link.AddTag(1, 6, 1, 100), CFakeTagServer::kServerGone);
    EXPECT_EQ(link.RestartServer(), CFakeTagServer::kServerGone);
    EXPECT_EQ(link.SetComSettings(1, 9600, 8, 0, 0), CFakeTagServer::kServerGone);
    EXPECT_EQ(fake.calls.Total(), made);
    EXPECT_TRUE(fake.Has(1, 5, 2));
    EXPECT_FALSE(fake.Has(1, 6, 1));
}

TEST(ConnectionLatch, UndeliveredCallsAreTheLostOnesThatDidNothing)
{
    for (HResult hr : {kRPC_S_SERVER_UNAVAILABLE, kRPC_E_DISCONNECTED, kCO_E_OBJNOTCONNECTED, kRPC_S_CALL_FAILED_DNE,
                       kRPC_E_SERVER_DIED_DNE}) {
        EXPECT_TRUE(IsConnectionLost(hr)) << std::hex << hr;
        EXPECT_TRUE(IsCallUndelivered(hr)) << std::hex << hr;
    }
    // The server died during these: the call may have been carried out.
    for (HResult hr : {kRPC_E_SERVER_DIED, kRPC_S_CALL_FAILED}) {
        EXPECT_TRUE(IsConnectionLost(hr)) << std::hex << hr;
        EXPECT_FALSE(IsCallUndelivered(hr)) << std::hex << hr;
    }
    EXPECT_FALSE(IsCallUndelivered(kE_FAIL));
    EXPECT_FALSE(IsConnectionLost(kE_FAIL));
}
