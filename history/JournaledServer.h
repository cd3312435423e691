// The one way a command changes the server: an ITagServer around the real one that, for
// each changing call, reads the value before (GetTagInfo before AddTag and DeleteTag,
// GetComSettings before SetComSettings) unless this command already read it, appends a
// journal line with the result "pending" ahead of the call (so that a program killed
// during the call leaves a trace), makes the call, appends the line with its result ("ok"
// or the HRESULT), and records an accepted call into the current step. Reading calls pass
// straight through.
// Portable code that takes an ITagServer (RunImportPlan, the branch deletion) is given
// this object, so that every change of the window and of zolctl is journaled alike.
#pragma once

#include "history/Journal.h"
#include "history/UndoStep.h"
#include "server/TagServer.h"
#include "tagfile/ServerTags.h"
#include "tagfile/TagNames.h"

#include <cstddef>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// Returned for a changing call that was not made because the journal could not be written
// (HRESULT_FROM_WIN32(ERROR_WRITE_FAULT)).
constexpr HResult kE_JournalNotWritten = static_cast<HResult>(0x8007001Du);

struct JournalContext {
    std::string program;  // "zolctl 0.917.40" / "zolcfg 0.917.40" (ASCII)
    TagNames naming;     // the tags' full names (null functions: names left empty)
};

class CJournaledServer final : public CForwardingTagServer {
public:
    // journal: null to work without one (the user chose so); the step is still recorded.
    CJournaledServer(ITagServer& inner, CJournal* journal, JournalContext context);

    // Starts a step: the action a person chose (Windows-1251), written into every line.
    void BeginStep(const std::string& action);
    // Ends it and hands over what was recorded (accepted changing calls).
    CUndoStep EndStep();

    // The tags as this command has just read them from the server: their states are the
    // before-values of the calls that follow (no GetTagInfo for them). With complete (an
    // entire walk), a tag not in the list is known to be absent. Each accepted call keeps
    // the state up to date. A tag listed without its period is read before its call.
    void KnowTags(const std::vector<ServerTag>& tags, bool complete);
    void KnowTag(const TagId& id, const TagState& state);
    void KnowPort(const PortSettings& port);
    void ForgetKnown();

    // The journal could not be written: no further changing call is made.
    bool JournalFailed() const { return m_bJournalFailed; }
    const std::string& JournalError() const { return m_journalError; }  // UTF-8
    // The connection to the server was found gone (the code that said so): no further
    // changing call is made or journaled, as none could reach the server.
    HResult ConnectionLost() const { return m_lost; }

    HResult AddTag(std::uint32_t type, std::uint32_t address, std::uint32_t param, std::int64_t period) override;
    HResult DeleteTag(std::uint32_t type, std::uint32_t address, std::uint32_t param) override;
    HResult RestartServer() override;
    HResult SetComSettings(std::uint16_t port, std::uint32_t baudRate, std::uint8_t dataBits, std::uint8_t stopBits,
                           std::uint8_t parity) override;
    // The readings (GetComSettings, EnumTags, GetTagInfo, ProbeDevice) pass on as they are.

    // The tag's (the port's) state as the server holds it now, whatever is known. False
    // when the server is gone (*lost); a tag whose period the server does not give reads
    // as absent, port settings it does not give as unknown.
    bool ReadNow(const TagId& id, TagState* state, HResult* lost);
    bool ReadPortNow(PortSettings* port, HResult* lost);

private:
    bool ReadBefore(const TagId& id, TagState* state, HResult* lost);
    // One change of a tag, journaled around the server's call: the state read before, the
    // pending line (its after text pendingAfter), the call, the line of its result and, on
    // success (which leaves the tag in the state wanted), the known state and the undo
    // step's record.
    HResult ChangeTag(CallKind kind, const TagId& id, const std::string& pendingAfter, const TagState& wanted,
                      const std::function<HResult()>& call);
    void NoteLost(HResult hr);
    // The line ahead of the call; false (the call is then not made) when it cannot be written.
    bool WritePending(const TagId* id, const std::string& before, const std::string& after);
    // The step gains one accepted tag call.
    void RecordTagCall(CallKind kind, const TagId& id, const TagState& before, const TagState& after);
    void Write(const TagId* id, const std::string& before, const std::string& after, const std::string& result);
    JournalLine MakeLine(const TagId* id) const;

    CJournal* m_pJournal;
    JournalContext m_context;
    std::string m_actionUtf8;
    CUndoStep m_step;
    std::unordered_map<TagId, TagState, TagIdHash> m_known;
    bool m_bKnownComplete = false;
    HResult m_lost = kS_OK;
    PortSettings m_knownPort;
    bool m_bJournalFailed = false;
    std::string m_journalError;
};

// The journal's text of a tag state (period in ms, "" absent, "?" unknown) and of port
// settings ("COM3 19200 8 none 1", "?" unknown).
std::string JournalStateText(const TagState& state);
std::string JournalPortText(const PortSettings& port);

struct PlannedRunOptions {
    std::function<bool()> stop;                                   // asked before every call
    std::function<void(std::size_t done, std::size_t total)> progress;  // after every call
};

struct PlannedRunReport {
    std::vector<std::size_t> doneOrdinals;  // ordinals of the calls the server accepted
    std::size_t refused = 0;
    HResult firstRefusal = kS_OK;
    bool stopped = false;
    bool disconnected = false;      // the server went away (the rest was not sent)
    HResult disconnectResult = kS_OK;
    bool journalFailed = false;     // the journal could not be written (the rest was not sent)
    std::size_t notSent = 0;
    // Calls not sent because the server no longer held what the step expected: another
    // program changed the tag (or the port) meanwhile. They stay on the step.
    std::size_t changedElsewhere = 0;
    bool firstChangedIsPort = false;
    TagId firstChanged;
    // Those tags, each with whether the server holds it now (for the tree).
    std::vector<std::pair<TagId, bool>> changedTags;
};

// Sends planned calls (an undo or a redo) through the journaled server. Before each call
// the tag (or the port) is read: a call whose tag no longer holds what the step left is
// skipped (counted in changedElsewhere), the others are sent with the value read as the
// journal's before-value. A refusal is counted and the rest still sent.
PlannedRunReport RunPlannedCalls(CJournaledServer& server, const std::vector<PlannedCall>& calls,
                                 const PlannedRunOptions& options = {});
