// The dialog manager: templates placed on the cell grid, WM_INITDIALOG and the default focus, the
// dialog keys, modal dialogs (also inside modeless ones), the headless line and failures.
#include <CePlatform/Unicode.h>

#include <functional>

#include "CePlatform/window/CoreSupport.h"

namespace {

using test::MessageLog;
using test::MessagesOf;

constexpr UINT kProbeDialog = 300;
constexpr UINT kInfoDialog = 206;
constexpr UINT kInnerDialog = 301;
constexpr UINT kAboutDialog = 100;
constexpr UINT kViewDialog = 302;
constexpr const char16_t* kProbeClass = u"Probe";

// What the probe controls answer to WM_GETDLGCODE.
LRESULT g_dlgCode = 0;

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    MessageLog().push_back({hwnd, msg, wParam, lParam});
    if (msg == WM_GETDLGCODE) return g_dlgCode;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The dialog procedure of a test: a function the test sets, and a log of the commands.
std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> g_handler;
std::vector<int> g_commands;

INT_PTR CALLBACK TestDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) g_commands.push_back(LOWORD(wParam));
    return g_handler ? g_handler(hwnd, msg, wParam, lParam) : FALSE;
}

ce::res::Control Probe(int id, int x, int y, DWORD style = WS_TABSTOP) {
    return {.id = id, .className = kProbeClass, .x = x, .y = y, .cx = 40, .cy = 8, .style = style};
}

class DialogTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        WNDCLASSW wc{};
        wc.lpfnWndProc = ProbeProc;
        wc.lpszClassName = kProbeClass;
        ASSERT_NE(0, RegisterClassW(&wc));
        g_dlgCode = 0;
        g_handler = nullptr;
        g_commands.clear();

        ce::res::Table table;
        table.dialogs = {
            {.id = kProbeDialog,
             .style = WS_POPUP | WS_CAPTION,
             .cx = 120,
             .cy = 64,
             .caption = u"Probe",
             .controls = {test::Ctl(-1, u"STATIC", u"Category:", 2, 9, 37, 8), Probe(11, 40, 7),
                          Probe(12, 40, 21, WS_TABSTOP | WS_DISABLED), Probe(13, 5, 35, 0),
                          Probe(14, 50, 35)}},
            {.id = kInfoDialog,
             .style = WS_POPUP | WS_CAPTION,
             .cx = 116,
             .cy = 49,
             .caption = u"Info",
             .controls = {test::Ctl(1010, u"STATIC", u"Info text", 7, 7, 102, 35, SS_CENTER)}},
            {.id = kInnerDialog,
             .style = WS_POPUP,
             .cx = 60,
             .cy = 24,
             .controls = {Probe(21, 4, 4)}},
            {.id = kViewDialog,
             .style = WS_CHILD | WS_VISIBLE,
             .cx = 120,
             .cy = 40,
             .controls = {Probe(31, 0, 0), Probe(32, 0, 8)}},
            {.id = kAboutDialog,
             .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
             .exStyle = WS_EX_CAPTIONOKBTN,
             .cx = 131,
             .cy = 89,
             .caption = u"About"}};
        ce::res::RegisterResources(Instance(), std::move(table));
    }

    void TearDown() override { g_handler = nullptr; }

    HWND CreateProbeDialog(HWND parent = nullptr, LPARAM param = 0) {
        const HWND dialog = CreateDialogParamW(Instance(), MAKEINTRESOURCEW(kProbeDialog), parent,
                                               TestDialogProc, param);
        EXPECT_NE(nullptr, dialog);
        ShowWindow(dialog, SW_SHOW);
        return dialog;
    }
};

TEST_F(DialogTest, TemplateUnitsPlaceControlsOnTheCellGrid) {
    const HWND frame = CreateFrame();
    const HWND dialog = CreateProbeDialog(frame);
    // A popup dialog is placed relative to its owner's client area (the frame starts at y = 8).
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(GetDlgItem(dialog, 11), &rect));
    EXPECT_EQ(40, rect.left);
    EXPECT_EQ(15, rect.top);
    EXPECT_EQ(80, rect.right);
    // 40 / 4 = column 10; (15 + 4) / 8 = row 2.
    const std::u16string row = ce::screen::Text()[2];
    EXPECT_EQ(u"Category:", row.substr(1, 9)) << ce::screen::RowUtf8(2);
    // The captioned popup gets a frame around it with the caption.
    EXPECT_NE(std::string::npos, ce::screen::RowUtf8(0).find("Probe"));
}

