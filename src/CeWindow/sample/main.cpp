// The window system's sample program, written as a program of the device is: its WinMain (the
// entry of CeWinMain), a frame with a soft-key bar ("Quit" and a "Menu" popup), a view with a
// colour picker, a "Loud" check box, a read-only summary and a tick counter, a question box, a
// modal "Details" dialog and a modeless "Notes" window. Only one instance runs per device: a
// second start brings the first one's frame forward and ends with exit code 1. Without a usable
// terminal it says so and ends with exit code 2, instead of running where nobody sees it.
#include <CeFramework/App.h>
#include <CeFramework/Dialog.h>
#include <CeFramework/WindowImpl.h>
#include <CePlatform/Unicode.h>
#include <CeWindow/Resources.h>
#include <CeWindow/Screen.h>
#include <aygshell.h>
#include <commctrl.h>
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

enum : UINT {
    IDR_MAINFRAME = 128,  // class name, title and mutex name; menu; icon
    IDD_VIEW = 101,
    IDD_DETAILS = 102,
    IDD_NOTES = 103,
    IDC_COLOUR = 1001,
    IDC_LOUD = 1002,
    IDC_SUMMARY = 1003,
    IDC_TICKS = 1004,
    IDC_DETAILS_TEXT = 1010,
    IDM_QUIT = 40001,
    IDM_QUESTION = 40002,
    IDM_DETAILS = 40003,
    IDM_NOTES = 40004,
    kTickTimer = 1,
};

using ce::res::MakeControl;

// The view: a colour picker, a box, a summary and a tick counter.
ce::res::Dialog ViewTemplate() {
    const DWORD tab = WS_TABSTOP;
    return {
        .id = IDD_VIEW,
        .style = WS_CHILD | WS_VISIBLE,
        .cx = 160,
        .cy = 176,
        .fontName = u"MS Shell Dlg",
        .controls = {MakeControl(-1, u"STATIC", u"Colour:", 4, 8, 32, 8),
                     MakeControl(IDC_COLOUR, u"COMBOBOX", u"", 40, 8, 80, 40,
                                 CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | tab),
                     MakeControl(IDC_LOUD, u"BUTTON", u"Loud", 4, 24, 60, 8, BS_AUTOCHECKBOX | tab),
                     MakeControl(IDC_SUMMARY, u"EDIT", u"", 4, 40, 144, 56,
                                 ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER | tab),
                     MakeControl(IDC_TICKS, u"STATIC", u"Ticks: 0", 4, 104, 80, 8)}};
}

ce::res::Dialog DetailsTemplate() {
    return {.id = IDD_DETAILS,
            .style = WS_POPUP | WS_CAPTION | DS_CENTER,
            .cx = 120,
            .cy = 40,
            .caption = u"Details",
            .fontName = u"MS Shell Dlg",
            .controls = {MakeControl(IDC_DETAILS_TEXT, u"STATIC", u"-", 4, 8, 112, 16, SS_CENTER)}};
}

ce::res::Dialog NotesTemplate() {
    return {.id = IDD_NOTES,
            .style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_CENTER,
            .cx = 152,
            .cy = 120,
            .caption = u"Notes",
            .fontName = u"MS Shell Dlg",
            .controls = {MakeControl(-1, u"STATIC", u"Nothing noted yet.", 4, 8, 140, 8)}};
}

void RegisterSampleResources() {
    ce::res::Table table;
    table.strings = {{IDR_MAINFRAME, u"CeSample"}};
    table.menus = {
        {IDR_MAINFRAME,
         {{u"Quit", IDM_QUIT},
          {u"Menu",
           0,
           {{u"Question", IDM_QUESTION}, {u"Details", IDM_DETAILS}, {u"Notes", IDM_NOTES}}}}}};
    table.dialogs = {ViewTemplate(), DetailsTemplate(), NotesTemplate()};
    ce::res::RegisterResources(GetModuleHandleW(nullptr), std::move(table));
}

// The view: a modeless child dialog over the frame's client area.
class CSampleView : public CDialogImpl<CSampleView> {
public:
    enum { IDD = IDD_VIEW };

    BEGIN_MSG_MAP(CSampleView)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_HANDLER(IDC_COLOUR, CBN_SELCHANGE, OnChange)
    COMMAND_HANDLER(IDC_LOUD, BN_CLICKED, OnChange)
    END_MSG_MAP()

