// The dialog manager: templates, WM_INITDIALOG and the focus, the dialog keys, modal dialogs and
// failures; message boxes headless and through the hook.
#include <CePlatform/Unicode.h>

#include <functional>

#include "support/WindowSupport.h"

namespace {

using test::g_messageLog;
using test::MessagesOf;

enum : UINT { kProbeDialog = 300, kNoteDialog, kViewDialog, kForgetfulDialog, kCentredDialog };

// The dialog procedure of a test: a function the test sets, and a log of the commands.
std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> g_handler;
std::vector<int> g_commands;

INT_PTR CALLBACK TestDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) g_commands.push_back(LOWORD(wParam));
    return g_handler ? g_handler(hwnd, msg, wParam, lParam) : FALSE;
}

// A dialog template placed at (0, 0).
ce::res::Dialog Template(UINT id, DWORD style, int cx, int cy, const char16_t* caption,
                         std::vector<ce::res::Control> controls = {}) {
    return {.id = id, .style = style, .cx = cx, .cy = cy, .caption = caption, .controls = controls};
}

// A control of the logging class.
ce::res::Control Probe(int id, int x, int y, DWORD style = WS_TABSTOP) {
    return {.id = id, .className = u"Logging", .x = x, .y = y, .cx = 40, .cy = 8, .style = style};
}

class DialogTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        g_handler = nullptr;
        g_commands.clear();

        ce::res::Table table;
        table.dialogs = {
            Template(kProbeDialog, WS_POPUP | WS_CAPTION, 120, 64, u"Probe",
                     {test::Ctl(-1, u"STATIC", u"Material:", 2, 9, 37, 8), Probe(11, 40, 7),
                      Probe(12, 40, 21, WS_TABSTOP | WS_DISABLED), Probe(13, 5, 35, 0),
                      Probe(14, 50, 35)}),
            Template(kNoteDialog, WS_POPUP | WS_CAPTION, 116, 49, u"Note",
                     {test::Ctl(40, u"STATIC", u"Note text", 7, 7, 102, 35, SS_CENTER)}),
            Template(kViewDialog, WS_CHILD | WS_VISIBLE, 120, 40, u"",
                     {Probe(31, 0, 0), Probe(32, 0, 8)}),
            Template(kForgetfulDialog, WS_POPUP | WS_VISIBLE, 60, 24, u"", {Probe(21, 4, 4)}),
            {.id = kCentredDialog,
             .style = WS_POPUP | DS_CENTER,
             .x = 4,
             .y = 8,
             .cx = 80,
             .cy = 40}};
        table.dialogs[3].className = u"Forgetful";  // see ForgetfulDialogProc
        ce::res::RegisterResources(Instance(), std::move(table));
    }

    void TearDown() override { g_handler = nullptr; }

    static HWND Modeless(UINT id, HWND parent = nullptr, LPARAM param = 0) {
        return CreateDialogParamW(Instance(), MAKEINTRESOURCEW(id), parent, TestDialogProc, param);
    }
    static INT_PTR Modal(UINT id, HWND owner = nullptr) {
        return DialogBoxParamW(Instance(), MAKEINTRESOURCEW(id), owner, TestDialogProc, 0);
    }
    // The probe dialog, modeless and shown.
    static HWND CreateProbeDialog(HWND parent = nullptr, LPARAM param = 0) {
        const HWND dialog = Modeless(kProbeDialog, parent, param);
        EXPECT_NE(nullptr, dialog);
        ShowWindow(dialog, SW_SHOW);
        return dialog;
    }
};

