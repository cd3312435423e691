#include "history/JournaledServer.h"

#include "server/ServerErrors.h"
#include "tagfile/TagFileWriter.h"
#include "tagfile/TextEncoding.h"

#include <algorithm>

namespace {

std::string ResultText(HResult hr)
{
    if (HrSucceeded(hr)) return "ok";
    char buffer[16];
    return FormatHResult(hr, buffer);
}

}  // namespace

std::string JournalStateText(const TagState& state)
{
    switch (state.kind) {
    case TagState::Absent: return std::string();
    case TagState::Unknown: return "?";
    case TagState::Period: break;
    }
    TagFileRecord record;
    record.period = state.period;
    return FormatPeriodField(record);
}

std::string JournalPortText(const PortSettings& port) { return FormatPortSettings(port); }

CJournaledServer::CJournaledServer(ITagServer& inner, CJournal* journal, JournalContext context)
    : CForwardingTagServer(inner), m_pJournal(journal), m_context(std::move(context))
{
}

void CJournaledServer::BeginStep(const std::string& action)
{
    m_step = CUndoStep();
    m_step.action = action;
    m_actionUtf8 = Cp1251ToUtf8(action);
    ForgetKnown();
}

CUndoStep CJournaledServer::EndStep()
{
    CUndoStep step = std::move(m_step);
    m_step = CUndoStep();
    ForgetKnown();
    return step;
}

void CJournaledServer::KnowTags(const std::vector<ServerTag>& tags, bool complete)
{
    m_known.reserve(m_known.size() + tags.size());
    for (const ServerTag& tag : tags) {
        if (tag.periodKnown)
            m_known[tag.id] = TagState::Of(tag.period);
        else
            m_known[tag.id] = TagState{TagState::Unknown, 0};
    }
    m_bKnownComplete = complete;
}

void CJournaledServer::KnowTag(const TagId& id, const TagState& state) { m_known[id] = state; }

void CJournaledServer::KnowPort(const PortSettings& port) { m_knownPort = port; }

void CJournaledServer::ForgetKnown()
{
    m_known.clear();
    m_bKnownComplete = false;
    m_knownPort = PortSettings();
}

// The tag's state before a change: known from this command, or read now. False when the
// server is gone (*lost): the change is then not attempted.
void CJournaledServer::NoteLost(HResult hr)
{
    if (IsConnectionLost(hr)) m_lost = hr;
}

bool CJournaledServer::ReadBefore(const TagId& id, TagState* state, HResult* lost)
{
    const auto found = m_known.find(id);
    if (found != m_known.end() && found->second.kind != TagState::Unknown) {
        *state = found->second;
        return true;
    }
    if (found == m_known.end() && m_bKnownComplete) {
        *state = TagState::None();
        return true;
    }
    return ReadNow(id, state, lost);
}

bool CJournaledServer::ReadNow(const TagId& id, TagState* state, HResult* lost)
{
    std::uint32_t low = 0, high = 0;
    const HResult hr = m_inner.GetTagInfo(id.type, id.address, id.param, &low, &high);
    if (HrSucceeded(hr)) {
        *state = TagState::Of(JoinPeriod(low, high));
        return true;
    }
    if (IsConnectionLost(hr)) {
        *lost = m_lost = hr;
        return false;
    }
    // The server gives no period of a tag it does not hold.
    *state = TagState::None();
    return true;
}

bool CJournaledServer::ReadPortNow(PortSettings* port, HResult* lost)
{
    HResult hr = kS_OK;
    const PortSettings read = ReadPortSettings(m_inner, &hr);
    if (HrFailed(hr) && IsConnectionLost(hr)) {
        *lost = m_lost = hr;
        return false;
    }
    *port = read;
    return true;
}

JournalLine CJournaledServer::MakeLine(const TagId* id) const
{
    JournalLine line;
    line.program = m_context.program;
    line.action = m_actionUtf8;
    if (id != nullptr) {
        line.type = std::to_string(id->type);
        line.address = std::to_string(id->address);
        line.param = std::to_string(id->param);
        if (m_context.naming.tagName)
            line.name = Cp1251ToUtf8(m_context.naming.tagName(id->address, id->type, id->param));
    }
    return line;
}

bool CJournaledServer::WritePending(const TagId* id, const std::string& before, const std::string& after)
{
    if (m_pJournal == nullptr) return true;
    Write(id, before, after, kJournalPending);
    return !m_bJournalFailed;
}

void CJournaledServer::Write(const TagId* id, const std::string& before, const std::string& after,
                             const std::string& result)
{
    if (m_pJournal == nullptr) return;
    JournalLine line = MakeLine(id);
    line.before = before;
    line.after = after;
    line.result = result;
    std::string error;
    if (!m_pJournal->Append(std::move(line), &error)) {
        m_bJournalFailed = true;
        m_journalError = error;
    }
}

void CJournaledServer::RecordTagCall(CallKind kind, const TagId& id, const TagState& before, const TagState& after)
{
    RecordedCall call;
    call.kind = kind;
    call.id = id;
    call.before = before;
    call.after = after;
    call.ordinal = m_step.calls.size();
    m_step.calls.push_back(call);
}

