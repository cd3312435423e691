// zolctl diff: what an import with --replace of a tag file, or a restore of a snapshot (a
// file of the history folder), would do to the server, as differences, and nothing sent or
// written. The differences are the import plan with replace (and for a snapshot the port);
// the server's list must be whole, as for a replace. With --format json its
// document (DiffResultJson) is written for every exit code, by RunZolctl.
#include <filesystem>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "common/JsonWriter.h"
#include "ctl/CtlCommands.h"
#include "ctl/CtlConsole.h"
#include "ctl/CtlResult.h"
#include "ctl/CtlServer.h"
#include "history/ChangeSession.h"
#include "history/HistoryFolder.h"
#include "history/HistoryPlatform.h"
#include "history/Snapshot.h"
#include "serial/PortSettings.h"
#include "server/ServerErrors.h"
#include "words/TagNameWords.h"
#include "tagfile/ImportPlan.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagFileWriter.h"
#include "tagfile/TextEncoding.h"

namespace fs = std::filesystem;

namespace {

std::string PeriodText(std::int64_t period)
{
    TagFileRecord record;
    record.period = period;
    return FormatPeriodField(record);
}

// What diff found, for its document: empty until the comparison is made.
struct DiffOutcome {
    ImportPlan plan;
    bool portDiffers = false;
    bool asRestore = false;  // what the file stands for: restore of a snapshot, else import
    PortSettings serverPort, filePort;
};

DiffOutcome& Outcome()
{
    static DiffOutcome outcome;
    return outcome;
}

// A file path, else a snapshot's name in the history folder, read whole; *why when neither.
// *snapshot: the file is one of the history folder's, which restore takes (port and all);
// any other file is a tag file, which import takes (never the port), whatever it holds.
bool ReadDiffFile(const CtlArgs& args, const std::string& given, std::string* bytes, bool* snapshot, std::string* why)
{
    const fs::path path = fs::u8path(given);
    std::error_code ec;
    fs::path folder, named;
    std::string unused;
    const bool haveFolder = ResolveHistoryFolder(args.history, SystemHistoryPlatform(), &folder, &unused);
    // A name that is no file may be a snapshot's.
    if (!fs::exists(path, ec) && haveFolder && FindSnapshot(folder, given, &named)) {
        *snapshot = true;
        return ReadWholeFile(named, bytes, why);
    }
    if (ReadWholeFile(path, bytes, why)) {
        *snapshot = haveFolder && fs::equivalent(fs::absolute(path, ec).parent_path(), folder, ec);
        return true;
    }
    if (*why == "no such file") *why = "no such file or snapshot";
    return false;
}

bool OnDevice(const CtlArgs& args, const TagId& id)
{
    return !args.hasDevice || (id.type == args.deviceType && id.address == args.deviceAddress);
}

void AddTagMembers(CJsonWriter& json, const PlannedTag& tag, const TagNames& naming)
{
    json.Key("type").Number(tag.id.type);
    json.Key("address").Number(tag.id.address);
    json.Key("param").Number(tag.id.param);
    json.Key("name").String(Cp1251ToUtf8(naming.tagName(tag.id.address, tag.id.type, tag.id.param)));
}

}  // namespace

std::string DiffResultJson(int exitCode)
{
    const DiffOutcome& outcome = Outcome();
    const ImportPlan& plan = outcome.plan;
    const TagNames naming = CatalogueTagNames(UnnamedPartWords());
    CJsonWriter json;
    json.BeginObject();
    json.Key("changed").Bool(false);
    json.Key("would_change").Bool(plan.Calls() != 0 || outcome.portDiffers);
    json.Key("as").String(outcome.asRestore ? "restore" : "import");
    json.Key("add").BeginArray();
    for (const PlannedTag& t : plan.add) {
        json.BeginObject();
        AddTagMembers(json, t, naming);
        json.Key("period_ms").RawNumber(PeriodText(t.period)).EndObject();
    }
    json.EndArray().Key("change").BeginArray();
    for (const PlannedTag& t : plan.change) {
        json.BeginObject();
        AddTagMembers(json, t, naming);
        json.Key("old_period_ms").RawNumber(PeriodText(t.oldPeriod));
        json.Key("period_ms").RawNumber(PeriodText(t.period)).EndObject();
    }
    json.EndArray().Key("delete").BeginArray();
    for (const PlannedTag& t : plan.remove) {
        json.BeginObject();
        AddTagMembers(json, t, naming);
        json.Key("period_ms").RawNumber(PeriodText(t.period)).EndObject();
    }
    json.EndArray();
    json.Key("counts").BeginObject();
    json.Key("to_add").Number(static_cast<std::int64_t>(plan.add.size()));
    json.Key("to_change").Number(static_cast<std::int64_t>(plan.change.size()));
    json.Key("to_delete").Number(static_cast<std::int64_t>(plan.remove.size()));
    json.Key("same").Number(static_cast<std::int64_t>(plan.unchanged.size()));
    json.EndObject();
    json.Key("port");
    if (outcome.portDiffers) {
        json.BeginObject();
        json.Key("server").String(FormatPortSettings(outcome.serverPort));
        json.Key("file").String(FormatPortSettings(outcome.filePort));
        json.EndObject();
    } else {
        json.Null();
    }
    json.Key("exit_code").Number(exitCode);
    // Differences are what diff reports with exit code 1, not an error.
    AddErrorMember(json, CtlResult(), exitCode == kExitPartial ? kExitOk : exitCode);
    json.EndObject();
    return json.Text();
}

