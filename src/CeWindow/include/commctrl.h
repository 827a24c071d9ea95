// The common controls library's initialisation. The system controls of <winuser.h> always
// exist; InitCommonControlsEx is accepted and does nothing more.
#pragma once

#include <CeWindow/Api.h>
#include <windows.h>

typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_DATE_CLASSES 0x00000100

extern "C" {
// TRUE when dwSize is sizeof(INITCOMMONCONTROLSEX); FALSE (ERROR_INVALID_PARAMETER) otherwise.
CEWINDOW_API BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* lpInitCtrls);
}
