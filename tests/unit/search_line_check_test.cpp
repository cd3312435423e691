#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeTagServer.h"
#include "catalogue/Catalogue.h"
#include "search/LineCheck.h"

namespace {

// A host that records every report and may ask for a stop before the probe of one address.
class RecordingHost final : public ILineCheckHost {
public:
    CLineCheck* check = nullptr;
    std::uint32_t stopBefore = 0;  // address; 0: never
    std::vector<LineCheckEntry> entries;
    int finished = 0;
    const std::vector<ConfiguredDevice>* devices = nullptr;

    void DispatchOneWaitingMessage() override
    {
        const std::uint32_t address = (*devices)[Position()].address;
        if (stopBefore != 0 && address == stopBefore) check->RequestStop();
    }
    void OnDeviceChecked(const LineCheckEntry& entry) override { entries.push_back(entry); }
    void OnCheckFinished() override { ++finished; }

private:
    // The first device not yet reported: the address the check is about to probe.
    std::size_t Position() const { return entries.size(); }
};

std::vector<ConfiguredDevice> DevicesOf(const CFakeTagServer& server)
{
    CConfiguredDevices devices;
    for (const auto& tag : server.tags) devices.AddTag(tag.first.type, tag.first.address);
    return devices.Sorted();
}

struct CheckRun {
    CFakeTagServer server;
    RecordingHost host;
    std::vector<ConfiguredDevice> devices;

    void Run()
    {
        devices = DevicesOf(server);
        CLineCheck check(server, host);
        host.check = &check;
        host.devices = &devices;
        check.Check(devices);
        lost = check.ConnectionLost();
        stopped = check.Stopped();
    }
    HResult lost = kS_OK;
    bool stopped = false;
};

TEST(LineCheck, ConfiguredDevicesAreGroupedAndSortedByAddressThenType)
{
    CConfiguredDevices devices;
    // Not in the server's order: the grouping must not rely on it.
    for (auto [type, address] : std::vector<std::pair<std::uint32_t, std::uint32_t>>{
             {7, 20}, {7, 20}, {3, 5}, {9, 5}, {7, 20}, {3, 5}, {1, 247}, {9, 5}, {3, 5}})
        devices.AddTag(type, address);
    EXPECT_EQ(devices.Sorted(), (std::vector<ConfiguredDevice>{{3, 5, 3}, {9, 5, 2}, {7, 20, 3}, {1, 247, 1}}));
    EXPECT_TRUE(CConfiguredDevices().Sorted().empty());

    // From a server's list: only the tags wanted, kept in the server's order.
    std::vector<ServerTag> list(4);
    list[0].id = TagId{7, 20, 1};
    list[1].id = TagId{3, 5, 1};
    list[2].id = TagId{7, 20, 2};
    list[3].id = TagId{3, 5, 2};
    EXPECT_EQ(CConfiguredDevices::OfTags(list), (std::vector<ConfiguredDevice>{{3, 5, 2}, {7, 20, 2}}));
    std::vector<ServerTag> kept;
    const auto of20 = [](const TagId& id) { return id.address == 20; };
    EXPECT_EQ(CConfiguredDevices::OfTags(list, of20, &kept), (std::vector<ConfiguredDevice>{{7, 20, 2}}));
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[1].id.param, 2u);
}

