// The window system of the device's platform, implemented by the CeWindow library: window
// classes and windows, messages and the message loop, timers, dialogs from resource templates,
// the system controls, message boxes and string resources.
//
// The screen is the terminal. One character cell is 4 pixels wide and 8 pixels high; a dialog
// unit is one pixel (dialog base units 4 x 8), so a template's coordinates fall on the cell grid,
// rounded to the nearest cell; a window with a width or a height keeps at least one cell of it.
// Window rectangles are in pixels. The top row is the task bar, the bottom row the soft-key row;
// the work area (SPI_GETWORKAREA) is the screen less those rows. Without a terminal the window
// system runs headless (see <CeWindow/Screen.h>). Where the window system knowingly differs from
// the device's is listed in the README ("Where the stand-in differs from the device").
//
// Soft keys. F1 is the left soft key, F2 the right one, as on the phone's emulators; F3 and F4
// press them too, for terminals that keep F1 for their own help. A tap on the left half of the
// bottom row presses the left one, on its right half the right one. The bottom row shows what
// they do now, for the active window:
// - a window with a soft-key bar (SHCreateMenuBar, <aygshell.h>): the bar's two keys;
// - a message box: its own, its first two buttons ("OK"; "Yes" and "No"; "OK" and "Cancel" ...);
// - a window without a bar that has WS_EX_CAPTIONOKBTN: "OK" on the left soft key, which sends
//   it WM_COMMAND(IDOK); the right one's keys are then keys like any other;
// - any other window: none (the row shows the windows, blank under a frame); F1 to F4 are keys
//   like any other.
// The bar of a window behind (a frame's under its message box or modal dialog) is neither shown
// nor pressed. An open soft-key menu takes every key and tap until it closes; a tap on one of its
// items chooses it, a tap anywhere else closes it. The caption's OK button ("[ok]" on the task
// bar) can be tapped too.
//
// The stylus. The terminal's mouse is the stylus: a click is a tap. A tap goes to the window drawn
// under it as WM_LBUTTONDOWN (wParam MK_LBUTTON), then WM_LBUTTONUP, lParam the point in client
// pixels (MAKELPARAM(x, y), signed; a tap on a cell is a tap on its centre); first its top-level
// window is activated. A disabled window, or one inside a disabled window (the owner of a modal
// dialog or message box), ignores taps. The system controls take the focus when tapped: a check
// box or button is clicked when the stylus is lifted on it (BN_CLICKED); a drop-down list opens,
// a tap on an entry selects it (CBN_SELCHANGE) and closes it, a tap anywhere else closes it
// unchanged; an edit box puts its caret on the character tapped, and a tap on its scroll bar's
// arrows scrolls it one line (without taking the focus). A message box's buttons can be tapped.
// The wheel is WM_MOUSEWHEEL (wParam HIWORD: WHEEL_DELTA a notch, positive away from the user;
// lParam the screen point) to the window under it, or to its parent when a child leaves it to
// DefWindowProcW: it scrolls an open list and an edit box one line a notch. While a control holds
// the stylus (a pressed button, an open list), every stylus event goes to it.
//
// Keys. A key goes to the focused window as WM_KEYDOWN (then WM_CHAR, WM_KEYUP), or, when no
// window has the focus, to the active window. In a dialog the dialog manager comes first
// (IsDialogMessageW, which the modal loops and a modeless dialog's message filter call): Tab and
// Shift+Tab move between the tab stops, Enter is WM_COMMAND with the default id (IDOK unless
// DM_SETDEFID set another), Escape is IDCANCEL; unless the focused window asks for the key
// through WM_GETDLGCODE. Every other key, and F1 to F4 where they are no soft keys, reaches the
// focused window's WM_KEYDOWN: the dialog's own when it has no tab stop. So a dialog that closes
// on any key handles WM_KEYDOWN and IDOK and IDCANCEL, or answers WM_GETDLGCODE with
// DLGC_WANTALLKEYS and gets Enter and Escape as WM_KEYDOWN too.
//
// Labels. A static text or check box whose text is wider than its control draws on into the free
// cells beside it (cells of its dialog, on its rows, that no other visible control covers), up to
// the dialog's edge: to the right for left-aligned text and check boxes, to the left for
// right-aligned text, to both sides in turn for centred text; only what still does not fit is
// cut (at a word, for wrapped text). A label keeps one blank cell before a neighbouring control:
// one whose text fills its cells up to the next control moves into the free cells on its other
// side. It touches a control only where no cell is free between them.
//
// Resizing. When the terminal changes its size, a top-level window that filled the work area or
// the screen is fitted to the new one, one centred on the work area (a message box, a dialog
// centred by its program or with DS_CENTER) is centred on the new work area and kept inside it,
// and any other is moved no more than needed to lie on the screen (a popup's frame counts); then
// every top-level window gets WM_SETTINGCHANGE with SETTINGCHANGE_RESET.
//
// Contracts common to every function here:
// - Everything runs on one thread, the process's user-interface thread.
// - No function throws. A bad or destroyed window handle, a null pointer or an unknown resource
//   id gives the Win32 failure result (0, FALSE or NULL) with the reason in GetLastError():
//   ERROR_INVALID_WINDOW_HANDLE, ERROR_INVALID_PARAMETER, ERROR_RESOURCE_NAME_NOT_FOUND, ...
// - A window handle names its process; a destroyed window's handle is never reused.
#pragma once

