// Copying one device's tags to other addresses: the address list a person types, the plan
// against what the server holds, and the plan carried out by the import's run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeTagServer.h"
#include "tagfile/DeviceCopy.h"
#include "tagfile/ImportRun.h"
#include "tagfile/TagFileReader.h"
#include "tree/RefreshPeriod.h"

namespace {

using Addresses = std::vector<std::uint32_t>;

std::vector<std::uint32_t> Range(std::uint32_t first, std::uint32_t last)
{
    std::vector<std::uint32_t> out;
    for (std::uint32_t a = first; a <= last; ++a) out.push_back(a);
    return out;
}

// "text:problem" of every refused entry.
std::string Refused(const AddressList& list)
{
    std::string out;
    for (const AddressEntry& e : list.refused) {
        const char* why = e.problem == AddressEntryProblem::NotAnAddress ? "text"
                          : e.problem == AddressEntryProblem::OutOfRange ? "range"
                                                                         : "backward";
        out += e.text + ":" + why + " ";
    }
    return out;
}

std::string Ids(const std::vector<PlannedTag>& tags)
{
    std::string out;
    for (const PlannedTag& t : tags)
        out += std::to_string(t.id.type) + "/" + std::to_string(t.id.address) + "/" + std::to_string(t.id.param) + " ";
    return out;
}

std::vector<ServerTag> ReadAll(CFakeTagServer& server, const CopySource& source)
{
    ServerTagsOptions options;
    options.wantPeriod = [&](const TagId& id) { return CopyNeedsPeriod(source, id); };
    return ReadServerTags(server, options).tags;
}

}  // namespace

TEST(AddressList, NumbersAndRangesSeparatedByCommasAndBlanks)
{
    struct Case {
        const char* text;
        Addresses addresses;
        const char* refused;
    };
    Addresses sixToTwenty = Range(6, 20);
    Addresses withTwentyFive = sixToTwenty;
    withTwentyFive.push_back(25);
    const Case cases[] = {
        {"6-20, 25", withTwentyFive, ""},
        {"25 6-20", withTwentyFive, ""},                  // any order; ascending out
        {"  6 - 20 ,\t25  ", withTwentyFive, ""},         // blanks around the dash and the commas
        {"6,,7\r\n8", {6, 7, 8}, ""},
        {"7, 7, 6-8, 8", {6, 7, 8}, ""},                  // given twice: taken once
        {"1 247 1-1", {1, 247}, ""},
        {"", {}, ""},
        {" , ", {}, ""},
        {"0", {}, "0:range "},
        {"248", {}, "248:range "},
        {"6-300", {}, "6-300:range "},                    // no part of a range that does not fit
        {"0-5", {}, "0-5:range "},
        {"99999999999999999999999", {}, "99999999999999999999999:range "},
        {"20-6", {}, "20-6:backward "},
        {"5, x, 7", {5, 7}, "x:text "},
        {"6-x 6-, -5 6-7-8 6x 5.5", {}, "6-x:text 6-:text -5:text 6-7-8:text 6x:text 5.5:text "},
        {"6-20, 300, 25", withTwentyFive, "300:range "},
    };
    for (const Case& c : cases) {
        const AddressList list = ReadAddressList(c.text);
        EXPECT_EQ(list.addresses, c.addresses) << c.text;
        EXPECT_EQ(Refused(list), c.refused) << c.text;
        EXPECT_EQ(list.Whole(), std::string(c.refused).empty()) << c.text;
    }
}

TEST(AddressList, WrittenAsTheReaderTakesIt)
{
    EXPECT_EQ(FormatAddressList({6, 7, 8, 25, 26}), "6-8, 25, 26");
    EXPECT_EQ(FormatAddressList({1}), "1");
    EXPECT_EQ(FormatAddressList({}), "");
    EXPECT_EQ(FormatAddressList(Range(1, 247)), "1-247");
    const Addresses odd = {2, 4, 5, 6, 7, 100, 102, 103, 247};
    EXPECT_EQ(FormatAddressList(odd), "2, 4-7, 100, 102, 103, 247");
    EXPECT_EQ(ReadAddressList(FormatAddressList(odd)).addresses, odd);
}

// Source PM3F at 5 (type 1): params 14 (2000 ms) and 2 (1000 ms).
class DeviceCopyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.Put(1, 5, 14, PeriodFromMs(2000));
        m_server.Put(1, 5, 2, PeriodFromMs(1000));
    }
    std::int64_t Period(std::uint32_t type, std::uint32_t address, std::uint32_t param)
    {
        const auto found = m_server.tags.find(CFakeTagServer::Tag{type, address, param});
        return found == m_server.tags.end() ? -1 : found->second;
    }
    CFakeTagServer m_server;
    const CopySource m_source{1, 5};
};

