// zolctl's journal, snapshots and the commands journal, history, snapshot and restore.
#include "ctl/CtlHistory.h"

#include <filesystem>

#include "common/AtomicFile.h"
#include "ctl/CtlCommands.h"
#include "ctl/CtlConsole.h"
#include "ctl/CtlServer.h"
#include "ctl/CtlResult.h"
#include "server/ServerErrors.h"
#include "tagfile/ImportRun.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagNames.h"
#include "words/TagNameWords.h"

namespace fs = std::filesystem;

namespace {

bool Folder(const CtlArgs& args, fs::path* folder)
{
    std::string error;
    if (ResolveHistoryFolder(args.history, SystemHistoryPlatform(), folder, &error)) return true;
    WriteError("no history folder: " + error + " (--history DIR names one)\n");
    return false;
}

JournalContext CtlContext()
{
    JournalContext context;
    context.program = CtlProgramName();
    context.naming = CatalogueTagNames(UnnamedPartWords());
    return context;
}

std::unique_ptr<CChangeSession> MakeSession(const std::string& action)
{
    return std::make_unique<CChangeSession>(SystemHistoryPlatform(), CtlContext(), action);
}

// What a command that reads the whole configuration says of its snapshot: a failure as a
// warning, the file with --verbose; a list that is not whole is kept silently out.
void ReportSnapshot(const CtlArgs& args, const SnapshotTaken& taken)
{
    if (taken.outcome == SnapshotOutcome::Failed)
        WriteErr("warning: no snapshot was kept: " + taken.result.error + "\n");
    else if (taken.outcome == SnapshotOutcome::Kept && args.verbose)
        WriteErr((taken.result.written ? "snapshot " : "unchanged since snapshot ") + taken.result.fileName + "\n");
}

}  // namespace

std::string CtlProgramName() { return std::string("zolctl ") + ZOL_VERSION_TEXT; }

CCtlChanges::~CCtlChanges()
{
    if (!m_bFinished) Finish(kExitOk);
}

bool CCtlChanges::Begin(const CtlArgs& args, const std::string& action)
{
    m_pSession = MakeSession(action);
    if (args.noJournal) return true;
    fs::path folder;
    if (!Folder(args, &folder)) {
        WriteError("nothing was changed; --no-journal changes the server without the journal\n");
        return false;
    }
    // zolctl asks nothing: a journal that cannot be written refuses the command.
    ChangeSessionFront front;
    front.withoutJournal = [](const std::string& problem) {
        WriteError("the journal cannot be written: " + problem +
                   "\nnothing was changed; --no-journal changes the server without the journal\n");
        return false;
    };
    return m_pSession->Begin(folder, std::string(), front);
}

CJournaledServer& CCtlChanges::Server(ITagServer& inner)
{
    // A command that began no journal (a read that may change nothing) still records its step.
    if (!m_pSession) m_pSession = MakeSession(std::string());
    return m_pSession->Server(inner);
}

int CCtlChanges::Finish(int exitCode)
{
    m_bFinished = true;
    if (!m_pSession) return exitCode;
    const ChangeSessionEnd end = m_pSession->End();
    if (end.journalFailed) {
        WriteError("the journal could not be written: " + end.journalError +
                   "\nthe command stopped there: no further change was made\n");
        return exitCode == kExitOk ? kExitPartial : exitCode;
    }
    if (!end.flushed) {
        WriteError("the journal could not be written: " + end.closeError + "\n");
        return exitCode == kExitOk ? kExitPartial : exitCode;
    }
    return exitCode;
}

void CCtlChanges::Snapshot(const CtlArgs& args, const ServerTagList& list, ITagServer& server,
                           const std::vector<fs::path>& keep)
{
    if (m_pSession) ReportSnapshot(args, m_pSession->Snapshot(server, list, keep));
}

void SnapshotIfComplete(const CtlArgs& args, const ServerTagList& list, ITagServer& server)
{
    if (args.noJournal || args.dryRun || !list.Complete()) return;
    SnapshotTarget target;
    std::string error;
    if (!ResolveHistoryFolder(args.history, SystemHistoryPlatform(), &target.folder, &error)) {
        WriteErr("warning: no snapshot was kept: " + error + "\n");
        return;
    }
    ReportSnapshot(args, TakeSnapshot(SystemHistoryPlatform(), CtlContext(), server, list, target));
}