#include <CeWindow/Api.h>
#include <windows.h>

typedef uintptr_t UINT_PTR;
typedef intptr_t INT_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;
typedef DWORD COLORREF;

struct HMENU__;  // NOLINT(bugprone-reserved-identifier)
typedef HMENU__* HMENU;
struct HICON__;  // NOLINT(bugprone-reserved-identifier)
typedef HICON__* HICON;
typedef HICON HCURSOR;
struct HBITMAP__;  // NOLINT(bugprone-reserved-identifier)
typedef HBITMAP__* HBITMAP;
struct HBRUSH__;  // NOLINT(bugprone-reserved-identifier)
typedef HBRUSH__* HBRUSH;
struct HFONT__;  // NOLINT(bugprone-reserved-identifier)
typedef HFONT__* HFONT;
struct HDC__;  // NOLINT(bugprone-reserved-identifier)
typedef HDC__* HDC;
typedef void* HGDIOBJ;

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *PPOINT, *LPPOINT;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *PRECT, *LPRECT;
typedef const RECT* LPCRECT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *PMSG, *LPMSG;

typedef struct tagWNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
} WNDCLASSW, *PWNDCLASSW, *LPWNDCLASSW;
typedef WNDCLASSW WNDCLASS;

typedef struct tagCREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
} CREATESTRUCTW, *LPCREATESTRUCTW;
typedef CREATESTRUCTW CREATESTRUCT;

typedef struct tagCOPYDATASTRUCT {
    ULONG_PTR dwData;
    DWORD cbData;
    PVOID lpData;
} COPYDATASTRUCT, *PCOPYDATASTRUCT;

