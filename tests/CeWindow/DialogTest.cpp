// The dialog keys: Tab walks the tab stops, Enter and Escape send OK and cancel, unless the
// focused control asks for them.
#include "support/WindowSupport.h"

namespace {

using test::g_messageLog;
using test::MessagesOf;

std::vector<int> g_commands;

INT_PTR CALLBACK CommandLoggingProc(HWND, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_COMMAND) g_commands.push_back(LOWORD(wParam));
    return msg == WM_INITDIALOG;
}

// A control of the logging class.
ce::res::Control Probe(int id, int x, int y, DWORD style = WS_TABSTOP) {
    return {.id = id, .className = u"Logging", .x = x, .y = y, .cx = 40, .cy = 8, .style = style};
}

class DialogTest : public test::WindowTest {
protected:
    // A dialog of four probes: 11, a disabled one, one without a tab stop, 14.
    void SetUp() override {
        WindowTest::SetUp();
        g_commands.clear();
        ce::res::Table table;
        table.dialogs = {
            {.id = 300,
             .style = WS_POPUP | WS_CAPTION,
             .cx = 120,
             .cy = 64,
             .controls = {Probe(11, 40, 7), Probe(12, 40, 21, WS_TABSTOP | WS_DISABLED),
                          Probe(13, 5, 35, 0), Probe(14, 50, 35)}}};
        ce::res::RegisterResources(Instance(), std::move(table));
    }
};

TEST_F(DialogTest, KeysWalkTheTabStopsAndSendOkAndCancel) {
    const HWND dialog =
        CreateDialogParamW(Instance(), MAKEINTRESOURCEW(300), nullptr, CommandLoggingProc, 0);
    ShowWindow(dialog, SW_SHOW);
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

}  // namespace