TEST_F(DeviceCopyTest, TargetsHoldingSomeTagsAnotherDeviceAndTheSourceInTheList)
{
    m_server.Put(1, 6, 14, PeriodFromMs(2000));  // already there
    m_server.Put(1, 6, 2, PeriodFromMs(500));    // another period
    m_server.Put(1, 6, 9, PeriodFromMs(700));    // a tag the source lacks: left alone
    m_server.Put(3, 7, 1, PeriodFromMs(100));    // another device at 7
    m_server.Put(1, 9, 2, PeriodFromMs(1000));   // at 9 the same type and the same period
    const std::vector<ServerTag> tags = ReadAll(m_server, m_source);
    EXPECT_EQ(m_server.calls.getTagInfo, 6u);  // the tags of type 1 only

    const DeviceCopyPlan copy = MakeDeviceCopyPlan(m_source, {9, 8, 7, 6, 5}, tags);
    EXPECT_EQ(copy.sourceTags, 2u);
    EXPECT_EQ(copy.targets, (Addresses{6, 8, 9}));
    ASSERT_EQ(copy.refused.size(), 2u);
    EXPECT_EQ(copy.refused[0].address, 5u);
    EXPECT_EQ(copy.refused[0].problem, CopyTargetProblem::SourceAddress);
    EXPECT_EQ(copy.refused[1].address, 7u);
    EXPECT_EQ(copy.refused[1].problem, CopyTargetProblem::OtherDevice);
    EXPECT_EQ(copy.refused[1].otherType, 3u);
    // Target by target, each in the source's (the server's) order.
    EXPECT_EQ(Ids(copy.plan.add), "1/8/2 1/8/14 1/9/14 ");
    EXPECT_EQ(Ids(copy.plan.change), "1/6/2 ");
    EXPECT_EQ(copy.plan.change[0].period, PeriodFromMs(1000));
    EXPECT_EQ(copy.plan.change[0].oldPeriod, PeriodFromMs(500));
    EXPECT_EQ(Ids(copy.plan.unchanged), "1/6/14 1/9/2 ");
    EXPECT_TRUE(copy.plan.remove.empty());

    // Carried out by the import's run: every copied tag with its source's period, nothing
    // at the refused addresses, nothing deleted.
    const ImportReport report = RunImportPlan(copy.plan, m_server);
    EXPECT_EQ(report.added, 3u);
    EXPECT_EQ(report.changed, 1u);
    EXPECT_EQ(report.unchanged, 2u);
    for (std::uint32_t address : {6u, 8u, 9u}) {
        EXPECT_EQ(Period(1, address, 14), PeriodFromMs(2000)) << address;
        EXPECT_EQ(Period(1, address, 2), PeriodFromMs(1000)) << address;
    }
    EXPECT_EQ(Period(1, 6, 9), PeriodFromMs(700));
    EXPECT_FALSE(m_server.Has(1, 7, 14));
    EXPECT_EQ(m_server.tags.size(), 10u);
    EXPECT_EQ(m_server.calls.deleteTag, 0u);
}

TEST_F(DeviceCopyTest, ARefusedTagIsReportedAndTheRestCopied)
{
    m_server.refuseAdd.insert({1, 8, 14});
    m_server.refusal = kE_INVALIDARG;
    const DeviceCopyPlan copy = MakeDeviceCopyPlan(m_source, {7, 8}, ReadAll(m_server, m_source));
    // Every answered call is told as it is made, the refused one with its result.
    std::string called;
    ImportRunOptions options;
    options.called = [&](ImportAction action, const PlannedTag& tag, HResult hr) {
        called += std::string(ImportActionName(action)) + " " + std::to_string(tag.id.address) + "/" +
                  std::to_string(tag.id.param) + (HrFailed(hr) ? " refused" : "") + ", ";
    };
    const ImportReport report = RunImportPlan(copy.plan, m_server, options);
    EXPECT_EQ(called, "add 7/2, add 7/14, add 8/2, add 8/14 refused, ");
    EXPECT_EQ(report.added, 3u);
    ASSERT_EQ(report.refused.size(), 1u);
    EXPECT_EQ(report.refused[0].id, (TagId{1, 8, 14}));
    EXPECT_EQ(report.refused[0].hr, kE_INVALIDARG);
    EXPECT_TRUE(m_server.Has(1, 8, 2));
    EXPECT_FALSE(m_server.Has(1, 8, 14));
}

