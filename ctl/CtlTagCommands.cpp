// zolctl tags, export, import and copy-device: the server's tag list to and from tag files,
// and one device's tags copied to other addresses as an import of rows made here.
#include <filesystem>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "ctl/CtlCommands.h"
#include "ctl/CtlHistory.h"
#include "ctl/CtlConsole.h"
#include "ctl/CtlServer.h"
#include "ctl/CtlResult.h"
#include "server/ServerErrors.h"
#include "tagfile/DeviceCopy.h"
#include "tagfile/ImportPlan.h"
#include "tagfile/ImportRun.h"
#include "tagfile/ServerTags.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagFileWriter.h"
#include "tagfile/TextEncoding.h"
#include "tree/RefreshPeriod.h"
#include "words/TagNameWords.h"

namespace {

bool Interrupted() { return g_bInterrupted.load(); }

// Reads the server's tags; prints why and sets *exitCode when the list cannot be used.
bool ReadServer(ITagServer& server, const ServerTagsOptions& options, ServerTagList* list, int* exitCode)
{
    *list = ReadServerTags(server, options);
    if (list->disconnected) {
        WriteError("the server went away while its tags were read: " + DescribeHResult(list->disconnectResult) + "\n");
        *exitCode = kExitConnection;
        return false;
    }
    if (list->stopped) {
        WriteError("interrupted\n");
        *exitCode = kExitInterrupted;
        return false;
    }
    return true;
}

// Warnings about what the list holds that a file cannot carry back; the exit code so far.
int ReportListProblems(const ServerTagList& list, const std::vector<TagFileRecord>& records)
{
    int exitCode = kExitOk;
    for (const TagFileRecord& r : records) {
        if (RecordProblems(r) != 0)
            WriteErr("warning: " + TagText(r.id.type, r.id.address, r.id.param) + ": " + DescribeRecordProblems(r) + "\n");
    }
    if (list.walk.end != TagWalkEnd::Completed) {
        WriteErr(DescribeTagListGap(list));
        exitCode = kExitPartial;
    } else if (list.walk.endedOnFailure) {
        // A server without tags and a failing one answer alike: the list may lack tags.
        WriteErr("warning: the server's tag list ended on a failed call (" + DescribeHResult(list.walk.lastFailure) +
                 "): it may be incomplete; " + std::to_string(list.tags.size()) + " tags were read\n");
        exitCode = kExitPartial;
    }
    if (list.periodFailures != 0) {
        WriteErr("the server did not give the period of " + std::to_string(list.periodFailures) +
                 " tags (first: " + DescribeHResult(list.firstPeriodFailure) + ")\n");
        exitCode = kExitPartial;
    }
    return exitCode;
}

// "add;address;type;param;name;period_ms", a change with the old period after it, a
// deletion or a tag kept for an invalid row without periods (the server's are not read for it).
std::string PlanLine(const char* action, const PlannedTag& tag, const TagNames& naming, bool withOld)
{
    std::string line = std::string(action) + ";" + std::to_string(tag.id.address) + ";" + std::to_string(tag.id.type) +
                       ";" + std::to_string(tag.id.param) + ";" +
                       Cp1251ToUtf8(naming.tagName(tag.id.address, tag.id.type, tag.id.param));
    if (std::string(action) != "delete" && std::string(action) != "keep") {
        TagFileRecord now;
        now.period = tag.period;
        line += ";" + FormatPeriodField(now);
    }
    if (withOld) {
        TagFileRecord old;
        old.period = tag.oldPeriod;
        old.periodKnown = tag.oldPeriodKnown;
        line += ";" + (tag.oldPeriodKnown ? FormatPeriodField(old) : std::string("?"));
    }
    return line + "\n";
}

void PrintPlan(const ImportPlan& plan, const TagNames& naming)
{
    std::string out;
    for (const PlannedTag& t : plan.add) out += PlanLine("add", t, naming, false);
    for (const PlannedTag& t : plan.change) out += PlanLine("change", t, naming, true);
    for (const PlannedTag& t : plan.remove) out += PlanLine("delete", t, naming, false);
    for (const PlannedTag& t : plan.kept) out += PlanLine("keep", t, naming, false);
    out += "plan: add " + std::to_string(plan.add.size()) + ", change " + std::to_string(plan.change.size()) +
           ", unchanged " + std::to_string(plan.unchanged.size()) + ", delete " + std::to_string(plan.remove.size()) +
           "\n";
    WriteReport(out);
}

// A run's calls counted on standard error ("\r1200 of 20000") when it is a console; whether
// they are.
bool CountCallsOnConsole(ImportRunOptions* options)
{
    if (!ErrIsConsole()) return false;
    options->progress = [](std::size_t done, std::size_t total) {
        if (done % 100 == 0 || done == total) WriteProgress("\r" + std::to_string(done) + " of " + std::to_string(total));
    };
    return true;
}

}  // namespace