// ---- Helpers -----------------------------------------------------------------------------------
#define MAKEINTRESOURCEW(i) ((LPWSTR)(ULONG_PTR)(WORD)(i))
#define MAKEINTRESOURCE MAKEINTRESOURCEW
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define LOWORD(l) ((WORD)(((ULONG_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((ULONG_PTR)(l)) >> 16) & 0xffff))
#define MAKELONG(a, b)                                                                         \
    ((LONG)(((WORD)(((ULONG_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((ULONG_PTR)(b)) & 0xffff))) \
                                                      << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKELRESULT(l, h) ((LRESULT)(DWORD)MAKELONG(l, h))
#define RGB(r, g, b) \
    ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))

// ---- Error codes of the window system ----------------------------------------------------------
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_INVALID_MENU_HANDLE 1401L
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_WINDOW_OF_OTHER_THREAD 1408L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#define ERROR_INVALID_INDEX 1413L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L

// ---- Window messages ---------------------------------------------------------------------------
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETREDRAW 0x000B
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_SETTINGCHANGE 0x001A
#define WM_WININICHANGE WM_SETTINGCHANGE
#define WM_CANCELMODE 0x001F
#define WM_NEXTDLGCTL 0x0028
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_COPYDATA 0x004A
#define WM_NOTIFY 0x004E
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_GETDLGCODE 0x0087
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_KEYLAST 0x0108
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_INITMENUPOPUP 0x0117
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_MOUSEWHEEL 0x020A
#define WM_HIBERNATE 0x03FF
#define WM_USER 0x0400
#define WM_APP 0x8000

// WM_ACTIVATE
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

// WM_SIZE
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2

// WM_LBUTTONDOWN and WM_MOUSEWHEEL: the stylus is down.
#define MK_LBUTTON 0x0001
// WM_MOUSEWHEEL: one notch of the wheel.
#define WHEEL_DELTA 120

// WM_SETTINGCHANGE: the terminal was resized (the screen was laid out again, see the top).
#define SETTINGCHANGE_RESET 0x3002

// WM_VSCROLL and WM_HSCROLL
#define SB_LINEUP 0
#define SB_LINEDOWN 1
#define SB_PAGEUP 2
#define SB_PAGEDOWN 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_BOTTOM 7
#define SB_ENDSCROLL 8

// WM_GETDLGCODE results: what a control wants of the keys that the dialog manager would take.
#define DLGC_WANTARROWS 0x0001
#define DLGC_WANTTAB 0x0002
#define DLGC_WANTALLKEYS 0x0004
#define DLGC_WANTMESSAGE 0x0004
#define DLGC_HASSETSEL 0x0008
#define DLGC_DEFPUSHBUTTON 0x0010
#define DLGC_UNDEFPUSHBUTTON 0x0020
#define DLGC_RADIOBUTTON 0x0040
#define DLGC_WANTCHARS 0x0080
#define DLGC_STATIC 0x0100
#define DLGC_BUTTON 0x2000

// Dialog messages.
#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DC_HASDEFID 0x534B

// ---- Window styles -----------------------------------------------------------------------------
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L

#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_CONTROLPARENT 0x00010000L
#define WS_EX_STATICEDGE 0x00020000L
#define WS_EX_NOANIMATION 0x04000000L
#define WS_EX_NODRAG 0x40000000L
// The OK button in the caption ("[ok]" on the task bar, which can be tapped); the left soft key
// presses it when the window has no soft-key bar, and shows "OK".
#define WS_EX_CAPTIONOKBTN 0x80000000L

// Dialog template styles.
#define DS_ABSALIGN 0x0001L
#define DS_SETFONT 0x0040L
#define DS_MODALFRAME 0x0080L
#define DS_SETFOREGROUND 0x0200L
#define DS_CONTROL 0x0400L
#define DS_CENTER 0x0800L

// Static control styles and messages.
#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_RIGHT 0x00000002L
#define SS_ICON 0x00000003L
#define SS_LEFTNOWORDWRAP 0x0000000CL
#define SS_BITMAP 0x0000000EL
#define SS_TYPEMASK 0x0000001FL
#define SS_NOPREFIX 0x00000080L
#define SS_NOTIFY 0x00000100L
#define SS_CENTERIMAGE 0x00000200L
#define STM_SETICON 0x0170
#define STM_GETICON 0x0171
#define STM_SETIMAGE 0x0172
#define STM_GETIMAGE 0x0173
#define STN_CLICKED 0
#define IMAGE_BITMAP 0
#define IMAGE_ICON 1

// Button styles, states, messages and notifications.
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_RADIOBUTTON 0x00000004L
#define BS_3STATE 0x00000005L
#define BS_AUTO3STATE 0x00000006L
#define BS_GROUPBOX 0x00000007L
#define BS_AUTORADIOBUTTON 0x00000009L
#define BS_OWNERDRAW 0x0000000BL
#define BS_TYPEMASK 0x0000000FL
#define BS_LEFTTEXT 0x00000020L
#define BS_NOTIFY 0x00004000L
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002
#define BST_PUSHED 0x0004
#define BST_FOCUS 0x0008
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_SETSTYLE 0x00F4
#define BM_CLICK 0x00F5
#define BN_CLICKED 0
#define BN_SETFOCUS 6
#define BN_KILLFOCUS 7

// Combo box styles, messages, results and notifications.
#define CBS_SIMPLE 0x0001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_AUTOHSCROLL 0x0040L
#define CBS_OEMCONVERT 0x0080L
#define CBS_SORT 0x0100L
#define CBS_HASSTRINGS 0x0200L
#define CBS_NOINTEGRALHEIGHT 0x0400L
#define CBS_DISABLENOSCROLL 0x0800L
#define CB_GETEDITSEL 0x0140
#define CB_LIMITTEXT 0x0141
#define CB_SETEDITSEL 0x0142
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRING 0x014C
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_GETDROPPEDCONTROLRECT 0x0152
#define CB_SETITEMHEIGHT 0x0153
#define CB_GETITEMHEIGHT 0x0154
#define CB_GETDROPPEDSTATE 0x0157
#define CB_FINDSTRINGEXACT 0x0158
#define CB_OKAY 0
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)
#define CBN_ERRSPACE (-1)
#define CBN_SELCHANGE 1
#define CBN_DBLCLK 2
#define CBN_SETFOCUS 3
#define CBN_KILLFOCUS 4
#define CBN_EDITCHANGE 5
#define CBN_EDITUPDATE 6
#define CBN_DROPDOWN 7
#define CBN_CLOSEUP 8
#define CBN_SELENDOK 9
#define CBN_SELENDCANCEL 10

// Edit control styles, messages and notifications.
#define ES_LEFT 0x0000L
#define ES_CENTER 0x0001L
#define ES_RIGHT 0x0002L
#define ES_MULTILINE 0x0004L
#define ES_UPPERCASE 0x0008L
#define ES_LOWERCASE 0x0010L
#define ES_PASSWORD 0x0020L
#define ES_AUTOVSCROLL 0x0040L
#define ES_AUTOHSCROLL 0x0080L
#define ES_NOHIDESEL 0x0100L
#define ES_READONLY 0x0800L
#define ES_WANTRETURN 0x1000L
#define ES_NUMBER 0x2000L
#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_GETRECT 0x00B2
#define EM_SCROLL 0x00B5
#define EM_LINESCROLL 0x00B6
#define EM_SCROLLCARET 0x00B7
#define EM_GETMODIFY 0x00B8
#define EM_SETMODIFY 0x00B9
#define EM_GETLINECOUNT 0x00BA
#define EM_LINEINDEX 0x00BB
#define EM_LINELENGTH 0x00C1
#define EM_REPLACESEL 0x00C2
#define EM_GETLINE 0x00C4
#define EM_LIMITTEXT 0x00C5
#define EM_LINEFROMCHAR 0x00C9
#define EM_GETFIRSTVISIBLELINE 0x00CE
#define EM_SETREADONLY 0x00CF
#define EN_SETFOCUS 0x0100
#define EN_KILLFOCUS 0x0200
#define EN_CHANGE 0x0300
#define EN_UPDATE 0x0400
#define EN_VSCROLL 0x0602

// ---- Window and class data ---------------------------------------------------------------------
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)
#define GWL_WNDPROC GWLP_WNDPROC
#define GWL_ID GWLP_ID
#define GWL_USERDATA GWLP_USERDATA
// The dialog's own data (its window extra bytes).
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC (DWLP_MSGRESULT + sizeof(LRESULT))
#define DWLP_USER (DWLP_DLGPROC + sizeof(DLGPROC))
#define DLGWINDOWEXTRA ((int)(DWLP_USER + sizeof(LONG_PTR)))

