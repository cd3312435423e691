// Nothing lost: a journal of every change made to the server, snapshots of the whole
// configuration, undo and redo of a command's changes, and restoring a snapshot. Shared by
// the window and zolctl; portable (the platform gives only the clock, the user, the
// computer, the environment and the file primitives: HistoryPlatform.h).
//
// The history folder (HistoryFolder.h): --history DIR (zolctl), else ZOLCFG_HISTORY, else
// %LOCALAPPDATA%\zolcfg\history; created when first written to. It holds:
//
//   journal.csv     two lines per changing server call: result "pending" ahead of the call,
//                   then the line with its result, appended once the call returned:
//                   time;user;computer;program;action;type;address;param;name;before;after;result
//                   2026-12-08T10:25:03+03:00;ivanov;SCADA1;zolctl 0.917.40;zolctl delete;1;5;14;PM3F(005).Frequency;2000;;ok
//                   (the tag files' CSV: UTF-8 with BOM, ';', CR LF, quoting; before/after a
//                   period in ms, empty for "no such tag", "?" when the server did not say;
//                   port settings as "zolctl port" prints them; result ok or 0x8007001F).
//                   Over 10 MB it becomes journal-1.csv (journal-1 -> journal-2 ..., 5 kept).
//   YYYYMMDD-HHMMSS-<program>.csv   a snapshot: a tag file of every tag with its period,
//                   after two comment lines: "# <program> <version>;<time>;devices N;tags N"
//                   and "# port COM3 19200 8 none 1". Written only when it differs from the
//                   newest; at most 200 files and 200 MB, the oldest go first.
//
// The API of this folder (strings in the model are Windows-1251 like the rest of the core;
// journal fields as read from the file are UTF-8):
//   HistoryPlatform.h  IHistoryPlatform (clock, user, computer, environment, appends,
//                      exclusive create), SystemHistoryPlatform() for the running system
//   HistoryFolder.h    ResolveHistoryFolder: option / environment / default
//   Journal.h          JournalLine, FormatJournalLine / ReadJournalLines, CJournal: the
//                      appending writer with rotation; ReadJournal: every kept file, oldest
//                      first, each call once (ResolvePendingLines); JournalLinesSince;
//                      WriteJournalJson
//   Snapshot.h         MakeSnapshotText, ReadSnapshotInfo, ListSnapshots, WriteSnapshot
//                      (only when it differs from the newest; retention after it)
//   UndoStep.h         RecordedCall, CUndoStep: what a command changed, with before/after;
//                      InverseCalls (undo) and RepeatCalls (redo) as PlannedCall lists
//   JournaledServer.h  CJournaledServer: an ITagServer around another one: every AddTag,
//                      DeleteTag, SetComSettings, RestartServer reads the before-value,
//                      appends a "pending" line, makes the call, appends the line with its
//                      result and records the call into the current step; RunPlannedCalls:
//                      undo/redo through it, each call checked against the server first
//   UndoStack.h        CUndoStack: the steps of one run of the window, undo and redo with
//                      partial results (refused or stopped calls stay undoable)
//   RestorePlan.h      MakeRestorePlan: a snapshot's bytes against the server's tags -> the
//                      import plan with replace (tagfile/ImportPlan.h) and the port change
//
// How a command changes the server (zolctl and the window alike):
//   CJournal journal(platform, folder);         // nothing written yet
//   if (!journal.Open(&error)) ...              // ask / refuse: the folder is not writable
//   CJournaledServer server(inner, &journal, naming, context);   // or nullptr: no journal
//   server.BeginStep("zolctl delete-device");   // the action a person chose (Windows-1251)
//   server.KnowTags(list.tags, complete);        // optional: before-values this command just
//                                                // read (an import's plan); others are read
//                                                // with GetTagInfo right before the call
//   ... server.DeleteTag(...), RunImportPlan(plan, server, ...) ...
//   CUndoStep step = server.EndStep();          // the window pushes it on its CUndoStack
//   journal.Close();                             // flushed at the end of each command
// A journal line that cannot be written stops the changes: server.JournalFailed() turns
// true, every further changing call returns kE_JournalNotWritten without being made.
#pragma once

#include "history/ChangeSession.h"
#include "history/HistoryFolder.h"
#include "history/HistoryPlatform.h"
#include "history/Journal.h"
#include "history/JournaledServer.h"
#include "history/Restore.h"
#include "history/RestorePlan.h"
#include "history/Snapshot.h"
#include "history/UndoStack.h"
#include "history/UndoStep.h"
