// zolctl diff: what an import with --replace (or a restore) of a file would do to the
// server, as differences, and nothing sent or written. The differences are the import plan
// with replace; the server's list must be whole, as for a replace.
#include <filesystem>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "common/JsonWriter.h"
#include "ctl/CtlCommands.h"
#include "ctl/CtlConsole.h"
#include "ctl/CtlServer.h"
#include "history/ChangeSession.h"
#include "history/HistoryFolder.h"
#include "history/HistoryPlatform.h"
#include "history/Snapshot.h"
#include "serial/PortSettings.h"
#include "server/ServerErrors.h"
#include "ui/TagWords.h"
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

// A file path, else a snapshot's name in the history folder.
bool FindDiffFile(const CtlArgs& args, const std::string& given, fs::path* file)
{
    std::error_code ec;
    const fs::path path = fs::u8path(given);
    if (fs::is_regular_file(path, ec)) {
        *file = path;
        return true;
    }
    fs::path folder;
    std::string unused;
    return ResolveHistoryFolder(args.history, SystemHistoryPlatform(), &folder, &unused) &&
           FindSnapshot(folder, given, file);
}

bool OnDevice(const CtlArgs& args, const TagId& id)
{
    return !args.hasDevice || (id.type == args.deviceType && id.address == args.deviceAddress);
}

void AddTagMembers(CJsonWriter& json, const PlannedTag& tag, const TagNaming& naming)
{
    json.Key("type").Number(tag.id.type);
    json.Key("address").Number(tag.id.address);
    json.Key("param").Number(tag.id.param);
    json.Key("name").String(Cp1251ToUtf8(naming.tagName(tag.id.address, tag.id.type, tag.id.param)));
}

}  // namespace

int CommandDiff(const CtlArgs& args)
{
    const std::string& given = args.operands[0];
    fs::path file;
    std::string bytes;
    if (!FindDiffFile(args, given, &file) || !ReadWholeFile(file, &bytes)) {
        WriteErr("cannot read " + given + "\n");
        return kExitUsage;
    }
    if (!LoadCatalogue(args)) return kExitUsage;
    const TagNaming naming = CatalogueTagNaming(UnnamedPartWords());
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
        WriteErr(std::to_string(content.invalidRows) + " invalid rows: nothing was compared\n");
        return kExitUsage;
    };
    if (!content.readable) {
        printIssues();
        WriteErr(given + " is no tag file\n");
        return kExitUsage;
    }
    if (content.invalidRows > toSettle) return refuseInvalidRows();
    if (toSettle == 0) printIssues();
    SnapshotInfo snapshot;
    const bool withPort = ReadSnapshotInfo(bytes, &snapshot) && snapshot.port.known && !args.hasDevice;

    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    ServerTagsOptions options;
    options.stop = [] { return g_bInterrupted.load(); };
    ServerTagList list;
    if (!ReadWholeConfiguration(connection.Server(), options, &list)) {
        // A part of the list would show the rest as tags to add: never a diff on it.
        WriteErr(DescribeTagListGap(list) + "the server's list was not read whole: nothing was compared\n");
        return list.stopped ? kExitInterrupted : kExitConnection;
    }
    PortSettings serverPort;
    if (withPort) {
        HResult hr = kS_OK;
        serverPort = ReadPortSettings(connection.Server(), &hr);
        if (!serverPort.known) {
            WriteErr("the server did not give its port settings: " + DescribeHResult(hr) + "\n");
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
    const ImportPlan plan = MakeImportPlan(content, list.tags, planOptions);
    const bool portDiffers = withPort && snapshot.port != serverPort;
    const bool differ = plan.Calls() != 0 || portDiffers;

    if (args.format == "json") {
        CJsonWriter json;
        json.BeginObject();
        json.Key("changed").Bool(false);
        json.Key("would_change").Bool(differ);
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
        if (portDiffers) {
            json.BeginObject();
            json.Key("server").String(FormatPortSettings(serverPort));
            json.Key("file").String(FormatPortSettings(snapshot.port));
            json.EndObject();
        } else {
            json.Null();
        }
        json.EndObject();
        WriteOut(json.Text());
        return differ ? kExitPartial : kExitOk;
    }

    std::string out;
    const auto name = [&](const PlannedTag& t) {
        return Cp1251ToUtf8(naming.tagName(t.id.address, t.id.type, t.id.param));
    };
    for (const PlannedTag& t : plan.add) out += "+ " + name(t) + " " + PeriodText(t.period) + "\n";
    for (const PlannedTag& t : plan.change)
        out += "~ " + name(t) + " " + PeriodText(t.oldPeriod) + " -> " + PeriodText(t.period) + "\n";
    for (const PlannedTag& t : plan.remove) out += "- " + name(t) + " " + PeriodText(t.period) + "\n";
    if (portDiffers) out += "~ port " + FormatPortSettings(serverPort) + " -> " + FormatPortSettings(snapshot.port) + "\n";
    out += "diff: " + std::to_string(plan.add.size()) + " to add, " + std::to_string(plan.change.size()) +
           " to change, " + std::to_string(plan.remove.size()) + " to delete, " +
           std::to_string(plan.unchanged.size()) + " the same\n";
    WriteOut(out);
    return differ ? kExitPartial : kExitOk;
}
