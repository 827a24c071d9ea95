// Resource ids of the tweak manager.
#pragma once

// String 128: the window name (the frame's class and title, the instance mutex); also the menu
// bar and the icon.
#define IDR_MAINFRAME 128

// The Info window of a toggle from the command line.
#define IDD_INFODLG 206
#define IDC_INFO_TEXT 1010
