// Resource identifiers: dialog templates, their controls, icons and menu commands.
// The numbers are fixed: the server's configurator has always used them.
#pragma once

// Icons
#define IDR_MAINFRAME 136

// Main window (template 102)
#define IDD_ZOLCFG_DIALOG 102
#define IDC_CONFIG_TREE 1015
#define IDC_COM_PORT 4
#define IDC_ADD_DEVICE 5
#define IDC_APPLY 1012
// The exit button is the Cancel command (IDCANCEL, 2).

// Context menu commands of the main window
#define ID_ADD_DEVICE 32801
#define ID_DELETE_DEVICE 32802
#define ID_DELETE_TAGS 32803
#define ID_ADD_TAG 32804
#define ID_DELETE_TAG 32805
#define ID_EDIT_TAG 32806

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
