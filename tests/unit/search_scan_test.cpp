#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "search/SearchScan.h"

namespace {

using Log = std::vector<std::string>;

struct Answer {
    HResult hr;
    std::int32_t type;
    std::string text;        // copied without a NUL when it fills the buffer
    bool writeType = true;   // false: the call leaves the type as it found it
};

// A line of devices (unlisted addresses answer type 0) and a host whose queue may hold one
// stop request, which arrives while `stopArrivesAt` is probed. Everything goes into one log.
class FakeLineAndHost final : public ITagServer, public ISearchScanHost {
public:
    Log log;
    std::map<std::uint32_t, Answer> answers;
    std::uint32_t stopArrivesAt = 0;
    bool stopWaiting = false;
    std::uint32_t abortArrivesAt = 0;
    bool abortWaiting = false;
    std::vector<std::string> texts;
    CSearchScan scan{*this, *this};

    HResult ProbeDevice(std::uint32_t address, unsigned char text[kProbeTextSize],
                        std::int32_t* type) override
    {
        log.push_back("probe " + std::to_string(address));
        stopWaiting = stopWaiting || address == stopArrivesAt;
        abortWaiting = abortWaiting || address == abortArrivesAt;
        const auto it = answers.find(address);
        const Answer a = it != answers.end() ? it->second : Answer{kS_OK, 0, ""};
        if (a.writeType)
            *type = a.type;
        std::memcpy(text, a.text.data(), std::min<std::size_t>(a.text.size(), kProbeTextSize));
        return a.hr;
    }
    void DispatchOneWaitingMessage() override
    {
        if (abortWaiting) {
            abortWaiting = false;
            scan.RequestAbort();
            log.push_back("abort");
            return;
        }
        if (stopWaiting) {
            stopWaiting = false;
            scan.RequestStop();
            log.push_back("stop");
        }
    }
    void OnScanProgress(int address) override { log.push_back("progress " + std::to_string(address)); }
    void OnDeviceFound(std::int32_t type, const std::string& text, int address) override
    {
        log.push_back("found " + std::to_string(address) + " type " + std::to_string(type));
        texts.push_back(text);
    }
    void OnScanFinished() override { log.push_back("finished"); }

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
};

TEST(SearchScan, ReversedRangeRunsUpwardWithReportsInOrder)
{
    FakeLineAndHost f;
    f.answers[4] = {kS_OK, 17, "Meter"};
    f.scan.Scan(5, 3);
    EXPECT_EQ(f.scan.StartAddress(), 3);
    EXPECT_EQ(f.scan.EndAddress(), 5);
    EXPECT_EQ(f.log, (Log{"probe 3", "progress 3", "probe 4", "progress 4", "found 4 type 17",
                          "probe 5", "progress 5", "finished"}));
    EXPECT_EQ(f.texts, (std::vector<std::string>{"Meter"}));

    FakeLineAndHost single;
    single.answers[255] = {kS_OK, 255, "X"};
    single.scan.Scan(255, 255);
    EXPECT_EQ(single.log, (Log{"probe 255", "progress 255", "found 255 type 255", "finished"}));
}

TEST(SearchScan, StopDuringAProbeEndsAfterTheNextAddress)
{
    FakeLineAndHost f;
    f.answers[4] = {kS_OK, 1, "A"};
    f.answers[5] = {kS_OK, 2, "B"};
    f.stopArrivesAt = 4;
    f.scan.Scan(3, 9);
    EXPECT_EQ(f.log, (Log{"probe 3", "progress 3", "probe 4", "progress 4", "found 4 type 1",
                          "stop", "probe 5", "progress 5", "finished"}));
}

TEST(SearchScan, AbortDuringAProbeEndsBeforeTheNextProbe)
{
    FakeLineAndHost f;
    f.answers[4] = {kS_OK, 1, "A"};
    f.answers[5] = {kS_OK, 2, "B"};
    f.abortArrivesAt = 4;
    f.scan.Scan(3, 9);
    EXPECT_EQ(f.log, (Log{"probe 3", "progress 3", "probe 4", "progress 4", "found 4 type 1",
                          "abort", "finished"}));
}

TEST(SearchScan, StopWhileIdleIsClearedByTheNextScan)
{
    FakeLineAndHost f;
    f.scan.RequestStop();
    f.scan.RequestAbort();
    f.scan.Scan(1, 2);
    EXPECT_FALSE(f.scan.StopRequested());
    EXPECT_FALSE(f.scan.AbortRequested());
    EXPECT_EQ(f.log, (Log{"probe 1", "progress 1", "probe 2", "progress 2", "finished"}));
}

TEST(SearchScan, FailedOrEmptyAnswersAreNoDevice)
{
    FakeLineAndHost f;
    f.answers[1] = {kS_OK, 0, "ignored"};
    f.answers[2] = {kE_FAIL, 33, "garbage"};        // failed call with out-values written
    f.answers[3] = {kE_FAIL, 0, "", false};         // failed call leaving the type unwritten
    f.answers[4] = {kS_OK, 0, "", false};           // type never written: still no device
    f.answers[5] = {kS_OK, -7, ""};                 // any other type is a device
    f.scan.Scan(1, 5);
    EXPECT_EQ(std::count_if(f.log.begin(), f.log.end(),
                            [](const std::string& s) { return s.rfind("found", 0) == 0; }), 1);
    EXPECT_EQ(f.log[f.log.size() - 2], "found 5 type -7");
}

TEST(SearchScan, TextIsBoundedAndFreshPerAddress)
{
    FakeLineAndHost f;
    f.answers[1] = {kS_OK, 9, std::string(kProbeTextSize, 'A')};  // no NUL within the buffer
    f.answers[2] = {kS_OK, 9, ""};  // must not show address 1's text
    f.scan.Scan(1, 2);
    EXPECT_EQ(f.texts, (std::vector<std::string>{std::string(kProbeTextSize, 'A'), ""}));

    FakeLineAndHost top;  // the loop must not overflow at the top of int
    top.scan.Scan(INT_MAX, INT_MAX - 1);
    EXPECT_EQ(top.log.size(), 5u);
}

}  // namespace

TEST(SearchScan, ALostConnectionEndsTheScanAtThatAddressAndSaysSo)
{
    FakeLineAndHost f;
    f.answers[2] = {kS_OK, 17, "Meter"};
    f.answers[3] = {static_cast<HResult>(0x800706BAu), 0, ""};
    f.scan.Scan(1, 6);
    EXPECT_EQ(f.log, (Log{"probe 1", "progress 1", "probe 2", "progress 2", "found 2 type 17", "probe 3",
                          "progress 3", "finished"}));
    EXPECT_EQ(f.scan.ConnectionLost(), static_cast<HResult>(0x800706BAu));

    // A refusal of the server's own is no device, and the next scan starts afresh.
    f.log.clear();
    f.answers[3] = {kE_FAIL, 0, ""};
    f.scan.Scan(3, 4);
    EXPECT_EQ(f.log, (Log{"probe 3", "progress 3", "probe 4", "progress 4", "finished"}));
    EXPECT_EQ(f.scan.ConnectionLost(), kS_OK);
}
