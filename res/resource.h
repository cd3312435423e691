// Resource identifiers: dialog templates, their controls and icons; the menu commands are
// res/CommandIds.h. The numbers are fixed: the server's configurator has always used them.
#pragma once

#ifndef RC_INVOKED
#include "CommandIds.h"
#endif

// Icons
#define IDR_MAINFRAME 136

// Main window (template 102)
#define IDD_ZOLCFG_DIALOG 102
#define IDC_CONFIG_TREE 1015
#define IDC_COM_PORT 4
#define IDC_ADD_DEVICE 5
#define IDC_APPLY 1012
// The exit button is the Cancel command (IDCANCEL, 2).

// The platform's help command
#define ID_HELP 57670

// Add-tags dialog (template 106)
#define IDD_ADD_TAG_TREE 106
#define IDC_PARAM_TREE 1015
#define IDC_PERIOD_SPIN 1005
#define IDC_PERIOD_EDIT 1006

// Refresh-period dialog (template 107)
#define IDD_EDIT_REFRESH_TIME 107
// Its spin and field share ids 1005 and 1006 with the add-tags dialog.

// COM-port settings dialog (template 104); the lists are numbered in the order
// port, speed, data bits, parity, stop bits.
#define IDD_COM_SETTINGS 104
#define IDC_PORT_COMBO 1001
#define IDC_SPEED_COMBO 1002
#define IDC_DATA_BITS_COMBO 1003
#define IDC_PARITY_COMBO 1004
#define IDC_STOP_BITS_COMBO 1005

// Add-device dialog (template 105)
#define IDD_ADD_DEVICE 105
#define IDC_DEVICE_TYPE 1001
#define IDC_NET_ADDRESS_SPIN 1003
#define IDC_NET_ADDRESS 1004
#define IDC_AUTO_SEARCH 1023

// Auto-search dialog (template 108)
#define IDD_AUTO_FIND 108
#define IDC_START_ADDRESS_SPIN 1003
#define IDC_START_ADDRESS 1004
#define IDC_END_ADDRESS_SPIN 1005
#define IDC_END_ADDRESS 1006
#define IDC_FOUND_TREE 1015
#define IDC_STOP_SEARCH 1028
// The Start button is the OK command (IDOK, 1).

// Description-files dialog (template 109)
#define IDD_DESCRIPTION_FILES 109
#define IDC_DSC_FOLDER 1030
#define IDC_DSC_LIST 1031
#define IDC_DSC_DETAILS 1032

// Find dialog (template 110); "Найти далее" is the OK command
#define IDD_FIND 110
#define IDC_FIND_TEXT 1033

// Branch refresh-period dialog (template 111); its spin and field are 1005 and 1006 as
// in the refresh-period dialog
#define IDD_BRANCH_PERIOD 111
#define IDC_BRANCH_PERIOD_NOTE 1034

// Progress window of long operations: reading the configuration, export (template 112)
#define IDD_PROGRESS_WINDOW 112
#define IDC_PROGRESS_TEXT 1035

// Import preview (template 113); "Импортировать" is the OK command
#define IDD_IMPORT_PREVIEW 113
#define IDC_IMPORT_FILE 1036
#define IDC_IMPORT_COUNTS 1037
#define IDC_IMPORT_ISSUES 1038
#define IDC_IMPORT_PROGRESS 1039
#define IDC_IMPORT_STOP 1040

// The history of changes: the history dialog (template 114) and the progress of a long
// undo (template 115)
#define IDD_HISTORY 114
#define IDC_HISTORY_FOLDER 1041
#define IDC_HISTORY_SNAPSHOTS 1042
#define IDC_HISTORY_JOURNAL 1043
#define IDC_HISTORY_RESTORE 1044
#define IDD_STEP_PROGRESS 115
#define IDC_STEP_PROGRESS_TEXT 1045
#define IDC_STEP_PROGRESS_BAR 1046
#define IDC_STEP_PROGRESS_STOP 1047

// Copying a device's tags to other addresses (template 116); "Копировать" is the OK command
#define IDD_COPY_DEVICE 116
#define IDC_COPY_SOURCE 1048
#define IDC_COPY_ADDRESSES 1049
#define IDC_COPY_COUNTS 1050
#define IDC_COPY_REFUSED 1051

// The line check (template 117)
#define IDD_LINE_CHECK 117
#define IDC_CHECK_STATUS 1052
#define IDC_CHECK_LIST 1053
#define IDC_CHECK_COUNTS 1054
#define IDC_CHECK_LOAD 1055
#define IDC_CHECK_PROGRESS 1056
#define IDC_CHECK_STOP 1057