int CommandTags(const CtlArgs& args)
{
    if (!LoadCatalogue(args)) return kExitUsage;
    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    ServerTagsOptions options;
    options.stop = Interrupted;
    ServerTagList list;
    int exitCode = kExitOk;
    if (!ReadServer(connection.Server(), options, &list, &exitCode)) return exitCode;

    const std::vector<TagFileRecord> records = MakeTagFileRecords(list.tags, CatalogueTagNames(UnnamedPartWords()));
    exitCode = ReportListProblems(list, records);
    WriteData(args.format == "json" ? WriteTagListJson(records)
                                   : WriteTagFile(records, TagFileFormat{TagFileEncoding::Utf8, false, ';', false}));
    return exitCode;
}

int CommandExport(const CtlArgs& args)
{
    if (!LoadCatalogue(args)) return kExitUsage;
    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    ServerTagsOptions options;
    options.stop = Interrupted;
    auto wanted = [&](const TagId& id) {
        return !args.hasDevice || (id.type == args.deviceType && id.address == args.deviceAddress);
    };
    options.wantPeriod = wanted;
    ServerTagList list;
    int exitCode = kExitOk;
    if (!ReadServer(connection.Server(), options, &list, &exitCode)) return exitCode;
    if (!args.hasDevice) SnapshotIfComplete(args, list, connection.Server());
    connection.Close();

    std::vector<ServerTag> tags;
    tags.reserve(list.tags.size());
    for (const ServerTag& tag : list.tags) {
        if (wanted(tag.id)) tags.push_back(tag);
    }
    const std::vector<TagFileRecord> records = MakeTagFileRecords(tags, CatalogueTagNames(UnnamedPartWords()));
    exitCode = ReportListProblems(list, records);

    TagFileFormat format;
    format.encoding = args.encoding == "cp1251" ? TagFileEncoding::Cp1251 : TagFileEncoding::Utf8;
    format.byteOrderMark = format.encoding == TagFileEncoding::Utf8;
    format.separator = args.separator;
    format.crlf = true;
    const std::filesystem::path path = std::filesystem::u8path(args.operands[0]);
    std::string old;
    if (records.empty() && !args.allowEmpty && ReadWholeFile(path, &old)) {
        const std::size_t oldTags = CountTagRows(old);
        if (oldTags != 0) {
            WriteErr(args.operands[0] + " holds " + std::to_string(oldTags) +
                     " tags and the list to export none: the file was not replaced (--allow-empty replaces it)\n");
            return kExitPartial;
        }
    }
    std::string error;
    if (!WriteFileAtomic(path, WriteTagFile(records, format), &error)) {
        WriteErr("cannot write " + args.operands[0] + ": " + error + "\n");
        return kExitPartial;
    }
    WriteErr("exported " + std::to_string(records.size()) + " tags to " + args.operands[0] + "\n");
    return exitCode;
}

