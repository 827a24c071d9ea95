// The shared library exports exactly its interface: the window system's Win32 functions of
// <winuser.h>, <aygshell.h> and <commctrl.h>, the screen of <CeWindow/Screen.h> and the resources
// of <CeWindow/Resources.h>, and nothing of its internals or of the standard library.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/Exports.h"

namespace {

TEST(ExportsTest, WindowSystemExportsExactlyItsInterface) {
    std::string output;
    const std::set<std::string> names = test::ExportedNames(CEWINDOW_LIBRARY_PATH, &output);
    const std::set<std::string> win32 = {
        "CallWindowProcW",     "ClientToScreen",
        "CreateDialogParamW",  "CreateWindowExW",
        "DefDlgProcW",         "DefWindowProcW",
        "DeleteObject",        "DestroyIcon",
        "DestroyWindow",       "DialogBoxParamW",
        "DispatchMessageW",    "EnableWindow",
        "EndDialog",           "FindWindowW",
        "GetActiveWindow",     "GetClassNameW",
        "GetClientRect",       "GetDesktopWindow",
        "GetDlgCtrlID",        "GetDlgItem",
        "GetDlgItemTextW",     "GetFocus",
        "GetForegroundWindow", "GetKeyState",
        "GetMessageW",         "GetModuleHandleW",
        "GetNextDlgTabItem",   "GetParent",
        "GetSystemMetrics",    "GetWindow",
        "GetWindowLongPtrW",   "GetWindowLongW",
        "GetWindowRect",       "GetWindowTextLengthW",
        "GetWindowTextW",      "InitCommonControlsEx",
        "InvalidateRect",      "IsChild",
        "IsDialogMessageW",    "IsWindow",
        "IsWindowEnabled",     "IsWindowVisible",
        "KillTimer",           "LoadBitmapW",
        "LoadIconW",           "LoadStringW",
        "MapDialogRect",       "MapWindowPoints",
        "MessageBoxW",         "MoveWindow",
        "PeekMessageW",        "PostMessageW",
        "PostQuitMessage",     "RegisterClassW",
        "SHCreateMenuBar",     "SHFullScreen",
        "SHHandleWMActivate",  "SHHandleWMSettingChange",
        "ScreenToClient",      "SendDlgItemMessageW",
        "SendMessageW",        "SetActiveWindow",
        "SetDlgItemTextW",     "SetFocus",
        "SetForegroundWindow", "SetTimer",
        "SetWindowLongPtrW",   "SetWindowLongW",
        "SetWindowPos",        "SetWindowTextW",
        "ShowWindow",          "TranslateMessage",
        "UnregisterClassW",    "UpdateWindow",
    };
    const std::set<std::string> screen = {
        "ce::screen::Caret()",
        "ce::screen::CellAt(int, int)",
        "ce::screen::Columns()",
        "ce::screen::HasTerminal()",
        "ce::screen::IsInteractive(std::string*)",
        "ce::screen::PressKey(unsigned int, unsigned int)",
        "ce::screen::PumpMessages()",
        "ce::screen::Resize(int, int)",
        "ce::screen::RowUtf8(int)",
        "ce::screen::Rows()",
        "ce::screen::SetMessageBoxHook(std::function<int (HWND__*, std::u16string_view, "
        "std::u16string_view, unsigned int)>)",
        "ce::screen::SetOutputSink(std::function<void (std::string const&)>)",
        "ce::screen::SetStarvedHook(std::function<bool ()>)",
        "ce::screen::Shell()",
        "ce::screen::StarvedCount()",
        "ce::screen::StylusDown(int, int)",
        "ce::screen::StylusUp(int, int)",
        "ce::screen::Tap(int, int)",
        "ce::screen::Text()",
        "ce::screen::TypeText(std::u16string_view)",
        "ce::screen::UseClock(std::shared_ptr<ce::screen::Clock>)",
        "ce::screen::UseHeadlessScreen(int, int)",
        "ce::screen::Wheel(int, int, int)",
        "ce::screen::WindowCells(HWND__*)",
        "ce::screen::Clock::~Clock()",
        "typeinfo for ce::screen::Clock",
        "typeinfo name for ce::screen::Clock",
        "vtable for ce::screen::Clock",
        "ce::screen::ManualClock::~ManualClock()",
        "typeinfo for ce::screen::ManualClock",
        "typeinfo name for ce::screen::ManualClock",
        "vtable for ce::screen::ManualClock",
    };
    const std::set<std::string> resources = {
        "ce::res::RegisterResources(HINSTANCE__*, ce::res::Table)",
    };

    std::set<std::string> expected;
    for (const auto* part : {&win32, &screen, &resources}) {
        expected.insert(part->begin(), part->end());
    }
    EXPECT_EQ(names, expected) << output;
}

}  // namespace