// A handled message answers with DWLP_MSGRESULT as it is set for that message.
TEST_F(DialogTest, TemplatesPlaceControlsOnTheCellGridAndInitDialogsAnswerDecidesTheFocus) {
    HWND first = nullptr;
    LPARAM param = 0;
    g_handler = [&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (msg == WM_USER + 5) SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 99);
        if (msg != WM_INITDIALOG) return msg == WM_USER + 5 || msg == WM_USER + 7;
        first = reinterpret_cast<HWND>(wParam);
        param = lParam;
        return TRUE;
    };
    const HWND dialog = CreateProbeDialog(nullptr, 1234);
    EXPECT_EQ(GetDlgItem(dialog, 11), first);
    EXPECT_EQ(1234, param);
    EXPECT_EQ(first, GetFocus());
    EXPECT_EQ(99, SendMessageW(dialog, WM_USER + 5, 0, 0));
    EXPECT_EQ(0, SendMessageW(dialog, WM_USER + 6, 0, 0));
    EXPECT_EQ(0, SendMessageW(dialog, WM_USER + 7, 0, 0));  // not the earlier 99
    DestroyWindow(dialog);

    // FALSE: the dialog sets no focus itself; activation then gives the first tab stop the
    // focus, as the default dialog procedure does.
    g_handler = [&](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
    const HWND frame = CreateFrame();
    const HWND child = CreateChild(frame, 1);
    SetFocus(child);
    const HWND hidden = Modeless(kProbeDialog, frame);
    ASSERT_NE(nullptr, hidden);
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_EQ(child, GetFocus());

    // Template units place the controls on the cell grid. A popup dialog is placed relative to
    // its owner's client area (the frame starts at y = 8).
    const HWND placed = CreateProbeDialog(frame);
    EXPECT_EQ((std::array<LONG, 4>{40, 15, 80, 23}), test::RectOf(GetDlgItem(placed, 11)));
    // 40 / 4 = column 10; (15 + 4) / 8 = row 2. The label has columns 1 to 9 and its text
    // fills them: it is drawn one column left, so that a blank separates it from control 11.
    const std::u16string row = ce::screen::Text()[2];
    EXPECT_EQ(u"Material: ", row.substr(0, 10)) << ce::screen::RowUtf8(2);
    // The captioned popup gets a frame around it with the caption.
    EXPECT_NE(std::string::npos, ce::screen::RowUtf8(0).find("Probe"));

    // DS_CENTER opens a dialog in the middle of the work area, whatever its template's place.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const auto centred = test::RectOf(Modeless(kCentredDialog));
    EXPECT_EQ(centred[2] - centred[0], 80);
    EXPECT_EQ(centred[0] - work.left, work.right - centred[2]);
    EXPECT_EQ(centred[1] - work.top, work.bottom - centred[3]);
}

TEST_F(DialogTest, DialogKeysWalkTheTabStopsAndSendOkAndCancel) {
    const HWND dialog = CreateProbeDialog();
    const HWND a = GetDlgItem(dialog, 11);
    const HWND d = GetDlgItem(dialog, 14);
    SetFocus(a);
    Press(VK_TAB);
    EXPECT_EQ(d, GetFocus());  // 12 is disabled, 13 no tab stop
    Press(VK_TAB);
    EXPECT_EQ(a, GetFocus());
    Press(VK_TAB, ce::screen::kModShift);
    EXPECT_EQ(d, GetFocus());

    // A control that wants Tab keeps it.
    test::g_dlgCodeAnswer = DLGC_WANTTAB;
    g_messageLog.clear();
    Press(VK_TAB);
    EXPECT_EQ(d, GetFocus());
    EXPECT_EQ((std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}),
              MessagesOf(d, {WM_KEYDOWN, WM_CHAR, WM_KEYUP}));

    // Enter is OK, Escape is cancel, and so is WM_CLOSE.
    test::g_dlgCodeAnswer = 0;
    Press({VK_RETURN, VK_ESCAPE});
    EXPECT_EQ((std::vector<int>{IDOK, IDCANCEL}), g_commands);

    g_commands.clear();
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(g_commands.empty());  // posted, not sent
    ce::screen::PumpMessages();
    EXPECT_EQ((std::vector<int>{IDCANCEL}), g_commands);
    EXPECT_TRUE(IsWindow(dialog));  // a dialog does not close itself

    // A control wanting all keys takes Enter and Escape itself.
    test::g_dlgCodeAnswer = DLGC_WANTALLKEYS;
    g_messageLog.clear();
    g_commands.clear();
    Press({VK_RETURN, VK_ESCAPE});
    EXPECT_TRUE(g_commands.empty());
    EXPECT_EQ(MessagesOf(d, {WM_KEYDOWN}).size(), 2u);
}