HResult CJournaledServer::ChangeTag(CallKind kind, const TagId& id, const std::string& pendingAfter,
                                    const TagState& wanted, const std::function<HResult()>& call)
{
    if (m_bJournalFailed) return kE_JournalNotWritten;
    if (m_lost != kS_OK) return m_lost;
    TagState before;
    HResult lost = kS_OK;
    if (!ReadBefore(id, &before, &lost)) return lost;
    if (!WritePending(&id, JournalStateText(before), pendingAfter)) return kE_JournalNotWritten;
    const HResult hr = call();
    NoteLost(hr);
    TagState after = before;
    if (HrSucceeded(hr)) {
        after = wanted;
        // Deleted: it was there, whatever the period read said.
        if (kind == CallKind::DeleteTag && before.kind == TagState::Absent) before = TagState{TagState::Unknown, 0};
    }
    Write(&id, JournalStateText(before), JournalStateText(after), ResultText(hr));
    if (HrSucceeded(hr)) {
        m_known[id] = after;
        RecordTagCall(kind, id, before, after);
    }
    return hr;
}

HResult CJournaledServer::AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::int64_t period)
{
    return ChangeTag(
        CallKind::AddTag, TagId{type, address, param}, JournalStateText(TagState::Of(period)), TagState::Of(period),
        [&] { return m_inner.AddTag(type, address, param, period); });
}

HResult CJournaledServer::DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param)
{
    return ChangeTag(CallKind::DeleteTag, TagId{type, address, param}, std::string(), TagState::None(),
                     [&] { return m_inner.DeleteTag(type, address, param); });
}

HResult CJournaledServer::RestartServer()
{
    if (m_bJournalFailed) return kE_JournalNotWritten;
    if (m_lost != kS_OK) return m_lost;
    if (!WritePending(nullptr, std::string(), std::string())) return kE_JournalNotWritten;
    const HResult hr = m_inner.RestartServer();
    NoteLost(hr);
    Write(nullptr, std::string(), std::string(), ResultText(hr));
    // What was known of the server is not known of the restarted one.
    ForgetKnown();
    return hr;
}

HResult CJournaledServer::SetComSettings(std::uint16_t port, std::uint32_t baudRate, std::uint8_t dataBits,
                                         std::uint8_t stopBits, std::uint8_t parity)
{
    if (m_bJournalFailed) return kE_JournalNotWritten;
    if (m_lost != kS_OK) return m_lost;
    PortSettings before = m_knownPort;
    HResult lost = kS_OK;
    if (!before.known && !ReadPortNow(&before, &lost)) return lost;
    const PortSettings wanted{true, port, baudRate, dataBits, stopBits, parity};
    if (!WritePending(nullptr, JournalPortText(before), JournalPortText(wanted))) return kE_JournalNotWritten;
    const HResult hr = m_inner.SetComSettings(port, baudRate, dataBits, stopBits, parity);
    NoteLost(hr);
    const PortSettings after = HrSucceeded(hr) ? wanted : before;
    Write(nullptr, JournalPortText(before), JournalPortText(after), ResultText(hr));
    if (HrSucceeded(hr)) {
        m_knownPort = after;
        RecordedCall call;
        call.kind = CallKind::SetComSettings;
        call.portBefore = before;
        call.portAfter = after;
        call.ordinal = m_step.calls.size();
        m_step.calls.push_back(call);
    }
    return hr;
}

PlannedRunReport RunPlannedCalls(CJournaledServer& server, const std::vector<PlannedCall>& calls,
                                 const PlannedRunOptions& options)
{
    PlannedRunReport report;
    std::size_t attempted = 0;
    for (const PlannedCall& call : calls) {
        if (options.stop && options.stop()) {
            report.stopped = true;
            break;
        }
        // What the server holds now decides: a tag another program changed since the step
        // is left as that program left it, and the value read is the journal's.
        HResult hr = kS_OK;
        bool held = true;
        if (call.kind == CallKind::SetComSettings) {
            PortSettings now;
            if (!server.ReadPortNow(&now, &hr)) {
                held = false;
            } else if (!HoldsExpected(call.expectedPortBefore, now)) {
                if (report.changedElsewhere++ == 0) report.firstChangedIsPort = true;
                held = false;
                hr = kS_OK;
            } else {
                server.KnowPort(now);
                hr = server.SetComSettings(call.port.port, call.port.baudRate, call.port.dataBits,
                                           call.port.stopBits, call.port.parity);
            }
        } else {
            TagState now;
            if (!server.ReadNow(call.id, &now, &hr)) {
                held = false;
            } else if (!HoldsExpected(call.expectedBefore, now)) {
                if (report.changedElsewhere++ == 0) report.firstChanged = call.id;
                report.changedTags.emplace_back(call.id, now.kind != TagState::Absent);
                held = false;
                hr = kS_OK;
            } else {
                server.KnowTag(call.id, now);
                hr = call.kind == CallKind::AddTag
                         ? server.AddTag(call.id.type, call.id.address, call.id.param, call.period)
                         : server.DeleteTag(call.id.type, call.id.address, call.id.param);
            }
        }
        if (HrFailed(hr) && server.JournalFailed() && hr == kE_JournalNotWritten) {
            report.journalFailed = true;
            break;
        }
        ++attempted;
        if (held && HrSucceeded(hr)) {
            report.doneOrdinals.push_back(call.ordinal);
        } else if (HrFailed(hr) && IsConnectionLost(hr)) {
            report.disconnected = true;
            report.disconnectResult = hr;
            break;
        } else if (HrFailed(hr)) {
            if (report.refused++ == 0) report.firstRefusal = hr;
        }
        if (options.progress) options.progress(attempted, calls.size());
    }
    report.notSent = calls.size() - attempted;
    return report;
}