int CommandImport(const CtlArgs& args)
{
    const std::string& fileName = args.operands[0];
    std::string bytes, why;
    // As diff's: a file that cannot be read is a usage error.
    if (!ReadWholeFile(std::filesystem::u8path(fileName), &bytes, &why)) {
        WriteError("cannot read " + fileName + ": " + why + "\n");
        return kExitUsage;
    }
    if (!LoadCatalogue(args)) return kExitUsage;
    const TagNames naming = CatalogueTagNames(UnnamedPartWords());
    TagFileReadOptions readOptions;
    readOptions.naming = &naming;
    readOptions.strict = args.strict;
    TagFileContent file = ReadTagFile(bytes, readOptions);
    // A row that can only name a tag the server holds is judged once the list is read.
    bool toSettle = false;
    for (const TagFileIssue& issue : file.issues) toSettle |= issue.existingTag;
    const auto printIssues = [&] {
        std::string issues;
        for (const TagFileIssue& issue : file.issues)
            issues += fileName + ":" + std::to_string(issue.line) + ": " + (issue.invalid ? "" : "warning: ") +
                      DescribeTagFileIssue(issue) + "\n";
        WriteErr(issues);
        CommandResult().invalid = file.invalidRows;
    };
    if (!toSettle || !file.readable) printIssues();
    CommandResult().invalid = file.invalidRows;
    CommandResult().dryRun = args.dryRun;
    if (!file.readable) return NoteError(fileName + " is no tag file\n"), kExitPartial;
    CCtlChanges changes;
    if (!args.dryRun && !changes.Begin(args, "zolctl import")) return kExitPartial;

    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    const CTagIdSet inFile(file);
    ServerTagsOptions options;
    options.stop = Interrupted;
    // Kept in the history, the configuration is read whole (a snapshot before the import).
    if (args.noJournal) options.wantPeriod = [&](const TagId& id) { return inFile.Contains(id); };
    ServerTagList list;
    int exitCode = kExitOk;
    if (!ReadServer(connection.Server(), options, &list, &exitCode)) return exitCode;
    if (list.walk.end == TagWalkEnd::FailureLimit) {
        // The server's list is incomplete: the comparison would be guesswork.
        WriteError(DescribeTagListGap(list) + "nothing was imported\n");
        return kExitPartial;
    }
    if (args.replace && !list.HasEveryTag()) {
        // What a partial list lacks would be planned as never there: replace stands on a whole one.
        WriteError(DescribeTagListGap(list) + "nothing was imported\n");
        return kExitPartial;
    }
    if (list.walk.end == TagWalkEnd::RepeatedTag) WriteErr(DescribeTagListGap(list));
    if (toSettle) {
        SettleExistingTagRows(&file, list.tags);
        printIssues();
    }
    changes.Snapshot(args, list, connection.Server());

    ImportPlanOptions planOptions;
    planOptions.replace = args.replace;
    planOptions.despiteInvalidRows = args.skipInvalid;
    const ImportPlan plan = MakeImportPlan(file, list.tags, planOptions);
    PrintPlan(plan, naming);
    CommandResult().wouldChange = plan.Calls() != 0 && !plan.blocked;
    const bool rowsLost = file.invalidRows != 0;
    if (args.dryRun) {
        CommandResult().unchanged = plan.unchanged.size();
        WriteErr("dry run: nothing was sent\n");
        return rowsLost ? kExitPartial : kExitOk;
    }
    if (plan.blocked) {
        WriteError(std::to_string(file.invalidRows) +
                   " invalid rows: nothing was changed; correct them, or run again with --skip-invalid to carry "
                   "out the rest and keep the tags they name\n");
        return kExitPartial;
    }
    if (!plan.remove.empty() && !args.yes) {
        WriteError(std::to_string(plan.remove.size()) +
                   " tags would be deleted: nothing was done; run again with --yes to carry out the plan\n");
        return kExitPartial;
    }

    ImportRunOptions runOptions;
    runOptions.stop = Interrupted;
    const bool showProgress = CountCallsOnConsole(&runOptions);
    CJournaledServer& server = changes.Server(connection.Server());
    // An empty list may be a failing server's: the tags' before-values are asked then.
    server.KnowTags(list.tags, list.HasEveryTag() && !list.tags.empty());
    runOptions.stop = [&] { return Interrupted() || server.JournalFailed(); };
    runOptions.notMade = [&](HResult hr) { return hr == kE_JournalNotWritten && server.JournalFailed(); };
    ImportReport report = RunImportPlan(plan, server, runOptions);
    report.invalidRows = file.invalidRows;
    if (showProgress && plan.Calls() != 0) WriteErr("\n");

    return changes.Finish(ReportImportRun(report, plan, fileName, server.JournalFailed()));
}