TEST_F(DialogTest, ModalDialogEndedInInitDestroyedOrQuitLeavesTheOwnerActive) {
    const HWND frame = CreateFrame();
    // Ended in WM_INITDIALOG, which asks for the default focus: never shown nor activated.
    g_handler = [](HWND hwnd, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) EndDialog(hwnd, 9);
        return msg == WM_INITDIALOG;
    };
    g_messageLog.clear();
    EXPECT_EQ(9, Modal(kProbeDialog, frame));
    EXPECT_TRUE(MessagesOf(frame, {WM_ACTIVATE}).empty());
    EXPECT_EQ(frame, GetActiveWindow());

    // Destroyed by its own procedure instead of ended: 0, and the owner is active again.
    g_handler = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) DestroyWindow(hwnd);
        return msg == WM_INITDIALOG || msg == WM_COMMAND;
    };
    ce::screen::PressKey(VK_RETURN);
    EXPECT_EQ(0, Modal(kProbeDialog, frame));
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_EQ(frame, GetActiveWindow());

    // A quit during the dialog ends it (0) and reaches the outer loop.
    g_handler = [](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) PostQuitMessage(3);
        return FALSE;
    };
    EXPECT_EQ(0, Modal(kProbeDialog, frame));
    MSG msg{};
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(3u, msg.wParam);
    EXPECT_EQ(nullptr, FindWindowW(nullptr, u"Probe"));
}

TEST_F(DialogTest, ModalDialogsRunInsideModelessOnesAndGiveTheFocusBack) {
    INT_PTR innerResult = 0;
    int boxResult = 0;
    HWND outer = nullptr;
    HWND inner = nullptr;
    g_handler = [&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) return TRUE;
        if (msg != WM_COMMAND || LOWORD(wParam) != IDOK) return FALSE;
        if (hwnd == outer) {
            innerResult = Modal(kNoteDialog, hwnd);
        } else {
            inner = hwnd;
            EXPECT_FALSE(IsWindowEnabled(outer));
            EXPECT_EQ(hwnd, GetActiveWindow());
            boxResult = MessageBoxW(hwnd, u"Sure?", u"Inner", MB_YESNO | MB_DEFBUTTON2);
            EXPECT_TRUE(IsWindowEnabled(hwnd));
            EndDialog(hwnd, 5);
        }
        return TRUE;
    };
    test::ShowMessageBoxes();
    outer = CreateProbeDialog();
    SetFocus(GetDlgItem(outer, 11));
    ce::screen::PressKey(VK_RETURN);  // opens the inner dialog
    ce::screen::PressKey(VK_RETURN);  // opens the message box
    ce::screen::PressKey(VK_LEFT);    // from No to Yes
    Press(VK_RETURN);                 // answers it
    EXPECT_EQ(IDYES, boxResult);
    EXPECT_EQ(5, innerResult);
    EXPECT_FALSE(IsWindow(inner));
    EXPECT_TRUE(IsWindowEnabled(outer));
    EXPECT_EQ(outer, GetActiveWindow());
    EXPECT_EQ(GetDlgItem(outer, 11), GetFocus());  // the focus came back where it was

    // A child dialog gives the focus back to the control that had it.
    const HWND frame = CreateFrame();
    const HWND view = Modeless(kViewDialog, frame);
    ASSERT_NE(nullptr, view);
    SetFocus(GetDlgItem(view, 32));
    // A modal dialog comes and goes: the frame gets the focus back and hands it to its view, as
    // a frame does in its WM_SETFOCUS.
    g_handler = [](HWND hwnd, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND) EndDialog(hwnd, 0);
        return msg == WM_COMMAND;
    };
    ce::screen::PressKey(VK_ESCAPE);
    Modal(kNoteDialog, frame);
    EXPECT_EQ(frame, GetFocus());
    SetFocus(view);
    EXPECT_EQ(GetDlgItem(view, 32), GetFocus());
}