    std::u16string Colour() {
        const LRESULT index = SendDlgItemMessage(IDC_COLOUR, CB_GETCURSEL);
        static const char16_t* const kNames[] = {u"none", u"red", u"green", u"blue"};
        const LRESULT data = SendDlgItemMessage(IDC_COLOUR, CB_GETITEMDATA, index);
        return index >= 0 && data >= 1 && data <= 3 ? kNames[data] : kNames[0];
    }
    bool Loud() { return SendDlgItemMessage(IDC_LOUD, BM_GETCHECK) == BST_CHECKED; }
    void SetLoud(bool loud) {
        SendDlgItemMessage(IDC_LOUD, BM_SETCHECK, loud ? BST_CHECKED : BST_UNCHECKED);
        Summarise(loud ? u"Answer: yes" : u"Answer: no");
    }
    void SetTicks(int ticks) {
        SetDlgItemText(IDC_TICKS, (u"Ticks: " + ce::FromUtf8(std::to_string(ticks))).c_str());
    }

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
        // Added unsorted: the box sorts them; the item data keeps each one's meaning.
        const struct {
            const char16_t* text;
            LPARAM data;
        } kColours[] = {{u"Red", 1}, {u"Green", 2}, {u"Blue", 3}};
        for (const auto& colour : kColours) {
            const LRESULT index = SendDlgItemMessage(IDC_COLOUR, CB_ADDSTRING, 0,
                                                     reinterpret_cast<LPARAM>(colour.text));
            SendDlgItemMessage(IDC_COLOUR, CB_SETITEMDATA, index, colour.data);
        }
        SendDlgItemMessage(IDC_COLOUR, CB_SETCURSEL, 0);
        Summarise(u"Pick a colour.");
        return TRUE;
    }
    LRESULT OnChange(WORD, WORD, HWND, BOOL&) {
        Summarise(u"Changed.");
        return 0;
    }
    void Summarise(const std::u16string& note) {
        const std::u16string text =
            u"Colour: " + Colour() + u"\r\nLoud: " + (Loud() ? u"yes" : u"no") + u"\r\n" + note;
        SetDlgItemText(IDC_SUMMARY, text.c_str());
    }
};

class CDetailsDlg : public CDialogImpl<CDetailsDlg> {
public:
    enum { IDD = IDD_DETAILS };
    explicit CDetailsDlg(std::u16string text) : text_(std::move(text)) {}

    BEGIN_MSG_MAP(CDetailsDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnClose)
    COMMAND_ID_HANDLER(IDCANCEL, OnClose)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
        SetDlgItemText(IDC_DETAILS_TEXT, text_.c_str());
        return TRUE;
    }
    LRESULT OnClose(WORD, WORD wID, HWND, BOOL&) {
        EndDialog(wID);
        return 0;
    }
    std::u16string text_;
};

// A modeless top-level window of its own (not owned by the frame), so that it can cover it.
class CNotesDlg : public CDialogImpl<CNotesDlg> {
public:
    enum { IDD = IDD_NOTES };

    BEGIN_MSG_MAP(CNotesDlg)
    COMMAND_ID_HANDLER(IDOK, OnClose)
    COMMAND_ID_HANDLER(IDCANCEL, OnClose)
    END_MSG_MAP()

private:
    LRESULT OnClose(WORD, WORD, HWND, BOOL&) {
        DestroyWindow();
        return 0;
    }
};

