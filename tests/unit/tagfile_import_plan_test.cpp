#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeTagServer.h"
#include "server/ServerErrors.h"
#include "tagfile/ImportPlan.h"
#include "tagfile/ImportRun.h"
#include "tagfile/ServerTags.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagFileWriter.h"
#include "tagfile_test_support.h"

namespace {

using Tag = CFakeTagServer::Tag;

std::string Ids(const std::vector<PlannedTag>& tags)
{
    std::string out;
    for (const PlannedTag& t : tags)
        out += std::to_string(t.id.type) + "/" + std::to_string(t.id.address) + "/" + std::to_string(t.id.param) + " ";
    return out;
}

TagFileContent Read(const std::string& rows)
{
    return ReadTagFile("device;address;type;param;name;period_ms\n" + rows);
}

TEST(ImportPlan, SortsRowsIntoAddChangeUnchangedAndWithReplaceDelete)
{
    CFakeTagServer server;
    server.Put(1, 5, 1, 10000);   // unchanged
    server.Put(1, 5, 2, 10000);   // change to 2 ms
    server.Put(1, 5, 3, 10000);   // only on the server
    server.Put(2, 9, 9, 15000);   // only on the server, odd period
    const TagFileContent file = Read(";5;1;2;;2\n;5;1;4;;4\n;5;1;1;;1\n;6;1;1;;0\n");
    ASSERT_EQ(file.rows.size(), 4u);

    const CTagIdSet inFile(file.rows);
    ServerTagsOptions options;
    options.wantPeriod = [&](const TagId& id) { return inFile.Contains(id); };
    const ServerTagList list = ReadServerTags(server, options);
    ASSERT_TRUE(list.HasEveryTag());
    EXPECT_FALSE(list.Complete());  // two periods were not asked: no snapshot stands on it
    EXPECT_EQ(server.calls.getTagInfo, 2u);  // only tags the file also holds

    const ImportPlan keep = MakeImportPlan(file.rows, list.tags, false);
    EXPECT_EQ(Ids(keep.add), "1/5/4 1/6/1 ");
    EXPECT_EQ(Ids(keep.change), "1/5/2 ");
    EXPECT_EQ(keep.change[0].oldPeriod, 10000);
    EXPECT_EQ(keep.change[0].period, 20000);
    EXPECT_EQ(keep.change[0].line, 2);
    EXPECT_EQ(Ids(keep.unchanged), "1/5/1 ");
    EXPECT_TRUE(keep.remove.empty());

    const ImportPlan replace = MakeImportPlan(file.rows, list.tags, true);
    EXPECT_EQ(Ids(replace.remove), "1/5/3 2/9/9 ");
    EXPECT_EQ(replace.Calls(), 5u);

    // A period the server did not give is set from the file.
    std::vector<ServerTag> unknown = list.tags;
    for (ServerTag& t : unknown) t.periodKnown = false;
    EXPECT_EQ(Ids(MakeImportPlan(file.rows, unknown, false).change), "1/5/2 1/5/1 ");
}

// A replace never deletes a tag that any row of the file names, valid or not, and with
// invalid rows it is blocked unless the caller goes ahead knowingly.
class ReplaceWithInvalidRows : public tagfile_test::CatalogueTest {
protected:
    // The server holds 1/1/1..1/1/4 (PM3F, 1 ms each); the file keeps 1/1/2 and, in one or
    // more invalid rows, names others.
    void Check(const std::string& invalidRows, const std::string& keptIds, const std::string& removedIds,
               bool strict = false)
    {
        CFakeTagServer server;
        for (std::uint32_t p = 1; p <= 4; ++p) server.Put(1, 1, p, 10000);
        const TagNames naming = CatalogueTagNames(UnnamedPartTexts());
        TagFileReadOptions options;
        options.naming = &naming;
        options.strict = strict;
        const TagFileContent file =
            ReadTagFile("device;address;type;param;name;period_ms\nPM3F;1;1;2;;1\n" + invalidRows, options);
        ASSERT_NE(file.invalidRows, 0u) << invalidRows;
        const std::vector<ServerTag> tags = ReadServerTags(server).tags;

        ImportPlanOptions replace;
        replace.replace = true;
        const ImportPlan blocked = MakeImportPlan(file, tags, replace);
        EXPECT_TRUE(blocked.blocked);
        EXPECT_EQ(Ids(blocked.kept), keptIds) << invalidRows;
        EXPECT_EQ(Ids(blocked.remove), removedIds) << invalidRows;
        const std::size_t callsBefore = server.calls.Total();
        const ImportReport nothing = RunImportPlan(blocked, server);
        EXPECT_TRUE(nothing.blocked);
        EXPECT_EQ(nothing.notAttempted, blocked.Calls());
        EXPECT_EQ(server.calls.Total(), callsBefore) << "a blocked plan sends nothing";

        replace.despiteInvalidRows = true;
        const ImportPlan plan = MakeImportPlan(file, tags, replace);
        EXPECT_FALSE(plan.blocked);
        const ImportReport report = RunImportPlan(plan, server);
        EXPECT_FALSE(report.blocked);
        EXPECT_EQ(report.invalidRows, file.invalidRows);
        for (const PlannedTag& kept : plan.kept)
            EXPECT_TRUE(server.Has(kept.id.type, kept.id.address, kept.id.param)) << invalidRows;
        EXPECT_TRUE(server.Has(1, 1, 2));
        EXPECT_EQ(server.tags.size(), 1 + plan.kept.size()) << "the tags no row names are deleted";
    }
};

TEST_F(ReplaceWithInvalidRows, OddPeriodsAsExportWritesThem)
{
    // 1.0001 ms and 100,000,000 ms: written by export with a warning, refused by import.
    Check("PM3F;1;1;1;PM3F(001).;1.0001\nPM3F;1;1;3;;100000000\n", "1/1/1 1/1/3 ", "1/1/4 ");
}

TEST_F(ReplaceWithInvalidRows, ATagTwiceWithDifferentPeriods)
{
    Check(";1;1;3;;100\n;1;1;3;;200\n", "1/1/3 ", "1/1/1 1/1/4 ");
}

TEST_F(ReplaceWithInvalidRows, APeriodTypoAndValuesOutsideTheFilesRanges)
{
    // A row that names its tag with numbers out of range still names it; one whose numbers
    // are not numbers names nothing.
    Check(";1;1;3;;2000.5\n;1;1;4;;\n;x;1;1;;5\n", "1/1/3 1/1/4 ", "1/1/1 ");
    CFakeTagServer server;
    server.Put(1, 255, 65535, 0);  // outside what a file may carry; export writes it
    server.Put(300, 1, 1, 0);
    ImportPlanOptions replace;
    replace.replace = true;
    const TagFileContent file = Read(";255;1;65535;;0\n;1;300;1;;0\n");
    const ImportPlan plan = MakeImportPlan(file, ReadServerTags(server).tags, replace);
    EXPECT_EQ(Ids(plan.remove), "");
    EXPECT_EQ(Ids(plan.kept), "1/255/65535 300/1/1 ");
    EXPECT_EQ(plan.kept[0].line, 2);
}

TEST_F(ReplaceWithInvalidRows, ANameThatDiffersWhenStrict)
{
    Check("PM3F;1;1;3;PM3F(001).Wrong;1\n", "1/1/3 ", "1/1/1 1/1/4 ", true);
}

// A row refused only for a param or period a tag on the server may have (as export writes
// them) names that tag: no fault when the server holds it so, never added nor set.
TEST(ExistingTagRows, OnlyParamAndPeriodValuesTheServerMayHoldCanNameATag)
{
    const TagFileContent file = Read(
        ";50;1;65535;;2000\n"        // 2: param the interface carries, never added
        ";50;1;0;;2000\n"            // 3
        ";51;1;1;;0.0007\n"          // 4: 7 units, as export writes them
        ";51;1;2;;-1.5\n"            // 5
        ";51;1;3;;90000000\n"        // 6: beyond a day
        ";51;1;4;;2000.0\n"          // 7: no period export writes
        ";51;1;5;;1.00005\n"         // 8: finer than the server's unit
        ";51;1;6;;-0\n"              // 9
        ";50;1;65536;;2000\n"        // 10: more than 16 bits
        ";248;1;65535;;2000\n"       // 11: the address fails first
        ";300;x;1;;0\n");            // 12: the first faulty column is told, whatever its fault
    EXPECT_TRUE(file.rows.empty());
    std::string marked;
    for (const TagFileIssue& issue : file.issues)
        if (issue.existingTag) marked += std::to_string(issue.line) + "=" + std::to_string(issue.period) + " ";
    EXPECT_EQ(marked, "2=20000000 3=20000000 4=7 5=-15000 6=900000000000 ");
    EXPECT_EQ(tagfile_test::IssueList(file),
              (std::vector<std::string>{"2:param '65535' is not a number from 1 to 65534",
                                        "3:param '0' is not a number from 1 to 65534",
                                        "4:period_ms '0.0007' is not a whole number of milliseconds from 0 to 86400000",
                                        "5:period_ms '-1.5' is not a whole number of milliseconds from 0 to 86400000",
                                        "6:period_ms '90000000' is not a whole number of milliseconds from 0 to 86400000",
                                        "7:period_ms '2000.0' is not a whole number of milliseconds from 0 to 86400000",
                                        "8:period_ms '1.00005' is not a whole number of milliseconds from 0 to 86400000",
                                        "9:period_ms '-0' is not a whole number of milliseconds from 0 to 86400000",
                                        "10:param '65536' is not a number from 1 to 65534",
                                        "11:address '248' is not a number from 1 to 247",
                                        "12:type 'x' is not a number from 1 to 255"}));
}

TEST(ExistingTagRows, ARowTheServerHoldsSoIsUnchangedAnyOtherStaysInvalid)
{
    CFakeTagServer server;
    server.Put(1, 50, 65535, 20000000);  // as the file says
    server.Put(1, 51, 1, 7);             // as the file says: 0.0007 ms
    server.Put(1, 51, 2, 10000);         // the file says 0.0007 ms
    server.Put(1, 52, 0, 0);             // the file lacks it
    const std::string rows =
        ";50;1;65535;;2000\n;51;1;1;;0.0007\n;51;1;2;;0.0007\n;53;1;65535;;1\n;50;1;65535;;2000\n;51;1;3;;1\n";
    TagFileContent file = Read(rows);
    ASSERT_EQ(file.invalidRows, 5u);
    const CTagIdSet inFile(file);
    ServerTagsOptions options;
    options.wantPeriod = [&](const TagId& id) { return inFile.Contains(id); };
    const std::vector<ServerTag> tags = ReadServerTags(server, options).tags;
    EXPECT_EQ(server.calls.getTagInfo, 3u);  // the tags the rows name, usable or not

    EXPECT_EQ(SettleExistingTagRows(&file, tags), 3u);  // the repeat of line 2 counts once more
    EXPECT_EQ(file.invalidRows, 2u);
    ASSERT_EQ(file.rows.size(), 3u);
    EXPECT_EQ(file.rows[0].line, 2);
    EXPECT_EQ(file.rows[1].line, 3);
    EXPECT_EQ(file.rows[1].period, 7);
    EXPECT_EQ(file.rows[2].line, 7);
    EXPECT_EQ(tagfile_test::IssueList(file),
              (std::vector<std::string>{
                  "4:period_ms '0.0007' is not a whole number of milliseconds from 0 to 86400000; the server does not "
                  "hold this tag with this period, and an import never adds it nor sets it",
                  "5:param '65535' is not a number from 1 to 65534; the server does not hold this tag with this "
                  "period, and an import never adds it nor sets it"}));

    // Replaced, the server's tags the settled rows name stay and nothing is sent for them;
    // the others' tags are kept, and the file's invalid rows block it as before.
    ImportPlanOptions replace;
    replace.replace = true;
    const ImportPlan plan = MakeImportPlan(file, tags, replace);
    EXPECT_EQ(Ids(plan.unchanged), "1/50/65535 1/51/1 ");
    EXPECT_EQ(Ids(plan.add), "1/51/3 ");
    EXPECT_EQ(Ids(plan.kept), "1/51/2 ");
    EXPECT_EQ(Ids(plan.remove), "1/52/0 ");
    EXPECT_TRUE(plan.blocked);

    // A usable row of the same tag with another period leaves the odd one invalid.
    server.Put(1, 51, 3, 7);
    TagFileContent two = Read(";51;1;3;;1\n;51;1;3;;0.0007\n");
    EXPECT_EQ(SettleExistingTagRows(&two, ReadServerTags(server).tags), 0u);
    EXPECT_EQ(two.invalidRows, 1u);

    // A period typed wrong for a tag the server lacks keeps its plain reason.
    TagFileContent typo = Read(";60;1;1;;2.5\n");
    SettleExistingTagRows(&typo, ReadServerTags(server).tags);
    EXPECT_EQ(tagfile_test::IssueList(typo),
              std::vector<std::string>{"2:period_ms '2.5' is not a whole number of milliseconds from 0 to 86400000"});
}

TEST(ImportPlan, WithoutReplaceOrInvalidRowsNothingIsBlockedOrKept)
{
    CFakeTagServer server;
    server.Put(1, 1, 1, 0);
    server.Put(1, 1, 2, 0);
    const std::vector<ServerTag> tags = ReadServerTags(server).tags;
    ImportPlanOptions options;
    const TagFileContent invalid = Read(";1;1;1;;0.5\n;1;1;3;;1\n");
    const ImportPlan add = MakeImportPlan(invalid, tags, options);
    EXPECT_FALSE(add.blocked);
    EXPECT_EQ(Ids(add.add), "1/1/3 ");
    EXPECT_TRUE(add.kept.empty() && add.remove.empty());

    options.replace = true;
    const ImportPlan clean = MakeImportPlan(Read(";1;1;1;;0\n"), tags, options);
    EXPECT_FALSE(clean.blocked);
    EXPECT_EQ(Ids(clean.remove), "1/1/2 ");
}

TEST(ImportRun, RefusalsAreListedAndTheRestIsDone)
{
    CFakeTagServer server;
    server.Put(1, 5, 2, 10000);
    server.Put(1, 5, 3, 0);
    server.Put(1, 5, 4, 0);
    server.refuseAdd = {Tag{1, 5, 7}};
    server.refuseDelete = {Tag{1, 5, 3}};
    server.refusal = kE_INVALIDARG;
    const TagFileContent file = Read(";5;1;6;;6\n;5;1;7;;7\n;5;1;8;;8\n;5;1;2;;2\n;5;1;1;;x\n");
    const ServerTagList list = ReadServerTags(server);
    const ImportPlan plan = MakeImportPlan(file.rows, list.tags, true);

    std::vector<std::size_t> progress;
    ImportRunOptions options;
    options.progress = [&](std::size_t done, std::size_t total) { progress.push_back(done * 100 + total); };
    ImportReport report = RunImportPlan(plan, server, options);
    report.invalidRows = file.invalidRows;

    EXPECT_EQ(FormatImportSummary(report), "added 2, changed 1, deleted 1, unchanged 0, refused 2, invalid rows 1");
    ASSERT_EQ(report.refused.size(), 2u);
    EXPECT_EQ(report.refused[0].action, ImportAction::Add);
    EXPECT_EQ(report.refused[0].line, 3);
    EXPECT_EQ(report.refused[0].hr, kE_INVALIDARG);
    EXPECT_EQ(report.refused[1].action, ImportAction::Delete);
    EXPECT_EQ(report.refused[1].id, (TagId{1, 5, 3}));
    EXPECT_EQ(report.notAttempted, 0u);
    EXPECT_FALSE(report.disconnected);
    // Adds and changes first, deletions last.
    EXPECT_EQ(server.deleteOrder.size(), 2u);
    EXPECT_EQ(server.addOrder.size(), 4u);
    EXPECT_EQ(progress, (std::vector<std::size_t>{106, 206, 306, 406, 506, 606}));
    EXPECT_EQ(server.tags.at(Tag{1, 5, 2}), 20000);
    EXPECT_TRUE(server.Has(1, 5, 3));
    EXPECT_FALSE(server.Has(1, 5, 4));
}

TEST(ImportRun, AServerThatDiesEndsTheRunAndWhatWasDoneIsReported)
{
    CFakeTagServer server;
    const TagFileContent file = Read(";1;1;1;;1\n;2;1;1;;1\n;3;1;1;;1\n;4;1;1;;1\n;5;1;1;;1\n");
    const ServerTagList list = ReadServerTags(server);  // empty: one failing EnumTags
    ASSERT_TRUE(list.Complete());
    const ImportPlan plan = MakeImportPlan(file.rows, list.tags, false);
    server.dieAfterCalls = server.calls.Total() + 2;

    const ImportReport report = RunImportPlan(plan, server);
    EXPECT_TRUE(report.disconnected);
    EXPECT_EQ(report.disconnectResult, kRPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(report.added, 2u);
    EXPECT_EQ(report.notAttempted, 3u);
    EXPECT_TRUE(report.refused.empty());
    EXPECT_EQ(server.tags.size(), 2u);

    CFakeTagServer stopping;
    int asked = 0;
    ImportRunOptions options;
    options.stop = [&] { return ++asked > 3; };
    const ImportReport stopped = RunImportPlan(plan, stopping, options);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.added, 3u);
    EXPECT_EQ(stopped.notAttempted, 2u);
}

TEST(ServerTags, TheWalkIsBoundedAndLossesAndRefusalsAreTold)
{
    CFakeTagServer endless;
    for (std::uint32_t p = 1; p <= 5; ++p) endless.Put(1, 1, p, p * 10000);
    endless.enumMode = CFakeTagServer::EnumMode::Endless;
    ServerTagList list = ReadServerTags(endless);
    EXPECT_EQ(list.walk.end, TagWalkEnd::RepeatedTag);
    EXPECT_EQ(list.tags.size(), 5u);
    EXPECT_FALSE(list.Complete());
    EXPECT_EQ(list.tags[4].period, 50000);

    CFakeTagServer failing;
    failing.Put(1, 1, 1);
    failing.enumMode = CFakeTagServer::EnumMode::AlwaysFail;
    ServerTagsOptions few;
    few.maxFailuresInRow = 10;
    EXPECT_EQ(ReadServerTags(failing, few).walk.end, TagWalkEnd::FailureLimit);
    EXPECT_EQ(failing.calls.enumTags, 10u);

    CFakeTagServer dying;
    for (std::uint32_t p = 1; p <= 5; ++p) dying.Put(1, 1, p);
    dying.dieAfterCalls = 3;
    list = ReadServerTags(dying);
    EXPECT_TRUE(list.disconnected);
    EXPECT_EQ(list.tags.size(), 3u);
    EXPECT_EQ(dying.calls.enumTags, 3u);  // no thousand retries against a dead server

    CFakeTagServer refusing;
    refusing.Put(1, 1, 1, 5);
    refusing.refuseGetTagInfo = true;
    list = ReadServerTags(refusing);
    EXPECT_TRUE(list.HasEveryTag());
    EXPECT_EQ(list.Gap(), TagListGap::PeriodMissing);
    EXPECT_EQ(list.periodFailures, 1u);
    EXPECT_EQ(list.firstPeriodFailure, kE_FAIL);
    EXPECT_FALSE(list.tags[0].periodKnown);
}

TEST(ServerTags, AListThatEndsOnAFailedCallIsToldFromOneThatEndsWell)
{
    CFakeTagServer server;
    for (std::uint32_t p = 1; p <= 3; ++p) server.Put(1, 1, p);
    server.failingEnumCalls = {1};
    server.refusal = kE_FAIL;
    ServerTagList list = ReadServerTags(server);
    EXPECT_TRUE(list.tags.empty());
    EXPECT_TRUE(list.walk.endedOnFailure);
    EXPECT_EQ(list.walk.lastFailure, kE_FAIL);

    // The empty list of a first call that fails is what an empty server gives: whole.
    EXPECT_TRUE(list.Complete());

    // A failure in the middle that the walk gets past, and a clean walk, end well.
    server.calls = {};
    server.failingEnumCalls = {2};
    list = ReadServerTags(server);
    EXPECT_EQ(list.tags.size(), 3u);
    EXPECT_FALSE(list.walk.endedOnFailure);
    EXPECT_TRUE(list.Complete());

    // A list that breaks off on a failed call after some tags is never whole, periods or not.
    server.calls = {};
    server.failingEnumCalls = {3};
    server.failingEnumEndsWalk = true;
    list = ReadServerTags(server);
    EXPECT_EQ(list.tags.size(), 2u);
    EXPECT_EQ(list.walk.end, TagWalkEnd::Completed);
    EXPECT_EQ(list.Gap(), TagListGap::EndedOnFailure);
    EXPECT_FALSE(list.Complete());
    EXPECT_FALSE(list.HasEveryTag());
}

TEST(ServerTags, WholenessAsksTheReasonsInOrder)
{
    ServerTagList list;
    list.tags.resize(2);
    for (ServerTag& t : list.tags) t.periodKnown = true;
    EXPECT_EQ(list.Gap(), TagListGap::None);
    list.tags[1].periodKnown = false;  // not asked: no refusal counted, still a gap
    EXPECT_EQ(list.Gap(), TagListGap::PeriodMissing);
    EXPECT_EQ(list.Gap(false), TagListGap::None);
    list.walk.endedOnFailure = true;
    EXPECT_EQ(list.Gap(false), TagListGap::EndedOnFailure);
    list.walk.end = TagWalkEnd::RepeatedTag;
    EXPECT_EQ(list.Gap(), TagListGap::WalkUnended);
    list.stopped = true;
    EXPECT_EQ(list.Gap(), TagListGap::Stopped);
    list.disconnected = true;
    EXPECT_EQ(list.Gap(), TagListGap::Disconnected);
}

// Each gap is told in the front end's pattern for it, with the numbers of that gap.
TEST(ServerTags, AGapIsToldInTheFrontEndsWordsWithItsNumbers)
{
    const TagListGapWords words{
        [](HResult hr) { return "#" + std::to_string(static_cast<std::uint32_t>(hr) & 0xFFFFu); },
        "gone {hr}", "stopped", "again after {count}", "{failed} failed, last {hr}, after {count}",
        "broke off on {hr} {hr}", "{count} without periods, first {hr}"};
    ServerTagList list;
    list.tags.resize(3);
    for (ServerTag& t : list.tags) t.periodKnown = true;
    EXPECT_EQ(DescribeTagListGap(list, words), "");
    list.periodFailures = 2;
    list.firstPeriodFailure = static_cast<HResult>(0x80070490u);
    EXPECT_EQ(DescribeTagListGap(list, words), "2 without periods, first #1168");
    list.walk.endedOnFailure = true;
    list.walk.lastFailure = kE_FAIL;
    EXPECT_EQ(DescribeTagListGap(list, words), "broke off on #16389 #16389");
    list.walk.end = TagWalkEnd::FailureLimit;
    list.walk.failedCalls = 1000;
    list.walk.tags = 3;
    EXPECT_EQ(DescribeTagListGap(list, words), "1000 failed, last #16389, after 3");
    list.walk.end = TagWalkEnd::RepeatedTag;
    EXPECT_EQ(DescribeTagListGap(list, words), "again after 3");
    list.stopped = true;
    EXPECT_EQ(DescribeTagListGap(list, words), "stopped");
    list.disconnected = true;
    list.disconnectResult = static_cast<HResult>(0x800706BAu);
    EXPECT_EQ(DescribeTagListGap(list, words), "gone #1722");
    // A brace that names nothing stays as it is.
    TagListGapWords plain = words;
    plain.disconnected = "{x} {hr";
    EXPECT_EQ(DescribeTagListGap(list, plain), "{x} {hr");
}

TEST(TagFileRows, CountsTheRowsThatNameTagsValidOrNot)
{
    EXPECT_EQ(CountTagRows("address;type;param;period_ms\n1;1;1;0\n1;1;2;0.5\n\n"), 2u);
    EXPECT_EQ(CountTagRows("\xEF\xBB\xBF" "device;address;type;param;name;period_ms\r\n"), 0u);
    EXPECT_EQ(CountTagRows("just text\n1;2;3\n"), 0u);
    EXPECT_EQ(CountTagRows(""), 0u);
}

class TagFileRoundTrip : public tagfile_test::CatalogueTest {};

TEST_F(TagFileRoundTrip, ExportImportIntoAnEmptyServerExportAgainGivesTheSameBytes)
{
    CFakeTagServer source;
    source.Put(1, 5, 14, 20000000);
    source.Put(1, 5, 2, 0);
    source.Put(7, 12, 3, 864000000000LL);
    source.Put(99, 247, 65534, 10000);  // a type the descriptions do not know
    const TagNames naming = CatalogueTagNames(UnnamedPartTexts());

    auto exportFrom = [&](CFakeTagServer& server) {
        const ServerTagList list = ReadServerTags(server);
        EXPECT_TRUE(list.Complete());
        return WriteTagFile(MakeTagFileRecords(list.tags, naming), TagFileFormat{});
    };
    const std::string first = exportFrom(source);
    EXPECT_NE(first.find(u8"Счётчик;12;7;3;Счётчик(012).Энергия.Сумма;86400000\r\n"), std::string::npos);
    EXPECT_NE(first.find(";247;99;65534;Type 99(247).Parameter 65534;1\r\n"), std::string::npos);

    TagFileReadOptions options;
    options.naming = &naming;
    options.strict = true;
    const TagFileContent file = ReadTagFile(first, options);
    EXPECT_EQ(file.invalidRows, 0u);
    EXPECT_EQ(file.warnings, 1u);  // the unknown type

    // Into the same server: nothing to do.
    const ImportPlan same = MakeImportPlan(file.rows, ReadServerTags(source).tags, true);
    EXPECT_EQ(same.Calls(), 0u);
    EXPECT_EQ(same.unchanged.size(), 4u);

    CFakeTagServer target;
    const ImportReport report = RunImportPlan(MakeImportPlan(file.rows, ReadServerTags(target).tags, false), target);
    EXPECT_EQ(report.added, 4u);
    EXPECT_EQ(target.tags, source.tags);
    EXPECT_EQ(exportFrom(target), first);
}

}  // namespace
