// zolctl report: the as-built report (report/) of the server's configuration as an HTML
// page or JSON, with --check the line check's results. It changes nothing on the server and
// journals nothing; the file is replaced only whole.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/DescriptionFilesReport.h"
#include "common/AtomicFile.h"
#include "ctl/CtlCheck.h"
#include "ctl/CtlCommands.h"
#include "ctl/CtlConsole.h"
#include "ctl/CtlHistory.h"
#include "ctl/CtlServer.h"
#include "history/HistoryFolder.h"
#include "history/HistoryPlatform.h"
#include "report/ConfigReport.h"
#include "report/ReportContext.h"
#include "report/ReportHtml.h"
#include "report/ReportJson.h"
#include "server/ServerErrors.h"
#include "words/ReportWords.h"
#include "words/TagNameWords.h"

namespace fs = std::filesystem;

namespace {

// The history folder of the journal's lines; empty when it cannot be named (a warning).
fs::path ReportHistoryFolder(const CtlArgs& args)
{
    fs::path folder;
    std::string error;
    if (args.journalLines == 0) return folder;
    if (!ResolveHistoryFolder(args.history, SystemHistoryPlatform(), &folder, &error)) {
        WriteErr("warning: the journal was not read: " + error + "\n");
        folder.clear();
    }
    return folder;
}

}  // namespace

int CommandReport(const CtlArgs& args)
{
    if (!LoadCatalogue(args)) return kExitUsage;
    const std::vector<DescriptionFileReport> files = ReportDescriptionFiles(fs::u8path(args.dsc));

    CCtlConnection connection;
    if (!connection.Open()) return kExitConnection;
    ServerTagsOptions options;
    options.stop = [] { return g_bInterrupted.load(); };
    const ServerTagList list = ReadServerTags(connection.Server(), options);
    if (list.stopped) return WriteErr("interrupted\n"), kExitInterrupted;
    int exitCode = kExitOk;
    ConfigReportSources sources;
    sources.list = &list;
    if (list.Gap(false) != TagListGap::None) {
        // Written all the same, with the gap on its first lines: never a whole plant.
        sources.gap = DescribeTagListGap(list);
        while (!sources.gap.empty() && sources.gap.back() == '\n') sources.gap.pop_back();
        WriteErr(sources.gap + "\nthe server's list was not read whole: the report says so\n");
        exitCode = kExitConnection;
    }
    if (!list.disconnected) sources.port = ReadPortSettings(connection.Server());

    CtlCheckRun check;
    if (args.check && !list.disconnected) {
        check = RunCtlLineCheck(connection.Server(), CConfiguredDevices::OfTags(list.tags));
        if (check.stopped) return WriteErr("interrupted\n"), kExitInterrupted;
        if (check.lost != kS_OK) {
            WriteErr("the server went away during the check: " + DescribeHResult(check.lost) + "\n");
            exitCode = kExitConnection;
        }
    }
    connection.Close();
    if (args.check) sources.check = &check.entries;

    std::string journalProblem;
    AddReportContext(SystemHistoryPlatform(), ReportHistoryFolder(args), static_cast<std::size_t>(args.journalLines),
                     &sources, &journalProblem);
    if (!journalProblem.empty()) WriteErr("warning: the journal was not read: " + journalProblem + "\n");
    sources.version = CtlProgramName();
    sources.files = &files;
    sources.unnamed = UnnamedPartWords();
    sources.typeWord = "тип ";
    const ConfigReport report = BuildConfigReport(sources);
    const std::string text =
        args.format == "json" ? WriteReportJson(report) : WriteReportHtml(report, ReportPageWords());

    if (args.output.empty()) {
        WriteOut(text);
        return exitCode;
    }
    std::string error;
    if (!WriteFileAtomic(fs::u8path(args.output), text, &error)) {
        WriteErr("cannot write " + args.output + ": " + error + "\n");
        return exitCode == kExitOk ? kExitPartial : exitCode;
    }
    WriteErr("report of " + std::to_string(report.devices.size()) + " devices and " + std::to_string(report.tags) +
             " tags written to " + args.output + "\n");
    return exitCode;
}