TEST_F(DialogTest, InitDialogGetsTheFirstTabStopAndItsAnswerDecidesTheFocus) {
    HWND first = nullptr;
    LPARAM param = 0;
    g_handler = [&](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (msg != WM_INITDIALOG) return FALSE;
        first = reinterpret_cast<HWND>(wParam);
        param = lParam;
        return TRUE;
    };
    const HWND dialog = CreateProbeDialog(nullptr, 1234);
    EXPECT_EQ(GetDlgItem(dialog, 11), first);
    EXPECT_EQ(1234, param);
    EXPECT_EQ(first, GetFocus());
    DestroyWindow(dialog);

    // FALSE: the dialog sets no focus itself; activation then gives the first tab stop the
    // focus, as the default dialog procedure does.
    g_handler = [&](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
    const HWND frame = CreateFrame();
    const HWND child = CreateWindowExW(0, kProbeClass, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0,
                                       0, 8, 8, frame, nullptr, Instance(), nullptr);
    SetFocus(child);
    const HWND hidden =
        CreateDialogParamW(Instance(), MAKEINTRESOURCEW(kProbeDialog), frame, TestDialogProc, 0);
    ASSERT_NE(nullptr, hidden);
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_EQ(child, GetFocus());
}

TEST_F(DialogTest, TabAndShiftTabWalkTheEnabledTabStopsAndWrap) {
    const HWND dialog = CreateProbeDialog();
    const HWND a = GetDlgItem(dialog, 11);
    const HWND d = GetDlgItem(dialog, 14);
    SetFocus(a);
    ce::screen::PressKey(VK_TAB);
    ce::screen::PumpMessages();
    EXPECT_EQ(d, GetFocus());  // 12 is disabled, 13 no tab stop
    ce::screen::PressKey(VK_TAB);
    ce::screen::PumpMessages();
    EXPECT_EQ(a, GetFocus());
    ce::screen::PressKey(VK_TAB, ce::screen::kModShift);
    ce::screen::PumpMessages();
    EXPECT_EQ(d, GetFocus());
    EXPECT_EQ(d, GetNextDlgTabItem(dialog, a, TRUE));
    EXPECT_EQ(nullptr, GetNextDlgTabItem(nullptr, a, FALSE));

    // A control that wants Tab keeps it.
    g_dlgCode = DLGC_WANTTAB;
    MessageLog().clear();
    ce::screen::PressKey(VK_TAB);
    ce::screen::PumpMessages();
    EXPECT_EQ(d, GetFocus());
    EXPECT_EQ((std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}),
              MessagesOf(d, {WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
}

TEST_F(DialogTest, EnterIsOkEscapeIsCancelAndCloseBecomesCancel) {
    const HWND dialog = CreateProbeDialog();
    SetFocus(GetDlgItem(dialog, 11));
    ce::screen::PressKey(VK_RETURN);
    ce::screen::PressKey(VK_ESCAPE);
    ce::screen::PumpMessages();
    EXPECT_EQ((std::vector<int>{IDOK, IDCANCEL}), g_commands);

    g_commands.clear();
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(g_commands.empty());  // posted, not sent
    ce::screen::PumpMessages();
    EXPECT_EQ((std::vector<int>{IDCANCEL}), g_commands);
    EXPECT_TRUE(IsWindow(dialog));  // a dialog does not close itself

    // DM_SETDEFID moves Enter; a control wanting all keys takes Enter itself.
    SendMessageW(dialog, DM_SETDEFID, 14, 0);
    g_commands.clear();
    ce::screen::PressKey(VK_RETURN);
    ce::screen::PumpMessages();
    EXPECT_EQ((std::vector<int>{14}), g_commands);
    g_dlgCode = DLGC_WANTALLKEYS;
    g_commands.clear();
    ce::screen::PressKey(VK_RETURN);
    ce::screen::PumpMessages();
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(DialogTest, HandledMessagesAnswerWithTheMessageResult) {
    g_handler = [](HWND hwnd, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg != WM_USER + 5) return msg == WM_USER + 7;  // handled without a result
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 99);
        return TRUE;
    };
    const HWND dialog = CreateProbeDialog();
    EXPECT_EQ(99, SendMessageW(dialog, WM_USER + 5, 0, 0));
    EXPECT_EQ(0, SendMessageW(dialog, WM_USER + 6, 0, 0));
    EXPECT_EQ(0, SendMessageW(dialog, WM_USER + 7, 0, 0));  // not the earlier 99
}

TEST_F(DialogTest, ModalDialogDisablesItsOwnerUntilEndDialog) {
    const HWND frame = CreateFrame();
    bool ownerEnabledMeanwhile = true;
    HWND activeMeanwhile = nullptr;
    g_handler = [&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) return TRUE;
        if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
            ownerEnabledMeanwhile = IsWindowEnabled(frame);
            activeMeanwhile = GetActiveWindow();
            EndDialog(hwnd, 77);
            return TRUE;
        }
        return FALSE;
    };
    ce::screen::PressKey(VK_RETURN);
    const INT_PTR result =
        DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kProbeDialog), frame, TestDialogProc, 0);
    EXPECT_EQ(77, result);
    EXPECT_FALSE(ownerEnabledMeanwhile);
    EXPECT_NE(frame, activeMeanwhile);
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_EQ(frame, GetActiveWindow());
    EXPECT_EQ(nullptr, FindWindowW(nullptr, u"Probe"));  // destroyed
}

