// The shared library exports exactly its interface: the window system's Win32 functions of
// <winuser.h>, <aygshell.h> and <commctrl.h>, the screen of <CeWindow/Screen.h> and the resources
// of <CeWindow/Resources.h>, and nothing of its internals or of the standard library.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "support/Exports.h"

namespace {

TEST(ExportsTest, WindowSystemExportsExactlyItsInterface) {
    std::set<std::string> expected;
    std::istringstream win32(
        "CallWindowProcW ClientToScreen CreateDialogParamW CreateWindowExW DefDlgProcW "
        "DefWindowProcW DeleteObject DestroyIcon DestroyWindow DialogBoxParamW DispatchMessageW "
        "EnableWindow EndDialog FindWindowW GetActiveWindow GetClassNameW GetClientRect "
        "GetDesktopWindow GetDlgCtrlID GetDlgItem GetDlgItemTextW GetFocus GetForegroundWindow "
        "GetKeyState GetMessageW GetModuleHandleW GetNextDlgTabItem GetParent GetSystemMetrics "
        "GetWindow GetWindowLongPtrW GetWindowLongW GetWindowRect GetWindowTextLengthW "
        "GetWindowTextW InitCommonControlsEx InvalidateRect IsChild IsDialogMessageW IsWindow "
        "IsWindowEnabled IsWindowVisible KillTimer LoadBitmapW LoadIconW LoadStringW MapDialogRect "
        "MapWindowPoints MessageBoxW MoveWindow PeekMessageW PostMessageW PostQuitMessage "
        "RegisterClassW SHCreateMenuBar SHFullScreen SHHandleWMActivate SHHandleWMSettingChange "
        "ScreenToClient SendDlgItemMessageW SendMessageW SetActiveWindow SetDlgItemTextW SetFocus "
        "SetForegroundWindow SetTimer SetWindowLongPtrW SetWindowLongW SetWindowPos SetWindowTextW "
        "ShowWindow TranslateMessage UnregisterClassW UpdateWindow");
    for (std::string name; win32 >> name;) expected.insert(name);
    // Signatures hold blanks: these are parted by semicolons.
    std::istringstream screen(
        "Caret();CellAt(int, int);Columns();HasTerminal();IsInteractive(std::string*);"
        "PressKey(unsigned int, unsigned int);PumpMessages();Resize(int, int);RowUtf8(int);Rows();"
        "SetMessageBoxHook(std::function<int (HWND__*, std::u16string_view, std::u16string_view, "
        "unsigned int)>);SetOutputSink(std::function<void (std::string const&)>);"
        "SetStarvedHook(std::function<bool ()>);Shell();StarvedCount();StylusDown(int, int);"
        "StylusUp(int, int);Tap(int, int);Text();TypeText(std::u16string_view);"
        "UseClock(std::shared_ptr<ce::screen::Clock>);UseHeadlessScreen(int, int);"
        "Wheel(int, int, int);WindowCells(HWND__*)");
    for (std::string name; std::getline(screen, name, ';');) expected.insert("ce::screen::" + name);
    // The clocks' destructors and type information.
    for (const std::string clock : {"Clock", "ManualClock"}) {
        const std::string name = "ce::screen::" + clock;
        expected.insert({name + "::~" + clock + "()", "typeinfo for " + name,
                         "typeinfo name for " + name, "vtable for " + name});
    }
    expected.insert("ce::res::RegisterResources(HINSTANCE__*, ce::res::Table)");
    std::string output;
    EXPECT_EQ(test::ExportedNames(CEWINDOW_LIBRARY_PATH, &output), expected) << output;
}

}  // namespace