TEST_F(DeviceCopyTest, ASourceWithoutTagsOrWithoutAPeriodCopiesNothingOfIt)
{
    const DeviceCopyPlan none = MakeDeviceCopyPlan(CopySource{1, 4}, {6, 7}, ReadAll(m_server, m_source));
    EXPECT_EQ(none.sourceTags, 0u);
    EXPECT_EQ(none.plan.Calls(), 0u);
    EXPECT_EQ(none.plan.unchanged.size(), 0u);

    // A source tag whose period the server did not give is not copied with a made-up one.
    std::vector<ServerTag> tags = ReadAll(m_server, m_source);
    ASSERT_EQ(tags.size(), 2u);
    tags[0].periodKnown = false;
    const TagId unknown = tags[0].id;
    const DeviceCopyPlan partial = MakeDeviceCopyPlan(m_source, {6}, tags);
    EXPECT_EQ(partial.sourceTags, 1u);
    EXPECT_EQ(partial.unknownPeriods, std::vector<TagId>{unknown});
    ASSERT_EQ(partial.plan.add.size(), 1u);
    EXPECT_NE(partial.plan.add[0].id.param, unknown.param);
}

// Another client's tags at the source that an import refuses are copied nowhere, each
// told once with the import's reason; the rest is copied.
TEST_F(DeviceCopyTest, ASourceTagAnImportRefusesIsNotCopiedAndToldWithItsReason)
{
    m_server.Put(1, 5, 65535, PeriodFromMs(1000));
    m_server.Put(1, 5, 0, PeriodFromMs(1000));
    m_server.Put(1, 5, 3, 7);                        // 0.0007 ms
    m_server.Put(1, 5, 4, PeriodFromMs(86400001));   // beyond a day
    m_server.Put(1, 5, 5, -PeriodFromMs(1));
    const DeviceCopyPlan copy = MakeDeviceCopyPlan(m_source, {6, 7}, ReadAll(m_server, m_source));
    EXPECT_EQ(copy.sourceTags, 7u);
    EXPECT_EQ(Ids(copy.plan.add), "1/6/2 1/6/14 1/7/2 1/7/14 ");
    std::vector<std::string> refused;
    for (const TagFileIssue& issue : copy.refusedTags)
        refused.push_back(std::to_string(issue.id.address) + "/" + std::to_string(issue.id.param) + ": " +
                          DescribeTagFileIssue(issue));
    EXPECT_EQ(refused, (std::vector<std::string>{
                           "5/0: param '0' is not a number from 1 to 65534",
                           "5/3: period_ms '0.0007' is not a whole number of milliseconds from 0 to 86400000",
                           "5/4: period_ms '86400001' is not a whole number of milliseconds from 0 to 86400000",
                           "5/5: period_ms '-1' is not a whole number of milliseconds from 0 to 86400000",
                           "5/65535: param '65535' is not a number from 1 to 65534"}));

    // The same check as a file's row of the same values, word for word.
    const TagFileContent file = ReadTagFile("device;address;type;param;name;period_ms\n;6;1;3;;0.0007\n");
    ASSERT_EQ(file.issues.size(), 1u);
    EXPECT_EQ(DescribeTagFileIssue(file.issues[0]), DescribeTagFileIssue(copy.refusedTags[1]));

    RunImportPlan(copy.plan, m_server);
    for (std::uint32_t param : {0u, 3u, 4u, 5u, 65535u}) EXPECT_FALSE(m_server.Has(1, 6, param)) << param;
}

TEST_F(DeviceCopyTest, TheSearchOffersDevicesOfTheTypeWithoutTags)
{
    m_server.Put(1, 6, 14, PeriodFromMs(2000));  // 6 is configured already
    m_server.Put(3, 7, 1, PeriodFromMs(100));    // 7 holds another device's tags
    const std::vector<FoundAtAddress> found = {{1, 9}, {1, 6}, {1, 7}, {2, 10}, {1, 5}, {1, 8}, {1, 250}, {1, 9}};
    EXPECT_EQ(SearchedCopyTargets(m_source, found, ReadAll(m_server, m_source)), (Addresses{8, 9}));
    EXPECT_TRUE(SearchedCopyTargets(m_source, {}, ReadAll(m_server, m_source)).empty());
}

TEST(DeviceCopy, RereadingTheListPaysOnlyWhenItTakesFewerCallsThanTheCopy)
{
    std::vector<ServerTag> tags;
    for (std::uint32_t p = 1; p <= 200; ++p) tags.push_back(ServerTag{TagId{1, 5, p}, 0, true});
    EXPECT_TRUE(RereadingIsCheaper(tags, CopySource{1, 5}, 20000));  // 401 calls against 20,000
    EXPECT_FALSE(RereadingIsCheaper(tags, CopySource{1, 5}, 401));
    for (std::uint32_t p = 1; p <= 5000; ++p) tags.push_back(ServerTag{TagId{2, 9, p}, 0, false});
    EXPECT_FALSE(RereadingIsCheaper(tags, CopySource{1, 5}, 400));  // a large server, a small copy
}