int CommandDiff(const CtlArgs& args)
{
    const std::string& given = args.operands[0];
    std::string bytes, why;
    bool asRestore = false;
    if (!ReadDiffFile(args, given, &bytes, &asRestore, &why)) {
        WriteError("cannot read " + given + ": " + why + "\n");
        return kExitUsage;
    }
    if (!LoadCatalogue(args)) return kExitUsage;
    const TagNames naming = CatalogueTagNames(UnnamedPartWords());
    TagFileReadOptions readOptions;
    readOptions.naming = &naming;
    TagFileContent content = ReadTagFile(bytes, readOptions);
    const auto printIssues = [&] {
        std::string issues;
        for (const TagFileIssue& issue : content.issues)
            issues += given + ":" + std::to_string(issue.line) + ": " + (issue.invalid ? "" : "warning: ") +
                      DescribeTagFileIssue(issue) + "\n";
        WriteErr(issues);
    };
    // What an invalid row names is unknown: no comparison is honest without it. A row that
    // can only name a tag the server holds (param 0 or 65535, an odd period, as export writes
    // them) is judged against the server's list.
    std::size_t toSettle = 0;
    for (const TagFileIssue& issue : content.issues) toSettle += issue.existingTag ? 1 : 0;
    const auto refuseInvalidRows = [&] {
        printIssues();
        WriteError(std::to_string(content.invalidRows) + " invalid rows: nothing was compared\n");
        return kExitUsage;
    };
    if (!content.readable) {
        printIssues();
        WriteError(given + " is no tag file\n");
        return kExitUsage;
    }
    if (content.invalidRows > toSettle) return refuseInvalidRows();
    if (toSettle == 0) printIssues();
    SnapshotInfo snapshot;
    Outcome().asRestore = asRestore;
    const bool withPort = asRestore && ReadSnapshotInfo(bytes, &snapshot) && snapshot.port.known && !args.hasDevice;

    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    ServerTagsOptions options;
    options.stop = [] { return g_bInterrupted.load(); };
    ServerTagList list;
    if (!ReadWholeConfiguration(connection.Server(), options, &list)) {
        // A part of the list would show the rest as tags to add: never a diff on it.
        WriteError(DescribeTagListGap(list) + "the server's list was not read whole: nothing was compared\n");
        return list.stopped ? kExitInterrupted : kExitConnection;
    }
    PortSettings serverPort;
    if (withPort) {
        HResult hr = kS_OK;
        serverPort = ReadPortSettings(connection.Server(), &hr);
        if (!serverPort.known) {
            WriteError("the server did not give its port settings: " + DescribeHResult(hr) + "\n");
            return kExitConnection;
        }
    }
    connection.Close();
    if (toSettle != 0) {
        SettleExistingTagRows(&content, list.tags);
        if (content.invalidRows != 0) return refuseInvalidRows();
        printIssues();
    }

    if (args.hasDevice) {
        std::vector<TagFileRow> rows;
        for (const TagFileRow& row : content.rows) {
            if (OnDevice(args, row.id)) rows.push_back(row);
        }
        content.rows = rows;
        std::vector<ServerTag> tags;
        for (const ServerTag& tag : list.tags) {
            if (OnDevice(args, tag.id)) tags.push_back(tag);
        }
        list.tags = tags;
    }
    ImportPlanOptions planOptions;
    planOptions.replace = true;
    DiffOutcome& outcome = Outcome();
    outcome.plan = MakeImportPlan(content, list.tags, planOptions);
    outcome.portDiffers = withPort && snapshot.port != serverPort;
    outcome.serverPort = serverPort;
    outcome.filePort = snapshot.port;
    const ImportPlan& plan = outcome.plan;
    const int code = plan.Calls() != 0 || outcome.portDiffers ? kExitPartial : kExitOk;
    if (JsonResult()) return code;

    std::string out;
    const auto name = [&](const PlannedTag& t) {
        return Cp1251ToUtf8(naming.tagName(t.id.address, t.id.type, t.id.param));
    };
    for (const PlannedTag& t : plan.add) out += "+ " + name(t) + " " + PeriodText(t.period) + "\n";
    for (const PlannedTag& t : plan.change)
        out += "~ " + name(t) + " " + PeriodText(t.oldPeriod) + " -> " + PeriodText(t.period) + "\n";
    for (const PlannedTag& t : plan.remove) out += "- " + name(t) + " " + PeriodText(t.period) + "\n";
    if (outcome.portDiffers)
        out += "~ port " + FormatPortSettings(serverPort) + " -> " + FormatPortSettings(snapshot.port) + "\n";
    out += std::string(asRestore ? "diff as restore: " : "diff as import: ") + std::to_string(plan.add.size()) + " to add, " + std::to_string(plan.change.size()) +
           " to change, " + std::to_string(plan.remove.size()) + " to delete, " +
           std::to_string(plan.unchanged.size()) + " the same\n";
    WriteOut(out);
    return code;
}
