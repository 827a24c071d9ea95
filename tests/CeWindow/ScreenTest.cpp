// The screen: metrics and work area, the task bar, the z-order of what is drawn, terminal resizes,
// resource strings and standard error held while the terminal shows the screen.
#include <aygshell.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Window.h"
#include "WindowSystem.h"
#include "support/WindowSupport.h"

namespace {

using test::MessagesOf;

constexpr const char16_t* kPainted = u"Painted";

// Fills its window with the first letter of its title (never empty here).
void PaintLetter(HWND hwnd, ce::win::Canvas& canvas, ce::win::PaintLayer layer) {
    if (layer == ce::win::PaintLayer::kWindow) {
        canvas.Fill(0, 0, canvas.Width(), canvas.Height(), ce::win::WindowText(hwnd)[0]);
    }
}

const bool kRegistered = ce::win::RegisterSystemClass(kPainted, DefWindowProcW, PaintLetter);

class ScreenTest : public test::WindowTest {
protected:
    static HWND Painted(const char16_t* title, int x, int y, int cx, int cy, HWND parent = nullptr,
                        DWORD style = WS_POPUP | WS_VISIBLE) {
        return CreateWindowExW(0, kPainted, title, style, x, y, cx, cy, parent, nullptr, nullptr,
                               nullptr);
    }
};

TEST_F(ScreenTest, MetricsAndWorkAreaFollowTheScreenAndTheTaskBar) {
    ASSERT_TRUE(kRegistered);
    EXPECT_EQ(kColumns * 4, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(kRows * 8, GetSystemMetrics(SM_CYSCREEN));
    RECT work{-1, -1, -1, -1};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ((std::array<LONG, 4>{0, 8, kColumns * 4, (kRows - 1) * 8}), test::Corners(work));
    std::string reason = "untouched";
    EXPECT_TRUE(ce::screen::IsInteractive(&reason));  // a test's headless screen takes keys
    EXPECT_EQ("untouched", reason);

    const HWND frame = CreateFrame(u"Notebook");
    EXPECT_TRUE(SHFullScreen(frame, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON));
    const ce::screen::ShellState hidden = ce::screen::Shell();
    EXPECT_FALSE(hidden.taskBar || hidden.sipButton || hidden.startIcon);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(0, work.top);
    EXPECT_EQ(std::string(), ce::screen::RowUtf8(0));  // the frame, blank, shows through

    EXPECT_TRUE(SHFullScreen(frame, SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON));
    const ce::screen::ShellState shown = ce::screen::Shell();
    EXPECT_TRUE(shown.taskBar && shown.sipButton && shown.startIcon);
    const std::string bar = ce::screen::RowUtf8(0);
    EXPECT_NE(std::string::npos, bar.find("Notebook")) << bar;
    EXPECT_TRUE(ce::screen::CellAt(5, 0).attr & ce::screen::kAttrReverse);

    EXPECT_FALSE(SHFullScreen(nullptr, SHFS_HIDETASKBAR));
    EXPECT_TRUE(ce::screen::Shell().taskBar);
}

TEST_F(ScreenTest, AWindowBroughtForwardIsDrawnOnTopAndPositionsRoundToTheNearestCell) {
    const HWND a = Painted(u"A", 0, 8, 40, 16);
    const HWND b = Painted(u"B", 20, 16, 40, 16);
    EXPECT_EQ(u'B', ce::screen::CellAt(6, 2).ch);
    SetForegroundWindow(a);
    EXPECT_EQ(u'A', ce::screen::CellAt(6, 2).ch);
    EXPECT_EQ(u'B', ce::screen::CellAt(12, 3).ch);

    // A child is clipped to its parent (the overlay of an open list is not: ControlsTest).
    Painted(u"C", 0, 0, 400, 8, a, WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(u'C', ce::screen::CellAt(9, 1).ch);
    EXPECT_EQ(u'B', ce::screen::CellAt(12, 3).ch);
    EXPECT_EQ(u'B', ce::screen::CellAt(11, 2).ch);

    ShowWindow(a, SW_HIDE);
    EXPECT_EQ(u' ', ce::screen::CellAt(1, 1).ch);
    EXPECT_EQ(b, GetActiveWindow());

    // Positions round to the nearest cell: 6/4 = 1.5 → 2, 11/4 = 2.75 → 3; 12/8 = 1.5 → 2,
    // 16/8 → 2, but a window with a height keeps a row; without one it has none.
    const HWND r = Painted(u"R", 6, 12, 5, 4);
    EXPECT_EQ((std::array<LONG, 4>{2, 2, 3, 3}), test::Corners(ce::win::WindowCells(r)));
    EXPECT_EQ("R ", Cells(2, 2, 2));
    MoveWindow(r, 6, 12, 5, 0, TRUE);
    EXPECT_EQ("  ", Cells(2, 2, 2));
}

// The frame fills the new work area and is told so; what its program placed stays where it was
// as long as it is on the screen.
TEST_F(ScreenTest, AResizeKeepsEveryWindowOnTheScreenAsItWasPlaced) {
    const HWND frame = CreateFrame();
    const HWND right = Painted(u"R", 120, 16, 40, 16);   // at the right edge
    const HWND centred = Painted(u"C", 50, 36, 60, 24);  // in the middle of the work area
    // A question open over the frame while the terminal grows and then shrinks.
    test::ShowMessageBoxes();
    HWND box = nullptr;
    std::array<LONG, 4> wide{}, narrow{}, grownFrame{}, grownRight{};
    std::vector<std::string> rows;
    test::WhenIdle({[&] {
                        box = GetActiveWindow();
                        test::g_messageLog.clear();
                        ce::screen::Resize(60, 20);
                        wide = test::RectOf(box);
                        grownFrame = test::RectOf(frame);
                        grownRight = test::RectOf(right);
                        EXPECT_EQ(240, GetSystemMetrics(SM_CXSCREEN));
                        EXPECT_EQ(20u, ce::screen::Text().size());
                        EXPECT_EQ(60u, ce::screen::Text()[0].size());
                    },
                    [&] {
                        ce::screen::Resize(24, 10);
                        narrow = test::RectOf(box);
                        rows = test::ScreenRows();
                        ce::screen::PressKey(VK_F2);
                    }});
    EXPECT_EQ(IDNO, MessageBoxW(frame, u"Restart the device now?", u"Restart", MB_YESNO));
    // Centred on the new work area (0, 8)-(240, 152), give or take a cell.
    EXPECT_NEAR(240, wide[0] + wide[2], 8);
    EXPECT_NEAR(160, wide[1] + wide[3], 16);
    // On the small screen, (0, 8)-(96, 72): its text wrapped anew, its buttons still there.
    EXPECT_GE(narrow[0], 0);
    EXPECT_LE(narrow[2], 96);
    EXPECT_GE(narrow[1], 8);
    EXPECT_LE(narrow[3], 72);
    EXPECT_NE(-1, test::RowWith(rows, "Restart the device"));
    EXPECT_NE(-1, test::RowWith(rows, "[ Yes ]  [ No ]"));
    EXPECT_EQ((std::array<LONG, 4>{0, 8, 240, 19 * 8}), grownFrame);
    EXPECT_EQ((std::array<LONG, 4>{120, 16, 160, 32}), grownRight);
    EXPECT_EQ((std::vector<UINT>{WM_SIZE, WM_SETTINGCHANGE, WM_SIZE, WM_SETTINGCHANGE}),
              MessagesOf(frame, {WM_SIZE, WM_SETTINGCHANGE}));

    EXPECT_EQ((std::array<LONG, 4>{0, 8, 96, 72}), test::RectOf(frame));
    EXPECT_EQ((std::array<LONG, 4>{56, 16, 96, 32}), test::RectOf(right));  // moved in, no more
    EXPECT_EQ((std::array<LONG, 4>{18, 28, 78, 52}), test::RectOf(centred));
}

TEST_F(ScreenTest, StringsComeFromTheRegisteredTableCutToTheBuffer) {
    ce::res::Table table;
    table.strings = {{130, u"Notebook"}};
    ce::res::RegisterResources(Instance(), std::move(table));

    WCHAR buffer[260] = {u'j', u'u', u'n', u'k', 0};
    EXPECT_EQ(8, LoadStringW(Instance(), 130, buffer, 260));
    EXPECT_EQ(std::u16string(u"Notebook"), buffer);
    EXPECT_EQ(3, LoadStringW(Instance(), 130, buffer, 4));
    EXPECT_EQ(std::u16string(u"Not"), buffer);
    buffer[0] = u'j';
    SetLastError(0);
    EXPECT_EQ(0, LoadStringW(Instance(), 131, buffer, 260));
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
}

// The terminal is taken when the window system starts, not when a program asks whether it could
// be. What a program writes to standard error while the terminal shows the screen is written out
// after the terminal is restored, at a normal end and when a fatal signal ends it.
TEST(HeldStandardError, ComesAfterTheScreenIsGivenBack) {
    for (const int ending : {0, SIGTERM}) {
        int terminal = -1;
        const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
        ASSERT_GE(child, 0);
        if (child == 0) {
            // A window system that has not started yet, on this pseudo-terminal.
            setenv("TERM", "xterm", 1);
            ce::win::Sys().headlessForced = false;
            ce::win::Sys().started = false;
            // Asking whether keys can reach the program does not take the terminal yet.
            if (!ce::screen::IsInteractive() || ce::win::Sys().terminal) _exit(3);
            ce::win::EnsureStarted();
            if (!ce::screen::HasTerminal()) _exit(4);
            std::fputs("said while the screen is up\n", stderr);
            if (ending != 0) raise(ending);
            std::exit(0);
        }
        std::string output;
        char buffer[4096];
        for (ssize_t got; (got = read(terminal, buffer, sizeof buffer)) > 0;)
            output.append(buffer, got);
        close(terminal);
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_TRUE(ending == 0 ? WIFEXITED(status) && WEXITSTATUS(status) == 0
                                : WIFSIGNALED(status) && WTERMSIG(status) == ending)
            << status;
        const size_t leftScreen = output.rfind("\x1b[?1049l");  // the terminal's own screen again
        const size_t said = output.find("said while the screen is up");
        ASSERT_NE(std::string::npos, leftScreen) << output;
        ASSERT_NE(std::string::npos, said) << output;
        EXPECT_GT(said, leftScreen) << "signal " << ending;
    }
}

}  // namespace
