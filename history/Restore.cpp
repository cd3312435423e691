#include "history/Restore.h"

#include "history/ChangeSession.h"
#include "serial/PortSettings.h"

#include <utility>

bool PrepareRestore(ITagServer& server, std::string_view snapshotBytes, const ServerTagsOptions& readOptions,
                    const TagFileReadOptions& fileOptions, bool despiteInvalidRows, RestoreBase* base)
{
    *base = RestoreBase();
    if (!ReadWholeConfiguration(server, readOptions, &base->list)) return false;
    base->serverPort = ReadPortSettings(server);
    base->restore = MakeRestorePlan(snapshotBytes, base->list.tags, base->serverPort, fileOptions, despiteInvalidRows);
    return true;
}

ImportRunOptions RestoreRunOptions(CJournaledServer& server, std::function<bool()> stop)
{
    ImportRunOptions options;
    options.stop = [&server, stop = std::move(stop)] { return (stop && stop()) || server.JournalFailed(); };
    options.notMade = [&server](HResult hr) { return hr == kE_JournalNotWritten && server.JournalFailed(); };
    return options;
}

RestorePortResult RestorePort(CJournaledServer& server, const RestorePlan& restore, const ImportReport& report)
{
    RestorePortResult result;
    // A journal that failed makes no further call: nothing to try, nothing refused.
    if (!restore.portChanges || report.stopped || report.disconnected || server.JournalFailed()) return result;
    const PortSettings& p = restore.port;
    result.tried = true;
    result.hr = server.SetComSettings(p.port, p.baudRate, p.dataBits, p.stopBits, p.parity);
    return result;
}

RestoreRunResult RunRestore(CJournaledServer& server, const RestoreBase& base, std::function<bool()> stop)
{
    server.KnowTags(base.list.tags, true);
    server.KnowPort(base.serverPort);
    RestoreRunResult result;
    result.report = RunImportPlan(base.restore.plan, server, RestoreRunOptions(server, std::move(stop)));
    result.report.invalidRows = base.restore.file.invalidRows;
    result.port = RestorePort(server, base.restore, result.report);
    return result;
}