// Class styles (accepted; the terminal has no use for them).
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008

#define CW_USEDEFAULT ((int)0x80000000)

// ShowWindow
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9

// SetWindowPos
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_NOOWNERZORDER 0x0200
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)-1)
#define HWND_NOTOPMOST ((HWND)-2)
#define HWND_DESKTOP ((HWND)0)
#define HWND_BROADCAST ((HWND)0xffff)

// GetWindow
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5

// PeekMessageW
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

// GetSystemMetrics
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1

// SystemParametersInfoW: the work area, a RECT in pixels.
#define SPI_GETWORKAREA 48

// ---- Keys --------------------------------------------------------------------------------------
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_DELETE 0x2E
#define VK_LWIN 0x5B
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B
// The phone's keys: the two soft keys, talk, end, home, back and the action (centre) key. Talk and
// end share their codes with F3 and F4, which press the soft keys here (see Soft keys at the top).
#define VK_TSOFT1 VK_F1
#define VK_TSOFT2 VK_F2
#define VK_TTALK VK_F3
#define VK_TEND VK_F4
#define VK_THOME VK_LWIN
#define VK_TBACK VK_ESCAPE
#define VK_TACTION VK_RETURN
#define VK_TUP VK_UP
#define VK_TDOWN VK_DOWN
#define VK_TLEFT VK_LEFT
#define VK_TRIGHT VK_RIGHT

// ---- Message boxes -----------------------------------------------------------------------------
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONSTOP MB_ICONHAND
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_APPLMODAL 0x00000000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONMASK 0x000000F0L
#define MB_DEFMASK 0x00000F00L

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

extern "C" {

// ---- Modules -----------------------------------------------------------------------------------

// NULL: the program's own instance handle, under which it registers its resources
// (<CeWindow/Resources.h>). Any other name: NULL with ERROR_MOD_NOT_FOUND.
CEWINDOW_API HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName);