TEST_F(DialogTest, ModalDialogEndedInInitOrDestroyedLeavesTheOwnerActive) {
    const HWND frame = CreateFrame();
    // Ended in WM_INITDIALOG, which asks for the default focus: never shown nor activated.
    g_handler = [](HWND hwnd, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) EndDialog(hwnd, 9);
        return msg == WM_INITDIALOG;
    };
    MessageLog().clear();
    EXPECT_EQ(
        9, DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kProbeDialog), frame, TestDialogProc, 0));
    EXPECT_TRUE(MessagesOf(frame, {WM_ACTIVATE}).empty());
    EXPECT_EQ(frame, GetActiveWindow());

    // Destroyed by its own procedure instead of ended: 0, and the owner is active again.
    g_handler = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) DestroyWindow(hwnd);
        return msg == WM_INITDIALOG || msg == WM_COMMAND;
    };
    ce::screen::PressKey(VK_RETURN);
    EXPECT_EQ(
        0, DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kProbeDialog), frame, TestDialogProc, 0));
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_EQ(frame, GetActiveWindow());
}

TEST_F(DialogTest, CaptionOkButtonIsPressedWithF1) {
    std::string taskBar;
    g_handler = [&taskBar](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg != WM_COMMAND) return msg == WM_INITDIALOG;
        taskBar = ce::screen::RowUtf8(0);
        EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
    };
    ce::screen::PressKey(VK_F1);
    EXPECT_EQ(IDOK, DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kAboutDialog), nullptr,
                                    TestDialogProc, 0));
    EXPECT_NE(std::string::npos, taskBar.find("About")) << taskBar;
    EXPECT_NE(std::string::npos, taskBar.find("[ok]")) << taskBar;
}

TEST_F(DialogTest, ModalDialogAndMessageBoxRunInsideAModelessOne) {
    INT_PTR innerResult = 0;
    int boxResult = 0;
    HWND outer = nullptr;
    g_handler = [&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) return TRUE;
        if (msg != WM_COMMAND || LOWORD(wParam) != IDOK) return FALSE;
        if (hwnd == outer) {
            innerResult = DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kInnerDialog), hwnd,
                                          TestDialogProc, 0);
        } else {
            EXPECT_FALSE(IsWindowEnabled(outer));
            boxResult = MessageBoxW(hwnd, u"Sure?", u"Inner", MB_YESNO | MB_DEFBUTTON2);
            EXPECT_TRUE(IsWindowEnabled(hwnd));
            EndDialog(hwnd, 5);
        }
        return TRUE;
    };
    ce::screen::SetMessageBoxHook([](HWND, std::u16string_view, std::u16string_view, UINT) {
        return 0;  // shown, answered by the keys
    });
    outer = CreateProbeDialog();
    SetFocus(GetDlgItem(outer, 11));
    ce::screen::PressKey(VK_RETURN);  // opens the inner dialog
    ce::screen::PressKey(VK_RETURN);  // opens the message box
    ce::screen::PressKey(VK_LEFT);    // from No to Yes
    ce::screen::PressKey(VK_RETURN);  // answers it
    ce::screen::PumpMessages();
    EXPECT_EQ(IDYES, boxResult);
    EXPECT_EQ(5, innerResult);
    EXPECT_TRUE(IsWindow(outer));
    EXPECT_TRUE(IsWindowEnabled(outer));
    EXPECT_EQ(outer, GetActiveWindow());
    EXPECT_EQ(GetDlgItem(outer, 11), GetFocus());  // the focus came back where it was
}