class CSampleFrame : public CFrameWindowImpl<CSampleFrame>,
                     public CMessageFilter,
                     public CIdleHandler {
public:
    DECLARE_FRAME_WND_CLASS(nullptr, IDR_MAINFRAME)

    BEGIN_MSG_MAP(CSampleFrame)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    COMMAND_ID_HANDLER(IDM_QUIT, OnQuit)
    COMMAND_ID_HANDLER(IDM_QUESTION, OnQuestion)
    COMMAND_ID_HANDLER(IDM_DETAILS, OnDetails)
    COMMAND_ID_HANDLER(IDM_NOTES, OnNotes)
    CHAIN_MSG_MAP(CFrameWindowImpl<CSampleFrame>)
    END_MSG_MAP()

    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (notes_.m_hWnd && notes_.IsDialogMessage(pMsg)) return TRUE;
        return view_.m_hWnd && view_.IsDialogMessage(pMsg);
    }
    BOOL OnIdle() override { return FALSE; }

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
        SHMENUBARINFO mbi{};
        mbi.cbSize = sizeof mbi;
        mbi.hwndParent = m_hWnd;
        mbi.dwFlags = SHCMBF_HMENU;
        mbi.nToolBarId = IDR_MAINFRAME;
        mbi.hInstRes = CAppModule::ResourceInstance();
        if (!SHCreateMenuBar(&mbi)) return -1;
        m_hWndClient = view_.Create(m_hWnd);
        if (!m_hWndClient) return -1;
        UpdateLayout();
        SetTimer(kTickTimer, 1000);
        return 0;
    }
    // The frame passes the focus on to its view, which gives it to the control that had it
    // last (when the frame comes back after the Notes window, say).
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        if (m_hWndClient) ::SetFocus(m_hWndClient);
        bHandled = FALSE;
        return 0;
    }
    LRESULT OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
        if (wParam != kTickTimer) {
            bHandled = FALSE;
            return 0;
        }
        view_.SetTicks(++ticks_);
        return 0;
    }
    LRESULT OnQuit(WORD, WORD, HWND, BOOL&) {
        DestroyWindow();
        return 0;
    }
    LRESULT OnQuestion(WORD, WORD, HWND, BOOL&) {
        view_.SetLoud(MessageBox(u"Make it loud?", u"Question", MB_YESNO) == IDYES);
        return 0;
    }
    LRESULT OnDetails(WORD, WORD, HWND, BOOL&) {
        CDetailsDlg details(u"Colour " + view_.Colour() + (view_.Loud() ? u", loud" : u", quiet"));
        details.DoModal(m_hWnd);
        return 0;
    }
    LRESULT OnNotes(WORD, WORD, HWND, BOOL&) {
        if (!notes_.m_hWnd) notes_.Create(nullptr);
        return 0;
    }

    CSampleView view_;
    CNotesDlg notes_;
    int ticks_ = 0;
};

// 0: this is the only instance; 1: the running one was brought forward; negative: failure.
HRESULT CheckSingleInstance() {
    WCHAR name[MAX_PATH] = {};
    if (LoadStringW(CAppModule::ResourceInstance(), IDR_MAINFRAME, name, MAX_PATH) <= 0) {
        return E_FAIL;
    }
    CSampleFrame::GetWndClassInfo().m_lpszClassName = [&name] {
        static std::u16string className;
        className = name;
        return className.c_str();
    }();
    for (int attempt = 0; attempt < 25; ++attempt) {
        HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
        if (!mutex) return GetLastError() == ERROR_INVALID_HANDLE ? E_INVALIDARG : E_FAIL;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return S_OK;  // kept open until the end
        CloseHandle(mutex);
        const HWND running = FindWindowW(name, nullptr);
        if (!running) {
            Sleep(100);  // the other instance may still be creating its window
            continue;
        }
        if (SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(running) | 1))) {
            return 1;
        }
    }
    return S_OK;
}

// Runs the frame and its message loop until the frame is closed: 0, or 2 when it cannot be
// created.
int RunFrame(CAppModule& module, int showCommand) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_DATE_CLASSES};
    InitCommonControlsEx(&controls);
    int result = 2;
    {
        CMessageLoop loop;
        module.AddMessageLoop(&loop);
        CSampleFrame frame;
        if (frame.CreateEx()) {
            loop.AddMessageFilter(&frame);
            loop.AddIdleHandler(&frame);
            frame.ShowWindow(showCommand);
            result = loop.Run() == 1 ? 0 : 2;  // the frame quits with 1 when it is closed
        }
        module.RemoveMessageLoop();
    }
    CoUninitialize();
    return result;
}

}  // namespace

// Exit codes: 0 after the frame was closed, 1 when another instance was brought forward, 2 on a
// failure (no usable terminal among them). The command line is not used.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nShowCmd) {
    RegisterSampleResources();
    CAppModule module;
    module.Init(hInstance);
    const HRESULT check = CheckSingleInstance();
    std::string noTerminal;
    int result = check == 1 ? 1 : 2;
    if (check == 1) {
        std::fputs("cewindow-sample: brought the running instance forward\n", stderr);
    } else if (check != S_OK) {
        std::fputs("cewindow-sample: cannot tell whether another instance runs\n", stderr);
    } else if (!ce::screen::IsInteractive(&noTerminal)) {
        std::fprintf(stderr, "cewindow-sample: no usable terminal: %s\n", noTerminal.c_str());
    } else {
        result = RunFrame(module, nShowCmd);
    }
    module.Term();
    return result;
}