int CommandCopyDevice(const CtlArgs& args)
{
    const CopySource source{args.deviceType, args.deviceAddress};
    const std::string sourceText = "type " + std::to_string(source.type) + " address " + std::to_string(source.address);
    if (!LoadCatalogue(args)) return kExitUsage;
    const TagNames naming = CatalogueTagNames(UnnamedPartWords());
    CommandResult().dryRun = args.dryRun;
    CCtlChanges changes;
    if (!args.dryRun && !changes.Begin(args, "zolctl copy-device")) return kExitPartial;

    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    ServerTagsOptions options;
    options.stop = Interrupted;
    // Kept in the history, the configuration is read whole (a snapshot before the copy).
    if (args.noJournal || args.dryRun) options.wantPeriod = [&](const TagId& id) { return CopyNeedsPeriod(source, id); };
    ServerTagList list;
    int exitCode = kExitOk;
    if (!ReadServer(connection.Server(), options, &list, &exitCode)) return exitCode;
    if (!list.HasEveryTag()) {
        // An address whose tags the list lacks would be taken for a free one.
        WriteError(DescribeTagListGap(list) + "nothing was copied\n");
        return kExitPartial;
    }
    const DeviceCopyPlan copy = MakeDeviceCopyPlan(source, args.to, list.tags);
    if (copy.sourceTags == 0 && copy.unknownPeriods.empty()) {
        WriteError("no tags at " + sourceText + "\n");
        return kExitPartial;
    }
    changes.Snapshot(args, list, connection.Server());

    std::string refusals;
    for (const RefusedTarget& target : copy.refused) {
        refusals += "refused: address " + std::to_string(target.address) + ": ";
        if (target.problem == CopyTargetProblem::SourceAddress)
            refusals += "the device's own address\n";
        else
            refusals += "the server holds another device there, " +
                        Cp1251ToUtf8(ComposeTreeDevicePart(naming.deviceName(target.otherType),
                                                             static_cast<int>(target.address),
                                                             static_cast<int>(target.otherType), UnnamedPartWords())) + " (type " +
                        std::to_string(target.otherType) + "); nothing is sent for it\n";
    }
    for (const TagId& id : copy.unknownPeriods)
        refusals += "refused: " + TagText(id.type, id.address, id.param) +
                    ": the server did not give its period; it is not copied\n";
    for (const TagFileIssue& issue : copy.refusedTags)
        refusals += "refused: " + TagText(issue.id.type, issue.id.address, issue.id.param) + ": " +
                    DescribeTagFileIssue(issue) + "; it is not copied\n";
    WriteError(refusals);
    const bool refused = !copy.refused.empty() || !copy.unknownPeriods.empty() || !copy.refusedTags.empty();
    PrintPlan(copy.plan, naming);
    CommandResult().wouldChange = copy.plan.Calls() != 0;
    if (args.dryRun) {
        CommandResult().unchanged = copy.plan.unchanged.size();
        WriteErr("dry run: nothing was sent\n");
        return refused ? kExitPartial : kExitOk;
    }

    ImportRunOptions runOptions;
    const bool showProgress = CountCallsOnConsole(&runOptions);
    CJournaledServer& server = changes.Server(connection.Server());
    // An empty list may be a failing server's: the tags' before-values are asked then.
    server.KnowTags(list.tags, !list.tags.empty());
    runOptions.stop = [&] { return Interrupted() || server.JournalFailed(); };
    runOptions.notMade = [&](HResult hr) { return hr == kE_JournalNotWritten && server.JournalFailed(); };
    const ImportReport report = RunImportPlan(copy.plan, server, runOptions);
    if (showProgress && copy.plan.Calls() != 0) WriteErr("\n");
    const int code = ReportImportRun(report, copy.plan, std::string(), server.JournalFailed());
    return changes.Finish(code == kExitOk && refused ? kExitPartial : code);
}

std::string DescribeTagListGap(const ServerTagList& list)
{
    static const TagListGapWords words{
        DescribeHResult,
        "the server went away while its tags were read: {hr}\n",
        "interrupted\n",
        "the server did not end its tag list (a tag came round a second time): the walk was stopped after {count} "
        "tags\n",
        "the server did not end its tag list (its calls kept failing: {failed} failed, the last with {hr}): the walk "
        "was stopped after {count} tags\n",
        "the server's tag list ended on a failed call ({hr})\n",
        "the server did not give the period of {count} tags (first: {hr})\n",
    };
    return DescribeTagListGap(list, words);
}

void PrintImportPlan(const ImportPlan& plan, const TagNames& naming) { PrintPlan(plan, naming); }

int ReportImportRun(const ImportReport& report, const ImportPlan& plan, const std::string& fileName,
                    bool journalFailed)
{
    std::string refusals;
    for (const ImportRefusal& r : report.refused) {
        refusals += "refused: " + std::string(ImportActionName(r.action)) + " " +
                    TagText(r.id.type, r.id.address, r.id.param) +
                    (r.line ? " (" + fileName + ":" + std::to_string(r.line) + ")" : std::string()) + ": " +
                    DescribeHResult(r.hr) + "\n";
    }
    WriteErr(refusals);
    CommandResult().Take(report);
    WriteReport(FormatImportSummary(report) + "\n");
    if (report.disconnected) {
        WriteError("the server went away during the import (" + DescribeHResult(report.disconnectResult) + "); " +
                   std::to_string(report.notAttempted) + " of " + std::to_string(plan.Calls()) +
                   " calls were not made or not confirmed\n");
        return kExitConnection;
    }
    if (journalFailed) {
        WriteError(std::to_string(report.notAttempted) + " calls were not made\n");
        return kExitPartial;
    }
    if (report.stopped) {
        WriteError("interrupted: " + std::to_string(report.notAttempted) + " calls were not made\n");
        return kExitInterrupted;
    }
    return report.invalidRows != 0 || !report.refused.empty() ? kExitPartial : kExitOk;
}