// A dialog class whose windows drop the program's resources while they are created.
LRESULT CALLBACK ForgetfulDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) ce::res::RegisterResources(GetModuleHandleW(nullptr), {});
    return DefDlgProcW(hwnd, msg, wParam, lParam);
}

TEST_F(DialogTest, MissingTemplatesAndBadParentsFailAndATemplateGoneMeanwhileIsNoHarm) {
    SetLastError(0);
    EXPECT_EQ(-1, Modal(999));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
    const HWND dead = CreateFrame();
    DestroyWindow(dead);
    EXPECT_EQ(0, Modal(kProbeDialog, dead));
    EXPECT_FALSE(EndDialog(dead, 1));
    EXPECT_FALSE(EndDialog(CreateFrame(), 1));  // not a dialog

    // A dialog is made whole even when its template goes while it is created.
    WNDCLASSW wc{};
    wc.lpfnWndProc = ForgetfulDialogProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.lpszClassName = u"Forgetful";
    ASSERT_NE(0, RegisterClassW(&wc));
    const HWND dialog = Modeless(kForgetfulDialog);
    ASSERT_NE(nullptr, dialog);
    EXPECT_NE(nullptr, GetDlgItem(dialog, 21));
    EXPECT_TRUE(IsWindowVisible(dialog));

    // A control of an unknown class fails the whole dialog.
    ce::res::Table table;
    table.dialogs.push_back({.id = 1, .cx = 10, .cy = 10, .controls = {{.className = u"NoSuch"}}});
    ce::res::RegisterResources(Instance(), std::move(table));
    EXPECT_EQ(nullptr, Modeless(1));
}

TEST_F(DialogTest, HeadlessMessageBoxesAndDialogsWriteOneLineAndBoxesAnswerTheirDefaultOrTheHook) {
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, u"Paper jam in tray 2.", u"Printer", MB_OK));
    EXPECT_EQ(IDYES, MessageBoxW(nullptr, u"Are you sure?", u"Notes", MB_YESNO));
    EXPECT_EQ(IDNO, MessageBoxW(nullptr, u"Print now?", u"Print", MB_YESNO | MB_DEFBUTTON2));
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, u"Line one\r\nline two", nullptr, MB_OK));
    EXPECT_EQ((std::vector<std::string>{"Printer: Paper jam in tray 2.", "Notes: Are you sure?",
                                        "Print: Print now?", "Error: Line one line two"}),
              lines_);
    // A destroyed owner fails.
    const HWND dead = CreateFrame();
    DestroyWindow(dead);
    EXPECT_EQ(0, MessageBoxW(dead, u"x", u"y", MB_OK));

    const HWND frame = CreateFrame();
    std::u16string seen;
    ce::screen::SetMessageBoxHook(
        [&](HWND hwnd, std::u16string_view caption, std::u16string_view text, UINT type) {
            seen = std::u16string(caption) + u"|" + std::u16string(text);
            return hwnd == frame && type == MB_YESNO ? IDNO : 0;
        });
    EXPECT_EQ(IDNO, MessageBoxW(frame, u"Sure?", u"Notes", MB_YESNO));
    EXPECT_EQ(u"Notes|Sure?", seen);

    // A headless modal dialog writes its text too, and closes on its timer.
    lines_.clear();
    g_handler = [](HWND hwnd, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            SetDlgItemTextW(hwnd, 40, u"Parcel sent");
            SetTimer(hwnd, 1, 2000, nullptr);
            return TRUE;
        }
        if (msg == WM_TIMER || msg == WM_KEYDOWN) {
            KillTimer(hwnd, 1);
            EndDialog(hwnd, 0);
            return TRUE;
        }
        return FALSE;
    };
    EXPECT_EQ(0, Modal(kNoteDialog, GetActiveWindow()));
    EXPECT_EQ(std::vector<std::string>{"Note: Parcel sent"}, lines_);
    EXPECT_EQ(2000u, clock_->NowMs());
}

}  // namespace
