// The application's own screens on the phones' screens, 176 x 220 pixels (44 x 27 cells) and
// 240 x 320 (60 x 40): every label of the view and the Info window readable whole,
// apart from the control beside it, the splash screen with its bitmap whole and centred, and the
// soft keys of what is in front.
#include "Dialogs.h"
#include "FennaroTestSupport.h"
#include "InfoDlg.h"

namespace {

using namespace testing;
using test::Corners;
using test::RowWith;
using test::ScreenRows;

struct ScreenSize {
    int columns;
    int rows;
};

class Legibility : public test::Screens, public WithParamInterface<ScreenSize> {
protected:
    Legibility() : Screens({}, GetParam().columns, GetParam().rows) {}
};

TEST_P(Legibility, TheViewsLabelsStandApartFromTheirControls) {
    Start();
    const std::vector<std::string> rows = ScreenRows();
    EXPECT_NE(RowWith(rows, "Category: Essential Utilities"), -1) << PrintToString(rows);
    EXPECT_NE(RowWith(rows, " Tweak:   Bluetooth Audio"), -1) << PrintToString(rows);
    EXPECT_NE(RowWith(rows, " [ ] Enable  [ ] Create toggle shortcut"), -1) << PrintToString(rows);
    EXPECT_THAT(rows.back(), StartsWith(" Done "));
    EXPECT_THAT(rows.back(), EndsWith(" Menu"));
}

TEST_P(Legibility, TheInfoWindowShowsTheWholeOutcome) {
    for (const char16_t* text :
         {u"Tweak Speed-Up Text/SMS Typing disabled", u"Tweak not disabled. Error code:2002",
          u"Error. Invalid tweak ID"}) {
        std::string joined;
        test::WhenIdle({[&joined] {
            const RECT cells =
                ce::screen::WindowCells(GetDlgItem(GetActiveWindow(), IDC_INFO_TEXT));
            for (int row = cells.top; row < cells.bottom; ++row) {
                std::u16string line;
                for (int column = cells.left; column < cells.right; ++column) {
                    line += ce::screen::CellAt(column, row).ch;
                }
                const size_t first = line.find_first_not_of(u' ');
                if (first == std::u16string::npos) continue;
                if (!joined.empty()) joined += ' ';
                joined += ce::ToUtf8(line.substr(first, line.find_last_not_of(u' ') - first + 1));
            }
            ce::screen::PressKey(VK_F2);  // no soft keys: the key reaches the window itself
        }});
        EXPECT_EQ(CInfoDlg(text, 0).DoModal(nullptr), 0);
        ce::screen::SetStarvedHook(nullptr);
        EXPECT_EQ(joined, ce::ToUtf8(text));
    }
}

// The splash screen as the frame's creation shows it, looked at half way through its second:
// full screen, the bars hidden (and hidden again by its next layout, 5 ms at most after the shell
// showed them),
// the bitmap whole in the middle, no soft keys of the frame.
TEST_P(Legibility, TheSplashFillsTheScreenForASecondWithItsBitmapInTheMiddle) {
    struct Seen {
        RECT dialog{}, bitmap{}, cells{};
        std::string bottom;
        ce::screen::ShellState shell, again;
    };
    static Seen seen;
    seen = Seen{};
    const UINT_PTR look = SetTimer(nullptr, 0, 503, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        const HWND splash = GetActiveWindow();
        GetWindowRect(splash, &seen.dialog);
        GetWindowRect(GetDlgItem(splash, IDC_SPLASH_BITMAP), &seen.bitmap);
        seen.cells = ce::screen::WindowCells(GetDlgItem(splash, IDC_SPLASH_BITMAP));
        seen.bottom = ScreenRows().back();
        seen.shell = ce::screen::Shell();
        SHFullScreen(splash, SHFS_SHOWTASKBAR);
        SetTimer(nullptr, 0, 4, [](HWND, UINT, UINT_PTR again, DWORD) {
            KillTimer(nullptr, again);
            seen.again = ce::screen::Shell();
        });
    });
    Start();
    KillTimer(nullptr, look);
    EXPECT_EQ(clock_.NowMs(), 1000u);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(Corners(seen.dialog), (std::array<LONG, 4>{0, 0, width, height}));
    EXPECT_FALSE(seen.shell.taskBar || seen.shell.sipButton || seen.shell.startIcon);
    EXPECT_FALSE(seen.again.taskBar);
    EXPECT_EQ(Corners(seen.bitmap),
              (std::array<LONG, 4>{(width - 172) / 2, (height - 74) / 2, (width - 172) / 2 + 172,
                                   (height - 74) / 2 + 74}));
    EXPECT_EQ(seen.cells.right - seen.cells.left, 43);  // 172 pixels, whole
    EXPECT_EQ(seen.bottom.find("Done"), std::string::npos) << seen.bottom;
    const ce::screen::ShellState after = ce::screen::Shell();
    EXPECT_TRUE(after.taskBar && after.sipButton && after.startIcon);
}

INSTANTIATE_TEST_SUITE_P(PhoneScreens, Legibility, Values(ScreenSize{44, 27}, ScreenSize{60, 40}),
                         [](const TestParamInfo<ScreenSize>& info) {
                             return std::to_string(info.param.columns) + "x" +
                                    std::to_string(info.param.rows);
                         });

}  // namespace