TEST_F(DialogTest, AChildDialogGivesTheFocusBackToTheControlThatHadIt) {
    const HWND frame = CreateFrame();
    const HWND view =
        CreateDialogParamW(Instance(), MAKEINTRESOURCEW(kViewDialog), frame, TestDialogProc, 0);
    ASSERT_NE(nullptr, view);
    SetFocus(GetDlgItem(view, 32));
    // A modal dialog comes and goes: the frame gets the focus back and hands it to its view, as
    // a frame does in its WM_SETFOCUS.
    g_handler = [](HWND hwnd, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND) EndDialog(hwnd, 0);
        return msg == WM_COMMAND;
    };
    ce::screen::PressKey(VK_ESCAPE);
    DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kInnerDialog), frame, TestDialogProc, 0);
    EXPECT_EQ(frame, GetFocus());
    SetFocus(view);
    EXPECT_EQ(GetDlgItem(view, 32), GetFocus());
}

TEST_F(DialogTest, HeadlessModalDialogWritesItsTextAndClosesOnItsTimer) {
    g_handler = [](HWND hwnd, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            SetDlgItemTextW(hwnd, 1010, u"Tweak Speed-Boost enabled");
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
    EXPECT_EQ(0, DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kInfoDialog), GetActiveWindow(),
                                 TestDialogProc, 0));
    EXPECT_EQ(std::vector<std::string>{"Info: Tweak Speed-Boost enabled"}, lines_);
    EXPECT_EQ(2000u, clock_->NowMs());
}

TEST_F(DialogTest, MissingTemplatesAndBadParentsFail) {
    SetLastError(0);
    EXPECT_EQ(-1, DialogBoxParamW(Instance(), MAKEINTRESOURCEW(999), nullptr, TestDialogProc, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
    EXPECT_EQ(-1,
              DialogBoxParamW(nullptr, MAKEINTRESOURCEW(kProbeDialog), nullptr, TestDialogProc, 0));
    EXPECT_EQ(nullptr, CreateDialogParamW(Instance(), u"named", nullptr, TestDialogProc, 0));
    const HWND dead = CreateFrame();
    DestroyWindow(dead);
    EXPECT_EQ(0,
              DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kProbeDialog), dead, TestDialogProc, 0));
    EXPECT_FALSE(EndDialog(dead, 1));
    EXPECT_FALSE(EndDialog(CreateFrame(), 1));  // not a dialog

    // A control of an unknown class fails the whole dialog.
    ce::res::Table table;
    table.dialogs.push_back({.id = 1, .cx = 10, .cy = 10, .controls = {{.className = u"NoSuch"}}});
    ce::res::RegisterResources(Instance(), std::move(table));
    EXPECT_EQ(nullptr, CreateDialogParamW(Instance(), MAKEINTRESOURCEW(1), nullptr, nullptr, 0));
}

// A dialog class whose windows drop the program's resources while they are created.
LRESULT CALLBACK ForgetfulDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) ce::res::RegisterResources(GetModuleHandleW(nullptr), {});
    return DefDlgProcW(hwnd, msg, wParam, lParam);
}

TEST_F(DialogTest, ADialogIsMadeWholeEvenWhenItsTemplateGoesMeanwhile) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ForgetfulDialogProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.lpszClassName = u"Forgetful";
    ASSERT_NE(0, RegisterClassW(&wc));
    ce::res::Table table;
    table.dialogs.push_back({.id = 2,
                             .style = WS_POPUP | WS_VISIBLE,
                             .cx = 60,
                             .cy = 24,
                             .className = u"Forgetful",
                             .controls = {Probe(21, 4, 4)}});
    ce::res::RegisterResources(Instance(), std::move(table));
    const HWND dialog =
        CreateDialogParamW(Instance(), MAKEINTRESOURCEW(2), nullptr, TestDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    EXPECT_NE(nullptr, GetDlgItem(dialog, 21));
    EXPECT_TRUE(IsWindowVisible(dialog));
}

TEST_F(DialogTest, QuitDuringAModalDialogEndsItAndReachesTheOuterLoop) {
    g_handler = [](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) PostQuitMessage(3);
        return FALSE;
    };
    EXPECT_EQ(
        0, DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kProbeDialog), nullptr, TestDialogProc, 0));
    MSG msg{};
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(3u, msg.wParam);
    EXPECT_EQ(nullptr, FindWindowW(nullptr, u"Probe"));
}

}  // namespace
