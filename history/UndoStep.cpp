#include "history/UndoStep.h"

bool HoldsExpected(const TagState& expected, const TagState& now)
{
    if (expected.kind == TagState::Unknown) return now.kind != TagState::Absent;
    return expected == now;
}

bool HoldsExpected(const PortSettings& expected, const PortSettings& now)
{
    return !expected.known || expected == now;
}

std::vector<PlannedCall> CUndoStep::InverseCalls(std::size_t* notInvertible) const
{
    std::vector<PlannedCall> out;
    out.reserve(calls.size());
    std::size_t skipped = 0;
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        const RecordedCall& c = *it;
        PlannedCall p;
        p.ordinal = c.ordinal;
        p.id = c.id;
        if (c.kind == CallKind::RestartServer) continue;  // nothing to take back
        if (c.kind == CallKind::SetComSettings) {
            if (!c.portBefore.known) {
                ++skipped;
                continue;
            }
            // Settings applied as they were are still checked: another program may have
            // changed them since, and redo checks them too.
            p.kind = CallKind::SetComSettings;
            p.port = c.portBefore;
            p.expectedPortBefore = c.portAfter;
            out.push_back(p);
            continue;
        }
        // A call that changed nothing is still sent and checked, as redo sends it: the
        // tag another program changed since is left alone and reported.
        p.expectedBefore = c.after;
        switch (c.before.kind) {
        case TagState::Absent:
            p.kind = CallKind::DeleteTag;
            break;
        case TagState::Period:
            p.kind = CallKind::AddTag;
            p.period = c.before.period;
            break;
        case TagState::Unknown:
            ++skipped;
            continue;
        }
        out.push_back(p);
    }
    if (notInvertible) *notInvertible = skipped;
    return out;
}

std::vector<PlannedCall> CUndoStep::RepeatCalls() const
{
    std::vector<PlannedCall> out;
    out.reserve(calls.size());
    for (const RecordedCall& c : calls) {
        PlannedCall p;
        p.ordinal = c.ordinal;
        p.kind = c.kind;
        p.id = c.id;
        p.expectedBefore = c.before;
        p.expectedPortBefore = c.portBefore;
        if (c.kind == CallKind::RestartServer) continue;
        if (c.kind == CallKind::SetComSettings) {
            p.port = c.portAfter;
        } else if (c.after.kind == TagState::Period) {
            p.kind = CallKind::AddTag;
            p.period = c.after.period;
        } else if (c.after.kind == TagState::Absent) {
            p.kind = CallKind::DeleteTag;
        } else {
            continue;
        }
        out.push_back(p);
    }
    return out;
}