TEST(LineCheck, EachResultFromOneProbeInAscendingOrder)
{
    CheckRun run;
    run.server.Put(20, 9, 1);    // answers as configured
    run.server.Put(20, 9, 2);
    run.server.Put(20, 3, 1);    // no answer
    run.server.Put(21, 12, 1);   // another type answers
    run.server.Put(22, 40, 1);   // the probe itself fails
    run.server.Put(23, 41, 1);   // a type code outside the tree's range answers
    run.server.line[9] = {kS_OK, 20, "PM3F v2"};
    run.server.line[12] = {kS_OK, 57, "FD400"};
    run.server.line[40] = {kE_FAIL, 22, "garbage"};
    run.server.line[41] = {kS_OK, -5, "odd"};
    run.Run();

    EXPECT_EQ(run.server.probeOrder, (std::vector<std::uint32_t>{3, 9, 12, 40, 41}));
    ASSERT_EQ(run.host.entries.size(), 5u);
    const auto& e = run.host.entries;
    EXPECT_EQ(e[0].result, LineCheckResult::Absent);
    EXPECT_EQ(e[0].foundType, 0);
    EXPECT_EQ(e[1].result, LineCheckResult::Ok);
    EXPECT_EQ(e[1].device.tags, 2u);
    EXPECT_EQ(e[1].foundText, "PM3F v2");
    EXPECT_EQ(e[2].result, LineCheckResult::OtherType);
    EXPECT_EQ(e[2].foundType, 57);
    EXPECT_EQ(e[2].foundText, "FD400");
    EXPECT_EQ(e[3].result, LineCheckResult::Failed);
    EXPECT_EQ(e[3].hr, kE_FAIL);
    EXPECT_EQ(e[3].foundType, 0);  // a failed call's out-values are not a type
    EXPECT_EQ(e[4].result, LineCheckResult::OtherType);
    EXPECT_EQ(e[4].foundType, -5);
    EXPECT_EQ(run.host.finished, 1);

    LineCheckCounts counts;
    for (const LineCheckEntry& entry : e) counts.Add(entry.result);
    EXPECT_EQ(counts.ok, 1u);
    EXPECT_EQ(counts.absent, 1u);
    EXPECT_EQ(counts.otherType, 2u);
    EXPECT_EQ(counts.failed, 1u);
    EXPECT_FALSE(counts.AllOk());
    EXPECT_TRUE(LineCheckCounts().AllOk());
}

TEST(LineCheck, TwoTypesAtOneAddressShareOneProbe)
{
    CheckRun run;
    run.server.Put(20, 7, 1);
    run.server.Put(21, 7, 1);
    run.server.line[7] = {kS_OK, 21, "B"};
    run.Run();
    EXPECT_EQ(run.server.probeOrder, (std::vector<std::uint32_t>{7}));
    ASSERT_EQ(run.host.entries.size(), 2u);
    EXPECT_EQ(run.host.entries[0].result, LineCheckResult::OtherType);
    EXPECT_EQ(run.host.entries[1].result, LineCheckResult::Ok);
}

TEST(LineCheck, StopEndsBeforeTheNextProbe)
{
    CheckRun run;
    for (std::uint32_t a : {1u, 2u, 3u, 4u}) run.server.Put(5, a, 1);
    run.host.stopBefore = 3;
    run.Run();
    EXPECT_EQ(run.server.probeOrder, (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(run.host.entries.size(), 2u);
    EXPECT_TRUE(run.stopped);
    EXPECT_EQ(run.host.finished, 1);
}

TEST(LineCheck, AServerThatDiesEndsTheCheckWithItsCode)
{
    CheckRun run;
    for (std::uint32_t a : {1u, 2u, 3u, 4u}) run.server.Put(5, a, 1);
    run.server.dieAfterCalls = 2;  // two probes answer, the third finds the server gone
    run.Run();
    EXPECT_EQ(run.server.calls.probe, 2u);
    ASSERT_EQ(run.host.entries.size(), 3u);
    EXPECT_EQ(run.host.entries[2].result, LineCheckResult::Failed);
    EXPECT_EQ(run.lost, CFakeTagServer::kServerGone);
    EXPECT_EQ(run.host.finished, 1);
}

TEST(LineCheck, NoDevicesProbesNothing)
{
    CheckRun run;
    run.Run();
    EXPECT_TRUE(run.server.probeOrder.empty());
    EXPECT_TRUE(run.host.entries.empty());
    EXPECT_EQ(run.host.finished, 1);
}

TEST(LineCheck, WordsAndAnsweringTypeNames)
{
    EXPECT_STREQ(LineCheckResultWord(LineCheckResult::Ok), "ok");
    EXPECT_STREQ(LineCheckResultWord(LineCheckResult::Absent), "absent");
    EXPECT_STREQ(LineCheckResultWord(LineCheckResult::OtherType), "other-type");
    EXPECT_STREQ(LineCheckResultWord(LineCheckResult::Failed), "failed");

    FreeDeviceCatalogue();
    CDevice device;
    device.m_nTypeCode = 21;
    device.m_strName = "FD400";
    g_DeviceCatalogue.AddHead(device);
    EXPECT_EQ(AnsweringTypeName(21, "type "), "FD400");
    EXPECT_EQ(AnsweringTypeName(22, "type "), "type 22");
    EXPECT_EQ(AnsweringTypeName(-3, "type "), "type -3");
    FreeDeviceCatalogue();
}

}  // namespace
