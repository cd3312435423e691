// A failed connection: which failures every front end tries again (a server that is just
// ending), and the words each gives for the rest.
#include <gtest/gtest.h>

#include "server/ConnectFailure.h"

namespace {

HResult Code(std::uint32_t value) { return static_cast<HResult>(value); }

}  // namespace

// A server on its way out answers with an RPC error or CO_E_SERVER_STOPPING, at either COM
// step; what it refuses on purpose, and a COM that cannot start, are final at once.
TEST(ConnectFailure, OnlyAnEndingServerIsTriedAgain)
{
    for (const ConnectStep step : {ConnectStep::GetClassObject, ConnectStep::CreateInstance}) {
        EXPECT_TRUE(IsServerEnding(step, Code(0x800706BAu)));  // RPC_S_SERVER_UNAVAILABLE
        EXPECT_TRUE(IsServerEnding(step, Code(0x800706B5u)));  // RPC_S_UNKNOWN_IF
        EXPECT_TRUE(IsServerEnding(step, Code(0x80010108u)));  // RPC_E_DISCONNECTED
        EXPECT_TRUE(IsServerEnding(step, Code(0x80080008u)));  // CO_E_SERVER_STOPPING
        EXPECT_FALSE(IsServerEnding(step, Code(0x80040154u)));  // not registered
        EXPECT_FALSE(IsServerEnding(step, Code(0x80070005u)));  // access denied
        EXPECT_FALSE(IsServerEnding(step, kE_FAIL));
        EXPECT_FALSE(IsServerEnding(step, kE_NOINTERFACE));
    }
    EXPECT_FALSE(IsServerEnding(ConnectStep::InitializeCom, Code(0x800706BAu)));
    EXPECT_FALSE(IsServerEnding(ConnectStep::None, kS_OK));
}

// The window and the search worker show the same box for a step; only the window names a
// usual refusal of CreateInstance, by the name it has always used.
TEST(ConnectFailure, TheBoxesOfEachStep)
{
    EXPECT_STREQ(ConnectFailureBox(ConnectStep::InitializeCom), "Can't initialice COM");
    EXPECT_STREQ(ConnectFailureBox(ConnectStep::GetClassObject), "Can't connect to OPC-server");
    EXPECT_STREQ(ConnectFailureBox(ConnectStep::CreateInstance), "Server does not support IAddTags");
    EXPECT_EQ(ConnectFailureBox(ConnectStep::None), nullptr);

    EXPECT_STREQ(CreateInstanceRefusalName(kE_NOINTERFACE), "E_NOINTERFACE");
    EXPECT_STREQ(CreateInstanceRefusalName(Code(0x80040110u)), "E_NOAGGREGATION");
    EXPECT_STREQ(CreateInstanceRefusalName(kE_INVALIDARG), "E_INVALIDARG");
    EXPECT_EQ(CreateInstanceRefusalName(kE_FAIL), nullptr);
    EXPECT_EQ(CreateInstanceRefusalName(Code(0x80040154u)), nullptr);
}

// zolctl's line names the step, and the code in words where they are known.
TEST(ConnectFailure, ZolctlsLineNamesTheStepAndTheCode)
{
    EXPECT_EQ(DescribeConnectFailure(ConnectStep::GetClassObject, Code(0x80040154u)),
              "cannot connect: class not registered (0x80040154)");
    EXPECT_EQ(DescribeConnectFailure(ConnectStep::CreateInstance, kE_NOINTERFACE),
              "cannot connect: the server refused IAddTags: interface not supported (0x80004002)");
    EXPECT_EQ(DescribeConnectFailure(ConnectStep::InitializeCom, Code(0x80010106u)),
              "cannot connect: COM cannot be initialised: error 0x80010106");
}