// The program's entry, written by the program and called once by the platform (link CeWinMain):
// its instance handle, no previous instance (null), its command line (never null; "" when it
// has none; the program may change the text) and the show state for its main window. Its result
// is the process's exit code.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nShowCmd);

// ---- Window classes ----------------------------------------------------------------------------
// Class names are compared without regard to case. The system classes "STATIC", "BUTTON",
// "COMBOBOX", "EDIT" and the dialog class "#32770" always exist.

// Registers a class; returns a non-zero atom. FALSE (0) with ERROR_CLASS_ALREADY_EXISTS when the
// name is taken, ERROR_INVALID_PARAMETER without a name or procedure.
CEWINDOW_API ATOM WINAPI RegisterClassW(const WNDCLASSW* lpWndClass);
// FALSE with ERROR_CLASS_DOES_NOT_EXIST when there is no such class of the program.
CEWINDOW_API BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance);
// Copies the class name (truncated, always terminated); returns its length.
CEWINDOW_API int WINAPI GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount);

// ---- Windows -----------------------------------------------------------------------------------

// Creates a window: WM_NCCREATE, then WM_CREATE (a result of -1 destroys it and the function
// returns NULL), then WM_SIZE and WM_MOVE; WS_VISIBLE shows it (a top-level window is then
// activated). CW_USEDEFAULT for x or cx gives a top-level window the work area, a child (0, 0) and
// no size; places and sizes are cut to +-2^24 pixels. A child needs a parent (the desktop window
// as parent makes a top-level window); hMenu is then its control id. A name made with
// MAKEINTRESOURCEW is passed to the window in its CREATESTRUCTW (a static control takes it as an
// image resource id).
CEWINDOW_API HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName,
                                           LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                                           int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                                           HINSTANCE hInstance, LPVOID lpParam);
#define CreateWindowW(c, n, s, x, y, w, h, p, m, i, l) \
    CreateWindowExW(0, c, n, s, x, y, w, h, p, m, i, l)

// Destroys the window, the windows it owns and its children: WM_DESTROY (parent before
// children), then WM_NCDESTROY (children before parent). Activation and focus move on first.
CEWINDOW_API BOOL WINAPI DestroyWindow(HWND hWnd);
CEWINDOW_API BOOL WINAPI IsWindow(HWND hWnd);
// Visible: the window and all its ancestors have WS_VISIBLE.
CEWINDOW_API BOOL WINAPI IsWindowVisible(HWND hWnd);
CEWINDOW_API BOOL WINAPI IsWindowEnabled(HWND hWnd);
// Returns whether the window was disabled before. Sends WM_ENABLE; a disabled window loses the
// focus.
CEWINDOW_API BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable);
// Returns whether the window was visible before.
CEWINDOW_API BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow);
CEWINDOW_API BOOL WINAPI UpdateWindow(HWND hWnd);
// The parent of a child window, the owner of a top-level window.
CEWINDOW_API HWND WINAPI GetParent(HWND hWnd);
CEWINDOW_API HWND WINAPI GetWindow(HWND hWnd, UINT uCmd);
CEWINDOW_API BOOL WINAPI IsChild(HWND hWndParent, HWND hWnd);
CEWINDOW_API HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem);
CEWINDOW_API int WINAPI GetDlgCtrlID(HWND hWnd);
CEWINDOW_API LRESULT WINAPI SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg,
                                                  WPARAM wParam, LPARAM lParam);

// Text, through WM_SETTEXT and WM_GETTEXT.
CEWINDOW_API BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString);
CEWINDOW_API int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount);
CEWINDOW_API int WINAPI GetWindowTextLengthW(HWND hWnd);
CEWINDOW_API BOOL WINAPI SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString);
CEWINDOW_API UINT WINAPI GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax);

// Rectangles. A window has no non-client area: its client rectangle is (0, 0, width, height).
CEWINDOW_API BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect);
CEWINDOW_API BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect);
// Position in the parent's client coordinates (screen coordinates for a top-level window).
CEWINDOW_API BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight,
                                      BOOL bRepaint);
CEWINDOW_API BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx,
                                        int cy, UINT uFlags);
CEWINDOW_API BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint);
CEWINDOW_API BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint);
CEWINDOW_API int WINAPI MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints,
                                          UINT cPoints);
