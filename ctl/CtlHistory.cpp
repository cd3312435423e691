// zolctl's journal, snapshots and the commands journal, history, snapshot and restore.
#include "ctl/CtlHistory.h"

#include <filesystem>

#include "common/AtomicFile.h"
#include "ctl/CtlCommands.h"
#include "ctl/CtlConsole.h"
#include "ctl/CtlServer.h"
#include "server/ServerErrors.h"
#include "tagfile/ImportRun.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagNaming.h"

namespace fs = std::filesystem;

namespace {

bool Folder(const CtlArgs& args, fs::path* folder)
{
    std::string error;
    if (ResolveHistoryFolder(args.history, SystemHistoryPlatform(), folder, &error)) return true;
    WriteErr("no history folder: " + error + " (--history DIR names one)\n");
    return false;
}

PortSettings ReadPort(ITagServer& server) { return ReadPortSettings(server); }

}  // namespace

std::string CtlProgramName() { return std::string("zolctl ") + ZOL_VERSION_TEXT; }

CCtlChanges::~CCtlChanges()
{
    if (!m_bFinished) Finish(kExitOk);
}

bool CCtlChanges::Begin(const CtlArgs& args, const std::string& action)
{
    m_action = action;
    if (args.noJournal) return true;
    fs::path folder;
    if (!Folder(args, &folder)) {
        WriteErr("nothing was changed; --no-journal changes the server without the journal\n");
        return false;
    }
    m_pJournal = std::make_unique<CJournal>(SystemHistoryPlatform(), folder);
    std::string error;
    if (!m_pJournal->Open(&error)) {
        WriteErr("the journal cannot be written: " + error +
                 "\nnothing was changed; --no-journal changes the server without the journal\n");
        m_pJournal.reset();
        return false;
    }
    return true;
}

CJournaledServer& CCtlChanges::Server(ITagServer& inner)
{
    if (!m_pServer || &m_pServer->Inner() != &inner) {
        JournalContext context;
        context.program = CtlProgramName();
        context.naming = CatalogueTagNaming();
        m_pServer = std::make_unique<CJournaledServer>(inner, m_pJournal.get(), std::move(context));
        m_pServer->BeginStep(m_action);
    }
    return *m_pServer;
}

int CCtlChanges::Finish(int exitCode)
{
    m_bFinished = true;
    if (m_pServer) m_pServer->EndStep();
    std::string error;
    const bool flushed = !m_pJournal || m_pJournal->Close(&error);
    if (m_pServer && m_pServer->JournalFailed()) {
        WriteErr("the journal could not be written: " + m_pServer->JournalError() +
                 "\nthe command stopped there: no further change was made\n");
        return exitCode == kExitOk ? kExitPartial : exitCode;
    }
    if (!flushed) {
        WriteErr("the journal could not be written: " + error + "\n");
        return exitCode == kExitOk ? kExitPartial : exitCode;
    }
    return exitCode;
}

void SnapshotIfComplete(const CtlArgs& args, const ServerTagList& list, ITagServer& server,
                        const std::vector<fs::path>& keep)
{
    if (args.noJournal || args.dryRun || !list.Complete()) return;
    fs::path folder;
    std::string error;
    if (!ResolveHistoryFolder(args.history, SystemHistoryPlatform(), &folder, &error)) {
        WriteErr("warning: no snapshot was kept: " + error + "\n");
        return;
    }
    const PortSettings port = ReadPort(server);
    const SnapshotResult result = WriteSnapshot(SystemHistoryPlatform(), folder,
                                                MakeTagFileRecords(list.tags, CatalogueTagNaming()), port,
                                                CtlProgramName(), keep);
    if (!result.written && !result.unchanged)
        WriteErr("warning: no snapshot was kept: " + result.error + "\n");
    else if (args.verbose)
        WriteErr((result.written ? "snapshot " : "unchanged since snapshot ") + result.fileName + "\n");
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
    WriteOut(args.format == "json" ? WriteJournalJson(lines) : WriteJournalCsv(lines));
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
    for (const SnapshotInfo& s : ListSnapshots(folder)) {
        out += s.fileName + ";" + s.time + ";" + s.program + ";" +
               (s.counted ? std::to_string(s.devices) + ";" + std::to_string(s.tags) : std::string(";")) + "\n";
    }
    WriteOut(out);
    return kExitOk;
}

