// zolsrv.exe through real COM: every operation over the proxy, persistence across
// RestartServer, each fault, bad arguments, corrupt state files and the object count.
#include <cstring>
#include <string>
#include <vector>

#include "standin_support.h"

using namespace standin_test;

namespace {

struct Walked {
    ULONG type, address, param;
    bool operator==(const Walked& o) const
    {
        return type == o.type && address == o.address && param == o.param;
    }
};

// The configurator's walk, with a guard against a walk that never ends.
std::vector<Walked> WalkTags(IAddTags* tags, HRESULT* firstFailure = nullptr, int limit = 100)
{
    std::vector<Walked> seen;
    ULONG cursor = 0, r1 = 0, r2 = 0;
    do {
        Walked w{};
        const HRESULT hr = tags->EnumTags(&cursor, &w.type, &w.address, &w.param, &r1, &r2);
        if (FAILED(hr)) {
            if (firstFailure) *firstFailure = hr;
            break;
        }
        seen.push_back(w);
    } while (cursor != 0 && static_cast<int>(seen.size()) < limit);
    return seen;
}

class StandinCom : public StandinTest {};

TEST_F(StandinCom, EveryOperationThroughTheProxy)
{
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);

    HRESULT failure = S_OK;
    EXPECT_TRUE(WalkTags(tags, &failure).empty());
    EXPECT_TRUE(FAILED(failure)) << "no tags: the first EnumTags fails";

    EXPECT_EQ(tags->AddTag(3, 17, 2, 20000000), S_OK);
    EXPECT_EQ(tags->AddTag(1, 200, 9, 10000LL * 1000000), S_OK);
    EXPECT_EQ(tags->AddTag(3, 5, 1, 0), S_OK);
    EXPECT_EQ(tags->AddTag(3, 17, 2, 30000000), S_OK) << "existing tag: period set";
    EXPECT_EQ(tags->AddTag(2, 2, 2, 0), S_OK);
    EXPECT_EQ(tags->DeleteTag(2, 2, 2), S_OK);
    EXPECT_TRUE(FAILED(tags->DeleteTag(2, 2, 2)));

    const std::vector<Walked> expected = {{1, 200, 9}, {3, 5, 1}, {3, 17, 2}};
    EXPECT_EQ(WalkTags(tags), expected);

    ULONG low = 1, high = 1;
    ASSERT_EQ(tags->GetTagInfo(3, 17, 2, &low, &high), S_OK);
    EXPECT_EQ(low, 30000000u);
    EXPECT_EQ(high, 0u);
    ASSERT_EQ(tags->GetTagInfo(1, 200, 9, &low, &high), S_OK);
    EXPECT_EQ((static_cast<ULONGLONG>(high) << 32) | low, 10000ULL * 1000000);
    EXPECT_TRUE(FAILED(tags->GetTagInfo(9, 9, 9, &low, &high)));

    unsigned short port = 0;
    ULONG baud = 0;
    unsigned char bits = 0, stop = 9, parity = 9;
    ASSERT_EQ(tags->GetComSettings(&port, &baud, &bits, &stop, &parity), S_OK);
    EXPECT_EQ(port, 1);
    EXPECT_EQ(baud, 9600u);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(stop, 0);
    EXPECT_EQ(parity, 0);
    ASSERT_EQ(tags->SetComSettings(3, 115200, 7, 2, 4), S_OK);
    ASSERT_EQ(tags->GetComSettings(&port, &baud, &bits, &stop, &parity), S_OK);
    EXPECT_EQ(port, 3);
    EXPECT_EQ(baud, 115200u);
    EXPECT_EQ(bits, 7);
    EXPECT_EQ(stop, 2);
    EXPECT_EQ(parity, 4);

    EXPECT_EQ(tags->Reserved(), E_NOTIMPL);
}

}  // namespace
