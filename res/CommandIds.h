// The main window's command ids: what its menus and WM_COMMAND carry. The first six are the
// configurator's own numbers; each later one takes the next number, so a new command is a
// name at the end of the list (and a row of commands/CommandTable.h), never a chosen number.
// The numbers given out stay as they are (tests/unit/commands_command_table_test.cpp holds
// them), so a command is never taken out of the middle or moved.
//
// The system menu's ids are chosen by hand: the system reserves their low four bits.
#pragma once

enum WindowCommandId {
    // The context menu's own six
    ID_ADD_DEVICE = 32801,
    ID_DELETE_DEVICE,
    ID_DELETE_TAGS,
    ID_ADD_TAG,
    ID_DELETE_TAG,
    ID_EDIT_TAG,
    // Added later, in the order they came
    ID_DESCRIPTION_FILES,
    ID_FIND,
    ID_FIND_NEXT,
    ID_BRANCH_PERIOD,
    ID_EXPORT_TAGS,
    ID_IMPORT_TAGS,
    ID_UNDO,
    ID_REDO,
    ID_HISTORY,
    ID_RESTORE_SNAPSHOT,  // a snapshot's restore, chosen in the history dialog (no menu)
    ID_COPY_DEVICE,
    ID_CHECK_LINE,
    ID_CONFIG_REPORT,
    // A new command goes here.
};

// "Описания приборов...", "История изменений..." and "Справка" in the system menu.
#define IDM_DESCRIPTION_FILES 0x0120
#define IDM_HISTORY 0x0130
#define IDM_GUIDE 0x0170
