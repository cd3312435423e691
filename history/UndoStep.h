// What one command changed on the server, call by call, with the values before and after:
// enough to send the inverse calls (undo) or the same calls again (redo).
#pragma once

#include "serial/PortSettings.h"
#include "server/TagServer.h"
#include "tagfile/TagFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class CallKind { AddTag, DeleteTag, SetComSettings, RestartServer };

// A tag as the server held it.
struct TagState {
    enum Kind { Absent, Period, Unknown };  // Unknown: it existed, its period was not given
    Kind kind = Absent;
    std::int64_t period = 0;  // 100-ns units, for Period

    static TagState None() { return TagState{}; }
    static TagState Of(std::int64_t p) { return TagState{Period, p}; }
    bool operator==(const TagState& o) const { return kind == o.kind && (kind != Period || period == o.period); }
    bool operator!=(const TagState& o) const { return !(*this == o); }
};

// A changing call the server accepted.
struct RecordedCall {
    CallKind kind = CallKind::AddTag;
    TagId id;                         // AddTag, DeleteTag
    TagState before, after;           // AddTag, DeleteTag
    PortSettings portBefore, portAfter;  // SetComSettings
    std::size_t ordinal = 0;          // its place among the step's calls
};

// A call to send, with what the server is expected to hold before it: what the step left
// (undo) or what the undo left (redo). The sender checks it against the server first.
struct PlannedCall {
    CallKind kind = CallKind::AddTag;
    TagId id;
    std::int64_t period = 0;       // AddTag
    PortSettings port;             // SetComSettings
    TagState expectedBefore;       // AddTag, DeleteTag
    PortSettings expectedPortBefore;
    std::size_t ordinal = 0;       // of the recorded call it comes from
};

// Whether the server still holds what a planned call expects: the same period, or (for a
// tag the step knew to exist without its period) any period; port settings the step never
// knew are taken as held.
bool HoldsExpected(const TagState& expected, const TagState& now);
bool HoldsExpected(const PortSettings& expected, const PortSettings& now);

class CUndoStep {
public:
    std::string action;               // the command as a person chose it (Windows-1251)
    std::vector<RecordedCall> calls;  // accepted changing calls, in the order made

    bool Empty() const { return calls.empty(); }
    // The calls that undo the step, last call first, one for each call (one that changed
    // nothing included, so that it is checked against the server); a call whose before-value is not
    // known (a tag deleted whose period the server did not give) cannot be undone and is
    // counted in *notInvertible.
    std::vector<PlannedCall> InverseCalls(std::size_t* notInvertible = nullptr) const;
    // The step's calls again, in their order, expecting the before-values of the first time.
    std::vector<PlannedCall> RepeatCalls() const;
};
