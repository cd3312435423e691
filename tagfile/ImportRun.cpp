#include "tagfile/ImportRun.h"

#include "server/ServerErrors.h"

ImportReport RunImportPlan(const ImportPlan& plan, ITagServer& server, const ImportRunOptions& options)
{
    ImportReport report;
    report.unchanged = plan.unchanged.size();
    const std::size_t total = plan.Calls();
    report.invalidRows = plan.invalidRows;
    if (plan.blocked) {
        report.blocked = true;
        report.notAttempted = total;
        return report;
    }
    std::size_t done = 0;

    // Returns false when the run must end.
    auto call = [&](ImportAction action, const PlannedTag& tag) {
        if (options.stop && options.stop()) {
            report.stopped = true;
            return false;
        }
        const HResult hr = action == ImportAction::Delete
                               ? server.DeleteTag(tag.id.type, tag.id.address, tag.id.param)
                               : server.AddTag(tag.id.type, tag.id.address, tag.id.param, tag.period);
        if (HrFailed(hr) && options.notMade && options.notMade(hr)) {
            report.stopped = true;
            return false;
        }
        ++done;
        if (HrFailed(hr) && IsConnectionLost(hr)) {
            report.disconnected = true;
            report.disconnectResult = hr;
            return false;
        }
        if (options.called) options.called(action, tag, hr);
        if (HrFailed(hr))
            report.refused.push_back(ImportRefusal{action, tag.id, tag.line, hr});
        else if (action == ImportAction::Add)
            ++report.added;
        else if (action == ImportAction::Change)
            ++report.changed;
        else
            ++report.deleted;
        if (options.progress) options.progress(done, total);
        return true;
    };

    bool going = true;
    for (const PlannedTag& tag : plan.add) {
        if (!(going = call(ImportAction::Add, tag))) break;
    }
    for (std::size_t i = 0; going && i < plan.change.size(); ++i) going = call(ImportAction::Change, plan.change[i]);
    for (std::size_t i = 0; going && i < plan.remove.size(); ++i) going = call(ImportAction::Delete, plan.remove[i]);
    // A call that lost the connection may or may not have been carried out: it is counted
    // as not attempted, like the rest.
    report.notAttempted = total - report.added - report.changed - report.deleted - report.refused.size();
    return report;
}

std::string FormatImportSummary(const ImportReport& r)
{
    return "added " + std::to_string(r.added) + ", changed " + std::to_string(r.changed) + ", deleted " +
           std::to_string(r.deleted) + ", unchanged " + std::to_string(r.unchanged) + ", refused " +
           std::to_string(r.refused.size()) + ", invalid rows " + std::to_string(r.invalidRows);
}

const char* ImportActionName(ImportAction action)
{
    switch (action) {
    case ImportAction::Add: return "add";
    case ImportAction::Change: return "change";
    case ImportAction::Delete: return "delete";
    }
    return "?";
}