// Asks for the window to be drawn again (the screen is composed anew before the loop waits).
CEWINDOW_API BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
// Converts dialog units of the dialog to pixels (one unit is one pixel).
CEWINDOW_API BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect);

// SM_CXSCREEN: terminal columns x 4; SM_CYSCREEN: terminal rows x 8. Other indexes: 0.
CEWINDOW_API int WINAPI GetSystemMetrics(int nIndex);

// Window data: GWL_STYLE, GWL_EXSTYLE, GWLP_WNDPROC (subclassing), GWLP_ID, GWLP_USERDATA,
// GWLP_HINSTANCE, GWLP_HWNDPARENT, a dialog's DWLP_*, or a byte offset into the class's
// cbWndExtra. The setters return the previous value; a bad index gives 0 with
// ERROR_INVALID_INDEX.
CEWINDOW_API LONG WINAPI GetWindowLongW(HWND hWnd, int nIndex);
CEWINDOW_API LONG WINAPI SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong);
CEWINDOW_API LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex);
CEWINDOW_API LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
CEWINDOW_API LRESULT WINAPI CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg,
                                              WPARAM wParam, LPARAM lParam);
CEWINDOW_API LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// ---- Activation, focus and the desktop ---------------------------------------------------------

// The desktop window: the screen. A WM_SETTINGCHANGE sent to it (or to HWND_BROADCAST) is
// recorded in the device journal as "settings change (WM_SETTINGCHANGE)".
CEWINDOW_API HWND WINAPI GetDesktopWindow(void);
CEWINDOW_API HWND WINAPI GetActiveWindow(void);
CEWINDOW_API HWND WINAPI SetActiveWindow(HWND hWnd);
CEWINDOW_API HWND WINAPI GetForegroundWindow(void);
// Brings a top-level window (and the windows it owns) to the top and activates it; a handle with
// its lowest bit set means the same. A window of another process on the device is asked to come
// forward in its own terminal: non-zero when the request was delivered.
CEWINDOW_API BOOL WINAPI SetForegroundWindow(HWND hWnd);
// WM_KILLFOCUS to the old window, then WM_SETFOCUS to the new one; activates the new window's
// top-level window first when needed. Returns the previous focus window.
CEWINDOW_API HWND WINAPI SetFocus(HWND hWnd);
CEWINDOW_API HWND WINAPI GetFocus(void);
// A top-level window of this process or of another process on the device whose class name (and
// title, when given) matches, without regard to case; other processes are searched by class
// name only. NULL when none.
CEWINDOW_API HWND WINAPI FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName);
// The state of a key while the current key message is handled: bit 15 set when down. Only
// VK_SHIFT, VK_CONTROL and VK_MENU are tracked.
CEWINDOW_API short WINAPI GetKeyState(int nVirtKey);

// ---- Messages ----------------------------------------------------------------------------------
// Order of retrieval: posted messages, then keys and taps from the terminal (in the order they
// came), then WM_TIMER of due timers. The screen is composed again before the loop waits.

// Waits for a message. 0 for WM_QUIT, -1 (with ERROR_INVALID_PARAMETER) for a null lpMsg.
CEWINDOW_API BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin,
                                       UINT wMsgFilterMax);
// As GetMessageW without waiting; FALSE when nothing is pending.
CEWINDOW_API BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin,
                                        UINT wMsgFilterMax, UINT wRemoveMsg);
// Posts the WM_CHAR of a WM_KEYDOWN that carries a character; TRUE when it did.
CEWINDOW_API BOOL WINAPI TranslateMessage(const MSG* lpMsg);
// A WM_TIMER with an lParam calls that timer procedure, when a running timer was set with it
// (otherwise the message is dropped).
CEWINDOW_API LRESULT WINAPI DispatchMessageW(const MSG* lpMsg);
// HWND_BROADCAST posts to every top-level window of the process; NULL posts a thread message.
CEWINDOW_API BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
CEWINDOW_API LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
CEWINDOW_API void WINAPI PostQuitMessage(int nExitCode);
// Dialog keys for hDlg and its controls (see Keys at the top): Tab and Shift+Tab move between the
// tab stops, Enter is the default button (IDOK unless DM_SETDEFID set another), Escape is
// IDCANCEL, other keys go to the focused window. The focused window (a control, or the dialog
// itself) takes any key through WM_GETDLGCODE (DLGC_WANTALLKEYS, DLGC_WANTTAB, DLGC_WANTARROWS,
// DLGC_WANTCHARS). TRUE when the message was processed.
CEWINDOW_API BOOL WINAPI IsDialogMessageW(HWND hDlg, LPMSG lpMsg);