int CommandJournal(const CtlArgs& args)
{
    std::string since;
    if (!args.since.empty() && !ParseJournalSince(args.since, &since)) {
        WriteErr("zolctl: --since takes YYYY-MM-DD or YYYY-MM-DDTHH:MM\n" + CtlUsage("journal"));
        return kExitUsage;
    }
    fs::path folder;
    if (!Folder(args, &folder)) return kExitPartial;
    std::vector<JournalLine> lines;
    std::string error;
    if (!ReadJournal(folder, &lines, &error)) {
        WriteErr(error + "\n");
        return kExitPartial;
    }
    if (!since.empty()) lines = JournalLinesSince(lines, since);
    WriteData(args.format == "json" ? WriteJournalJson(lines) : WriteJournalCsv(lines));
    return kExitOk;
}

int CommandHistory(const CtlArgs& args)
{
    fs::path folder;
    if (!Folder(args, &folder)) return kExitPartial;
    std::string why;
    if (!HistoryFolderPossible(folder, &why)) {
        WriteErr("no history folder " + FolderText(folder) + ": " + why + "\n");
        return kExitPartial;
    }
    std::string out;
    for (const SnapshotInfo& s : ListSnapshots(folder, true)) {
        // A damaged file's counts are those of its rows, marked: what a restore would refuse.
        const bool damaged = static_cast<bool>(FindSnapshotDamage(s));
        out += s.fileName + ";" + s.time + ";" + s.program + ";";
        if (damaged)
            out += std::to_string(s.rowDevices) + ";" + std::to_string(s.rowTags) + ";damaged";
        else
            out += s.counted ? std::to_string(s.devices) + ";" + std::to_string(s.tags) : std::string(";");
        out += "\n";
    }
    WriteOut(out);
    return kExitOk;
}

namespace {

ServerTagsOptions ReadOptions()
{
    ServerTagsOptions options;
    options.stop = [] { return g_bInterrupted.load(); };
    return options;
}

// The exit code of a list that is not whole: the server gone, the user's stop, or a gap.
int GapExitCode(const ServerTagList& list)
{
    if (list.disconnected) return kExitConnection;
    return list.stopped ? kExitInterrupted : kExitPartial;
}

}  // namespace

int CommandSnapshot(const CtlArgs& args)
{
    fs::path folder;
    if (!Folder(args, &folder)) return kExitPartial;
    if (!LoadCatalogue(args)) return kExitUsage;
    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    ServerTagList list;
    if (!ReadWholeConfiguration(connection.Server(), ReadOptions(), &list)) {
        WriteErr(DescribeTagListGap(list));
        WriteErr("the configuration was not read whole: no snapshot was kept\n");
        return GapExitCode(list);
    }
    SnapshotTarget target;
    target.folder = folder;
    target.needPort = true;
    const SnapshotTaken taken = TakeSnapshot(SystemHistoryPlatform(), CtlContext(), connection.Server(), list, target);
    if (taken.outcome == SnapshotOutcome::NoPort) {
        WriteErr("the server did not give its port settings: no snapshot was kept\n");
        return kExitPartial;
    }
    if (taken.outcome != SnapshotOutcome::Kept) {
        WriteErr(taken.result.error + "\n");
        return kExitPartial;
    }
    WriteOut(taken.result.fileName + "\n");
    if (taken.result.unchanged) WriteErr("the newest snapshot holds the same configuration: nothing was written\n");
    return kExitOk;
}

