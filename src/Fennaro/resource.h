// Resource ids of the tweak manager.
#pragma once

// String 128: the window name (the frame's class and title, the instance mutex); menu 128: the
// menu bar; icon 128: the application's icon.
#define IDR_MAINFRAME 128

// The menu bar's commands.
#define ID_APP_ABOUT 57664  // "About"
#define ID_APP_EXIT 57665   // "Done": apply every pending change and close
#define ID_RESTORE 32773    // "Restore": restore every tweak

// The About box.
#define IDD_ABOUTBOX 100

// The tweak view and its controls.
#define IDD_FENNARO_FORM 107
#define IDC_ENABLE 1003
#define IDC_SHORTCUT 1004
#define IDC_DESCRIPTION 1005
#define IDC_CATEGORY 1015
#define IDC_TWEAK 1016

// The splash screen and its bitmap (the bitmap resource and the control share the id).
#define IDD_SPLASH 204
#define IDB_SPLASH 203
#define IDC_SPLASH_BITMAP 203

// The Info window of a toggle from the command line.
#define IDD_INFODLG 206
#define IDC_INFO_TEXT 1010
