// The undo and redo stacks of one run of the window. A new step clears the redo stack.
// Undo sends the top step's inverse calls through the journaled server; the calls undone
// go to the redo stack (joining a part of the same step already there), the others stay
// on the undo stack: a refused or stopped undo can be tried again. Redo is the mirror.
#pragma once

#include "history/JournaledServer.h"
#include "history/UndoStep.h"

#include <cstddef>
#include <string>
#include <vector>

struct UndoReport {
    bool ran = false;               // there was a step
    std::string action;             // the step's action (Windows-1251)
    std::size_t calls = 0;          // calls planned
    std::size_t notInvertible = 0;  // recorded calls that cannot be undone (dropped)
    PlannedRunReport run;
    bool complete = false;          // the whole step moved to the other stack
};

class CUndoStack {
public:
    // A step with no calls is not pushed. Clears the redo stack.
    void Push(CUndoStep step);
    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    const std::string& UndoAction() const;  // "" when none
    const std::string& RedoAction() const;
    std::size_t UndoCalls() const;  // calls the next undo would send
    std::size_t RedoCalls() const;

    // journalAction: the journal's action for the calls (e.g. "Отменить: Удалить устройство").
    UndoReport Undo(CJournaledServer& server, const std::string& journalAction, const PlannedRunOptions& options = {});
    UndoReport Redo(CJournaledServer& server, const std::string& journalAction, const PlannedRunOptions& options = {});

    void Clear();

private:
    struct Entry {
        std::size_t serial = 0;
        CUndoStep step;
    };
    UndoReport Move(std::vector<Entry>& from, std::vector<Entry>& to, bool undo, CJournaledServer& server,
                    const std::string& journalAction, const PlannedRunOptions& options);

    std::vector<Entry> m_undo, m_redo;  // top at the back
    std::size_t m_nextSerial = 1;
};