// ---- Timers ------------------------------------------------------------------------------------
// A timer's WM_TIMER comes through the message loop when it is due and nothing else is pending,
// at most one at a time per timer. SetTimer with the id of a running timer of the window
// replaces it (the period starts again). Returns the id (a new one when hWnd is NULL), 0 on
// failure.
CEWINDOW_API UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse,
                                        TIMERPROC lpTimerFunc);
// FALSE with ERROR_INVALID_PARAMETER when there is no such timer. A WM_TIMER already queued is
// dropped.
CEWINDOW_API BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent);

// ---- Dialogs -----------------------------------------------------------------------------------
// Dialogs come from the templates of <CeWindow/Resources.h>. The dialog window is created
// hidden, then its controls in template order (that is the tab order), then the dialog procedure
// gets WM_INITDIALOG (wParam: the first tab stop, lParam: dwInitParam); a TRUE answer gives that
// control the focus. The dialog procedure answers TRUE for a message it handled (its result in
// DWLP_MSGRESULT, 0 unless it sets it), FALSE for the default handling: WM_CLOSE posts WM_COMMAND
// IDCANCEL; WM_SETFOCUS gives the focus back to the control that had it last.

// Modal: disables the owner (the top-level window of hWndParent), shows the dialog and runs its
// own message loop until EndDialog; then enables the owner, destroys the dialog and returns
// EndDialog's result (0 when the dialog was destroyed without it). A dialog ended in
// WM_INITDIALOG is never shown. -1 when the template is missing or the dialog cannot be created; 0
// when hWndParent is not a window. A WM_QUIT ends the loop and is posted again.
CEWINDOW_API INT_PTR WINAPI DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName,
                                              HWND hWndParent, DLGPROC lpDialogFunc,
                                              LPARAM dwInitParam);
#define DialogBoxW(i, t, p, f) DialogBoxParamW(i, t, p, f, 0)
// Modeless: shown when the template has WS_VISIBLE. A WS_CHILD template makes a child dialog.
CEWINDOW_API HWND WINAPI CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName,
                                              HWND hWndParent, DLGPROC lpDialogFunc,
                                              LPARAM dwInitParam);
#define CreateDialogW(i, t, p, f) CreateDialogParamW(i, t, p, f, 0)
// Ends a modal dialog with nResult (after the current message); hides a modeless one.
CEWINDOW_API BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult);
CEWINDOW_API LRESULT WINAPI DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);
// The next (or previous) visible, enabled tab stop after hCtl, wrapping around.
CEWINDOW_API HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious);

// A modal message box owned by the top-level window of hWnd (may be NULL) with caption, text and
// the buttons of uType (MB_OK, MB_OKCANCEL, MB_YESNO, ...; MB_DEFBUTTONn picks the default),
// centred on the work area, its text wrapped to the screen (again when the screen changes size).
// Returns the pressed button's id (IDOK 1, IDYES 6, IDNO 7, ...), 0 for an unknown button set
// (ERROR_INVALID_PARAMETER). Its first two buttons are its soft keys (see Soft keys at the top,
// labelled on the bottom row), Enter presses the focused one, the arrows and Tab move the focus, a
// tap presses the button tapped; Escape cancels when there is a cancel button (an MB_OK box
// answers IDOK). Headless: writes "caption: text" as one line to standard output and answers the
// default button.
CEWINDOW_API int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);

// ---- Resources ---------------------------------------------------------------------------------

// Copies string uID of the instance's string table (truncated to cchBufferMax - 1 characters,
// terminated) and returns its length; with cchBufferMax 0 stores a pointer to the read-only text
// in *lpBuffer and returns its length. 0 with ERROR_RESOURCE_NAME_NOT_FOUND when there is none.
CEWINDOW_API int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer,
                                      int cchBufferMax);
// Handles of the instance's icon and bitmap resources (for WNDCLASSW::hIcon and STM_SETIMAGE).
CEWINDOW_API HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
CEWINDOW_API HBITMAP WINAPI LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName);
CEWINDOW_API BOOL WINAPI DestroyIcon(HICON hIcon);
CEWINDOW_API BOOL WINAPI DeleteObject(HGDIOBJ hObject);

}  // extern "C"