int CommandRestore(const CtlArgs& args)
{
    const std::string& given = args.operands[0];
    fs::path folder, file;
    std::string unused;
    const bool haveFolder = ResolveHistoryFolder(args.history, SystemHistoryPlatform(), &folder, &unused);
    if (!FindSnapshot(haveFolder ? folder : fs::path(), given, &file)) {
        WriteError("no snapshot " + given + (haveFolder ? " in " + FolderText(folder) : std::string()) +
                   " (zolctl history lists them)\n");
        return kExitPartial;
    }
    std::string bytes;
    std::string why;
    if (!ReadWholeFile(file, &bytes, &why)) {
        WriteError("cannot read " + file.u8string() + ": " + why + "\n");
        return kExitPartial;
    }
    // Refused before the server is asked anything: its missing rows would be deleted.
    if (const SnapshotDamage damage = FindSnapshotDamage(bytes)) {
        WriteError(given + ": " + DescribeSnapshotDamage(damage) + ": it is damaged\n");
        return kExitPartial;
    }
    if (!LoadCatalogue(args)) return kExitUsage;
    const TagNames naming = CatalogueTagNames(UnnamedPartWords());
    CCtlChanges changes;
    if (!args.dryRun && !changes.Begin(args, "zolctl restore")) return kExitPartial;

    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    TagFileReadOptions readOptions;
    readOptions.naming = &naming;
    RestoreBase base;
    if (!PrepareRestore(connection.Server(), bytes, ReadOptions(), readOptions, args.skipInvalid, &base)) {
        WriteErr(DescribeTagListGap(base.list));
        WriteError("the configuration was not read whole: nothing was restored\n");
        return GapExitCode(base.list);
    }
    const ServerTagList& list = base.list;
    const PortSettings& serverPort = base.serverPort;
    const RestorePlan& restore = base.restore;
    // A dry run writes nothing; the snapshot being restored outlives the retention.
    changes.Snapshot(args, list, connection.Server(), {file});

    std::string issues;
    for (const TagFileIssue& issue : restore.file.issues) {
        if (issue.invalid)
            issues += given + ":" + std::to_string(issue.line) + ": " + DescribeTagFileIssue(issue) + "\n";
    }
    WriteErr(issues);
    if (!restore.file.readable) {
        WriteError(given + " is no tag file: nothing was restored\n");
        return kExitPartial;
    }
    if (restore.damage) {
        WriteError(given + ": " + DescribeSnapshotDamage(restore.damage) + ": it is damaged\n");
        return changes.Finish(kExitPartial);
    }
    PrintImportPlan(restore.plan, naming);
    if (restore.portChanges)
        WriteReport("port;" + JournalPortText(restore.port) + ";" + JournalPortText(serverPort) + "\n");
    CtlResult& result = CommandResult();
    result.dryRun = args.dryRun;
    result.invalid = restore.file.invalidRows;
    result.wouldChange = (restore.plan.Calls() != 0 || restore.portChanges) && !restore.plan.blocked;
    const bool rowsLost = restore.file.invalidRows != 0;
    if (args.dryRun) {
        result.unchanged = restore.plan.unchanged.size();
        WriteErr("dry run: nothing was sent\n");
        return rowsLost ? kExitPartial : kExitOk;
    }
    if (restore.plan.blocked) {
        WriteError(std::to_string(restore.file.invalidRows) +
                   " invalid rows: nothing was changed; run again with --skip-invalid to restore the rest and "
                 "keep the tags they name\n");
        return changes.Finish(kExitPartial);
    }
    if (!restore.plan.remove.empty() && !args.yes) {
        WriteError(std::to_string(restore.plan.remove.size()) +
                   " tags would be deleted: nothing was done; run again with --yes to restore the snapshot\n");
        return changes.Finish(kExitPartial);
    }

    CJournaledServer& server = changes.Server(connection.Server());
    const RestoreRunResult run = RunRestore(server, base, [] { return g_bInterrupted.load(); });
    int code = ReportImportRun(run.report, restore.plan, given, server.JournalFailed());
    if (run.port.tried && code != kExitConnection) {
        if (HrFailed(run.port.hr)) {
            WriteError("refused: port settings " + JournalPortText(restore.port) + ": " + DescribeHResult(run.port.hr) +
                       "\n");
            code = IsConnectionLost(run.port.hr) ? kExitConnection : kExitPartial;
            CtlRefusal refusal;
            refusal.action = "port";
            refusal.hr = run.port.hr;
            result.refused.push_back(refusal);
        } else {
            result.portChanged = true;
            WriteReport("port set to " + JournalPortText(restore.port) + "\n");
        }
    }
    return changes.Finish(code);
}
