#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "search/AddressScan.h"

namespace {

struct Answer {
    HResult hr = kS_OK;
    std::int32_t type = 0;
    std::string text;        // copied without a NUL when it fills the buffer
    bool writeType = true;   // false: the call leaves the type as it found it
};

// A line of devices: unlisted addresses answer type 0. Every call is logged in `log`.
class FakeLine final : public ITagServer {
public:
    explicit FakeLine(std::vector<std::string>& log) : m_log(log) {}
    std::map<int, Answer> answers;
    std::function<void(int)> onProbe;  // runs during the probe of an address

    HResult ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize],
                        std::int32_t* type) override
    {
        m_log.push_back("probe " + std::to_string(address));
        if (onProbe)
            onProbe(static_cast<int>(address));
        const Answer a = answers.count(static_cast<int>(address)) ? answers[static_cast<int>(address)]
                                                                    : Answer{};
        if (a.writeType)
            *type = a.type;
        std::memcpy(text, a.text.data(), std::min<std::size_t>(a.text.size(), kProbeTextSize));
        return a.hr;
    }
    HResult AddTag(std::uint32_t, std::uint32_t, std::uint32_t, std::int64_t) override { return kE_FAIL; }
    HResult DeleteTag(std::uint32_t, std::uint32_t, std::uint32_t) override { return kE_FAIL; }
    HResult RestartServer() override { return kE_FAIL; }
    HResult GetComSettings(std::uint16_t*, std::uint32_t*, std::uint8_t*, std::uint8_t*,
                           std::uint8_t*) override { return kE_FAIL; }
    HResult SetComSettings(std::uint16_t, std::uint32_t, std::uint8_t, std::uint8_t,
                           std::uint8_t) override { return kE_FAIL; }
    HResult EnumTags(std::uint32_t*, std::uint32_t*, std::uint32_t*, std::uint32_t*,
                     std::uint32_t*, std::uint32_t*) override { return kE_FAIL; }
    HResult GetTagInfo(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t*,
                       std::uint32_t*) override { return kE_FAIL; }

private:
    std::vector<std::string>& m_log;
};

// A host whose message queue holds stop requests; each dispatch takes at most one.
class FakeHost final : public IScanHost {
public:
    explicit FakeHost(std::vector<std::string>& log) : m_log(log) {}
    CAddressScan* scan = nullptr;
    int waitingStops = 0;
    std::vector<std::string> texts;

    void DispatchOneWaitingMessage() override
    {
        if (waitingStops > 0) {
            --waitingStops;
            scan->RequestStop();
            m_log.push_back("stop");
        }
    }
    void OnScanProgress(int address) override { m_log.push_back("progress " + std::to_string(address)); }
    void OnDeviceFound(std::int32_t type, const std::string& text, int address) override
    {
        m_log.push_back("found " + std::to_string(address) + " type " + std::to_string(type));
        texts.push_back(text);
    }
    void OnScanFinished() override { m_log.push_back("finished"); }

private:
    std::vector<std::string>& m_log;
};

struct ScanFixture : ::testing::Test {
    std::vector<std::string> log;
    FakeLine line{log};
    FakeHost host{log};
    CAddressScan scan{line, host};
    ScanFixture() { host.scan = &scan; }
};

using Log = std::vector<std::string>;

TEST_F(ScanFixture, ReversedRangeRunsUpwardWithReportsInOrder)
{
    line.answers[4] = {kS_OK, 17, "Meter", true};
    scan.Scan(5, 3);
    EXPECT_EQ(scan.StartAddress(), 3);
    EXPECT_EQ(scan.EndAddress(), 5);
    EXPECT_EQ(log, (Log{"probe 3", "progress 3", "probe 4", "progress 4", "found 4 type 17",
                        "probe 5", "progress 5", "finished"}));
    EXPECT_EQ(host.texts, (std::vector<std::string>{"Meter"}));
}

TEST_F(ScanFixture, SingleAddress)
{
    line.answers[255] = {kS_OK, 255, "X", true};
    scan.Scan(255, 255);
    EXPECT_EQ(log, (Log{"probe 255", "progress 255", "found 255 type 255", "finished"}));
}

TEST_F(ScanFixture, StopDuringProbeEndsAfterTheNextAddress)
{
    line.answers[4] = {kS_OK, 1, "A", true};
    line.answers[5] = {kS_OK, 2, "B", true};
    line.onProbe = [this](int address) {
        if (address == 4)
            host.waitingStops = 1;  // the request arrives while address 4 is probed
    };
    scan.Scan(3, 9);
    EXPECT_EQ(log, (Log{"probe 3", "progress 3", "probe 4", "progress 4", "found 4 type 1",
                        "stop", "probe 5", "progress 5", "finished"}));
}

TEST_F(ScanFixture, StopWhileIdleIsClearedByTheNextScan)
{
    scan.RequestStop();
    EXPECT_TRUE(scan.StopRequested());
    scan.Scan(1, 3);
    EXPECT_FALSE(scan.StopRequested());
    EXPECT_EQ(log, (Log{"probe 1", "progress 1", "probe 2", "progress 2", "probe 3", "progress 3",
                        "finished"}));
}

TEST_F(ScanFixture, FailedOrEmptyAnswersAreNoDevice)
{
    line.answers[1] = {kS_OK, 0, "ignored", true};      // type 0
    line.answers[2] = {kE_FAIL, 33, "garbage", true};    // failed call with out-values written
    line.answers[3] = {kE_FAIL, 0, "", false};           // failed call leaving the type unwritten
    line.answers[4] = {kS_OK, 0, "", false};             // type never written: still 0
    line.answers[5] = {kS_OK, -7, "", true};             // any non-zero type is a device
    scan.Scan(1, 5);
    EXPECT_EQ(log, (Log{"probe 1", "progress 1", "probe 2", "progress 2", "probe 3", "progress 3",
                        "probe 4", "progress 4", "probe 5", "progress 5", "found 5 type -7",
                        "finished"}));
    EXPECT_EQ(host.texts, (std::vector<std::string>{""}));
}

TEST_F(ScanFixture, UnterminatedTextIsBoundedByTheBuffer)
{
    line.answers[1] = {kS_OK, 9, std::string(kProbeTextSize, 'A'), true};
    line.answers[2] = {kS_OK, 9, "", true};  // a text from a previous address must not leak
    scan.Scan(1, 2);
    ASSERT_EQ(host.texts.size(), 2u);
    EXPECT_EQ(host.texts[0], std::string(kProbeTextSize, 'A'));
    EXPECT_EQ(host.texts[1], "");
}

TEST_F(ScanFixture, RangeAtTheTopOfIntEnds)
{
    scan.Scan(INT_MAX, INT_MAX - 1);
    EXPECT_EQ(log.size(), 5u);
    EXPECT_EQ(log.back(), "finished");
}

}  // namespace