namespace {

// Reads the whole configuration for a snapshot or a restore; prints why not.
bool ReadWhole(ITagServer& server, ServerTagList* list, int* exitCode)
{
    ServerTagsOptions options;
    options.stop = [] { return g_bInterrupted.load(); };
    if (!ReadServerForCommand(server, options, list, exitCode)) return false;
    if (!list->Complete()) {
        WriteErr(DescribeTagListGap(*list));
        *exitCode = kExitPartial;
        return false;
    }
    return true;
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
    int exitCode = kExitOk;
    if (!ReadWhole(connection.Server(), &list, &exitCode)) {
        WriteErr("the configuration was not read whole: no snapshot was kept\n");
        return exitCode;
    }
    const PortSettings port = ReadPort(connection.Server());
    if (!port.known) {
        WriteErr("the server did not give its port settings: no snapshot was kept\n");
        return kExitPartial;
    }
    const SnapshotResult result = WriteSnapshot(SystemHistoryPlatform(), folder,
                                                MakeTagFileRecords(list.tags, CatalogueTagNaming()), port,
                                                CtlProgramName());
    if (!result.written && !result.unchanged) {
        WriteErr(result.error + "\n");
        return kExitPartial;
    }
    WriteOut(result.fileName + "\n");
    if (result.unchanged) WriteErr("the newest snapshot holds the same configuration: nothing was written\n");
    return kExitOk;
}

int CommandRestore(const CtlArgs& args)
{
    const std::string& given = args.operands[0];
    fs::path folder, file;
    std::string unused;
    const bool haveFolder = ResolveHistoryFolder(args.history, SystemHistoryPlatform(), &folder, &unused);
    if (!FindSnapshot(haveFolder ? folder : fs::path(), given, &file)) {
        WriteErr("no snapshot " + given + (haveFolder ? " in " + FolderText(folder) : std::string()) +
                 " (zolctl history lists them)\n");
        return kExitPartial;
    }
    std::string bytes;
    if (!ReadWholeFile(file, &bytes)) {
        WriteErr("cannot read " + file.u8string() + "\n");
        return kExitPartial;
    }
    if (!LoadCatalogue(args)) return kExitUsage;
    const TagNaming naming = CatalogueTagNaming();
    CCtlChanges changes;
    if (!args.dryRun && !changes.Begin(args, "zolctl restore")) return kExitPartial;

    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    ServerTagList list;
    int exitCode = kExitOk;
    if (!ReadWhole(connection.Server(), &list, &exitCode)) {
        WriteErr("the configuration was not read whole: nothing was restored\n");
        return exitCode;
    }
    const PortSettings serverPort = ReadPort(connection.Server());
    // A dry run writes nothing; the snapshot being restored outlives the retention.
    SnapshotIfComplete(args, list, connection.Server(), {file});

    TagFileReadOptions readOptions;
    readOptions.naming = &naming;
    const RestorePlan restore = MakeRestorePlan(bytes, list.tags, serverPort, readOptions, args.skipInvalid);
    std::string issues;
    for (const TagFileIssue& issue : restore.file.issues) {
        if (issue.invalid)
            issues += given + ":" + std::to_string(issue.line) + ": " + DescribeTagFileIssue(issue) + "\n";
    }
    WriteErr(issues);
    if (!restore.file.readable) {
        WriteErr(given + " is no tag file: nothing was restored\n");
        return kExitPartial;
    }
    PrintImportPlan(restore.plan, naming);
    if (restore.portChanges)
        WriteOut("port;" + JournalPortText(restore.port) + ";" + JournalPortText(serverPort) + "\n");
    const bool rowsLost = restore.file.invalidRows != 0;
    if (args.dryRun) {
        WriteErr("dry run: nothing was sent\n");
        return rowsLost ? kExitPartial : kExitOk;
    }
    if (restore.plan.blocked) {
        WriteErr(std::to_string(restore.file.invalidRows) +
                 " invalid rows: nothing was changed; run again with --skip-invalid to restore the rest and "
                 "keep the tags they name\n");
        return changes.Finish(kExitPartial);
    }
    if (!restore.plan.remove.empty() && !args.yes) {
        WriteErr(std::to_string(restore.plan.remove.size()) +
                 " tags would be deleted: nothing was done; run again with --yes to restore the snapshot\n");
        return changes.Finish(kExitPartial);
    }

    CJournaledServer& server = changes.Server(connection.Server());
    server.KnowTags(list.tags, true);
    server.KnowPort(serverPort);
    ImportRunOptions runOptions;
    runOptions.stop = [&] { return g_bInterrupted.load() || server.JournalFailed(); };
    runOptions.notMade = [&](HResult hr) { return hr == kE_JournalNotWritten && server.JournalFailed(); };
    ImportReport report = RunImportPlan(restore.plan, server, runOptions);
    report.invalidRows = restore.file.invalidRows;
    int code = ReportImportRun(report, restore.plan, given, server.JournalFailed());
    if (restore.portChanges && code != kExitConnection && !report.stopped) {
        const PortSettings& p = restore.port;
        const HResult hr = server.SetComSettings(p.port, p.baudRate, p.dataBits, p.stopBits, p.parity);
        if (HrFailed(hr)) {
            WriteErr("refused: port settings " + JournalPortText(p) + ": " + DescribeHResult(hr) + "\n");
            code = IsConnectionLost(hr) ? kExitConnection : kExitPartial;
        } else {
            WriteOut("port set to " + JournalPortText(p) + "\n");
        }
    }
    return changes.Finish(code);
}
