#include "history/UndoStack.h"

#include <algorithm>
#include <unordered_set>

namespace {

const std::string kNone;

}  // namespace

void CUndoStack::Push(CUndoStep step)
{
    if (step.Empty()) return;
    m_redo.clear();
    m_undo.push_back(Entry{m_nextSerial++, std::move(step)});
}

const std::string& CUndoStack::UndoAction() const { return m_undo.empty() ? kNone : m_undo.back().step.action; }
const std::string& CUndoStack::RedoAction() const { return m_redo.empty() ? kNone : m_redo.back().step.action; }

std::size_t CUndoStack::UndoCalls() const { return m_undo.empty() ? 0 : m_undo.back().step.InverseCalls().size(); }
std::size_t CUndoStack::RedoCalls() const { return m_redo.empty() ? 0 : m_redo.back().step.RepeatCalls().size(); }

UndoReport CUndoStack::Undo(CJournaledServer& server, const std::string& journalAction,
                            const PlannedRunOptions& options)
{
    return Move(m_undo, m_redo, true, server, journalAction, options);
}

UndoReport CUndoStack::Redo(CJournaledServer& server, const std::string& journalAction,
                            const PlannedRunOptions& options)
{
    return Move(m_redo, m_undo, false, server, journalAction, options);
}

void CUndoStack::Clear()
{
    m_undo.clear();
    m_redo.clear();
}

UndoReport CUndoStack::Move(std::vector<Entry>& from, std::vector<Entry>& to, bool undo, CJournaledServer& server,
                            const std::string& journalAction, const PlannedRunOptions& options)
{
    UndoReport report;
    if (from.empty()) return report;
    Entry& entry = from.back();
    report.ran = true;
    report.action = entry.step.action;
    const std::vector<PlannedCall> calls =
        undo ? entry.step.InverseCalls(&report.notInvertible) : entry.step.RepeatCalls();
    report.calls = calls.size();

    server.BeginStep(journalAction);
    report.run = RunPlannedCalls(server, calls, options);
    server.EndStep();

    // The calls done, and those with nothing to send, move to the other stack; the rest
    // stays, to be tried again.
    std::unordered_set<std::size_t> planned, done(report.run.doneOrdinals.begin(), report.run.doneOrdinals.end());
    for (const PlannedCall& c : calls) planned.insert(c.ordinal);
    CUndoStep moved, stays;
    moved.action = stays.action = entry.step.action;
    for (const RecordedCall& c : entry.step.calls) {
        const bool goes = planned.count(c.ordinal) == 0 || done.count(c.ordinal) != 0;
        (goes ? moved : stays).calls.push_back(c);
    }
    const std::size_t serial = entry.serial;
    report.complete = stays.calls.empty();
    if (report.complete)
        from.pop_back();
    else
        entry.step = std::move(stays);

    if (!moved.calls.empty()) {
        if (!to.empty() && to.back().serial == serial) {
            // A part of the same step moved before: one step again, in the calls' order.
            std::vector<RecordedCall>& all = to.back().step.calls;
            all.insert(all.end(), moved.calls.begin(), moved.calls.end());
            std::sort(all.begin(), all.end(),
                      [](const RecordedCall& a, const RecordedCall& b) { return a.ordinal < b.ordinal; });
        } else {
            to.push_back(Entry{serial, std::move(moved)});
        }
    }
    return report;
}
