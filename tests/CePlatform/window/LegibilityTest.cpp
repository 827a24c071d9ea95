// The tweak manager's own templates on the phones' screens, 176 x 220 pixels (44 x 27 cells) and
// 240 x 320 (60 x 40): every label readable whole, apart from the control beside it, and the
// soft keys of what is in front. The screens are laid out as the program lays them out.
#include <CeFramework/Window.h>
#include <aygshell.h>

#include "CePlatform/window/AppTemplates.h"
#include "CePlatform/window/CoreSupport.h"

namespace {

using test::RowWith;
using test::ScreenRows;
namespace app = test::app;

struct ScreenSize {
    int columns;
    int rows;
};

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK ViewProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// The About box and the Info window: centred over their owner; OK and cancel end them, and so
// does any key that reaches them.
INT_PTR CALLBACK CentredProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            if (lParam) SetDlgItemTextW(hwnd, app::kInfoText, reinterpret_cast<LPCWSTR>(lParam));
            CWindow(hwnd).CenterWindow(GetParent(hwnd));
            return TRUE;
        case WM_KEYDOWN:
            EndDialog(hwnd, static_cast<INT_PTR>(wParam));
            return TRUE;
        case WM_COMMAND:
            EndDialog(hwnd, LOWORD(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

// The splash in its full-screen layout, its bitmap in the middle of the screen.
INT_PTR CALLBACK SplashProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_COMMAND) EndDialog(hwnd, LOWORD(wParam));
    if (msg != WM_INITDIALOG) return msg == WM_COMMAND;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    MoveWindow(hwnd, 0, 0, width, height, TRUE);
    SHFullScreen(hwnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
    const HWND bitmap = GetDlgItem(hwnd, app::kSplashBitmap);
    RECT rect{};
    GetWindowRect(bitmap, &rect);
    MoveWindow(bitmap, (width - (rect.right - rect.left)) / 2,
               (height - (rect.bottom - rect.top)) / 2, rect.right - rect.left,
               rect.bottom - rect.top, TRUE);
    return TRUE;
}

class LegibilityTest : public testing::TestWithParam<ScreenSize> {
protected:
    void SetUp() override {
        ce::screen::UseHeadlessScreen(GetParam().columns, GetParam().rows);
        ce::screen::SetOutputSink([](const std::string&) {});
        ce::res::RegisterResources(Instance(), app::Resources());
        WNDCLASSW wc{};
        wc.lpfnWndProc = FrameProc;
        wc.lpszClassName = u"Quenvale";
        ASSERT_NE(0, RegisterClassW(&wc));
        // The frame ends at its soft-key bar's top edge.
        frame_ = CreateWindowExW(0, u"Quenvale", u"Quenvale", WS_VISIBLE, CW_USEDEFAULT, 0,
                                 CW_USEDEFAULT, 0, nullptr, nullptr, Instance(), nullptr);
        SHMENUBARINFO bar{};
        bar.cbSize = sizeof bar;
        bar.hwndParent = frame_;
        bar.dwFlags = SHCMBF_HMENU;
        bar.nToolBarId = app::kMenu;
        bar.hInstRes = Instance();
        ASSERT_TRUE(SHCreateMenuBar(&bar));
        RECT barRect{};
        RECT frameRect{};
        GetWindowRect(bar.hwndMB, &barRect);
        GetWindowRect(frame_, &frameRect);
        SetWindowPos(frame_, nullptr, 0, 0, frameRect.right - frameRect.left,
                     barRect.top - frameRect.top, SWP_NOMOVE | SWP_NOZORDER);
    }

    static HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

    // The view over the frame's client area, its pickers and description box widened to 3
    // pixels short of the screen's right edge, the pickers filled.
    HWND CreateView() const {
        const HWND view =
            CreateDialogParamW(Instance(), MAKEINTRESOURCEW(app::kView), frame_, ViewProc, 0);
        EXPECT_NE(nullptr, view);
        RECT client{};
        GetClientRect(frame_, &client);
        MoveWindow(view, 0, 0, client.right, client.bottom, TRUE);
        for (int id : {app::kCategory, app::kTweak, app::kDescription}) {
            const HWND control = GetDlgItem(view, id);
            RECT rect{};
            GetWindowRect(control, &rect);
            POINT corner{rect.left, rect.top};
            ScreenToClient(view, &corner);
            MoveWindow(control, corner.x, corner.y, GetSystemMetrics(SM_CXSCREEN) - 3 - corner.x,
                       rect.bottom - rect.top, TRUE);
        }
        for (const char16_t* name :
             {u"Internet", u"System", u"Telephony", u"Sound", u"Essential Utilities"}) {
            SendDlgItemMessageW(view, app::kCategory, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(name));
        }
        SendDlgItemMessageW(view, app::kCategory, CB_SETCURSEL, 0, 0);
        SendDlgItemMessageW(view, app::kTweak, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(u"Always show the battery level"));
        SendDlgItemMessageW(view, app::kTweak, CB_SETCURSEL, 0, 0);
        ShowWindow(view, SW_SHOW);
        return view;
    }

    // Runs a modal dialog of the program over the frame; the screen while it is up; `key` then
    // ends it.
    std::vector<std::string> WhileUp(UINT id, DLGPROC proc, UINT key, LPARAM param = 0) {
        std::vector<std::string> shown;
        test::WhenIdle({[&shown, key] {
            shown = ScreenRows();
            ce::screen::PressKey(key);
        }});
        EXPECT_GT(DialogBoxParamW(Instance(), MAKEINTRESOURCEW(id), frame_, proc, param), 0);
        return shown;
    }

    test::TempDevice device_;
    HWND frame_ = nullptr;
};

TEST_P(LegibilityTest, TheViewsLabelsStandApartFromTheirControls) {
    CreateView();
    const std::vector<std::string> rows = ScreenRows();
    // The label fills its cells up to the picker: it moves left for a blank between them.
    EXPECT_NE(-1, RowWith(rows, "Category: Essential Utilities")) << testing::PrintToString(rows);
    EXPECT_EQ(0u, rows[static_cast<size_t>(RowWith(rows, "Category:"))].find("Category:"));
    EXPECT_NE(-1, RowWith(rows, " Tweak:   Always show the battery level"));
    // "Create toggle shortcut" is wider than its box: it goes on into the free cells.
    EXPECT_NE(-1, RowWith(rows, " [ ] Enable  [ ] Create toggle shortcut"));
    EXPECT_EQ(" Done ", rows.back().substr(0, 6));
    EXPECT_EQ(" Menu", rows.back().substr(rows.back().size() - 5));
    // The right soft key's popup and its nested one.
    ce::screen::PressKey(VK_F2);
    ce::screen::PressKey(VK_DOWN);
    ce::screen::PressKey(VK_RETURN);
    ce::screen::PumpMessages();
    for (const char* item : {"1 Restore", "2 Help ▸", "1 About"}) {
        EXPECT_NE(-1, RowWith(ScreenRows(), item)) << item;
    }
}

TEST_P(LegibilityTest, TheAboutBoxShowsEveryLineWholeAndItsOkKey) {
    const std::vector<std::string> rows = WhileUp(app::kAbout, CentredProc, VK_F1);
    for (const char16_t* line :
         {u"Quenvale 2008", u"- version v2.0 -", app::kNotice, app::kPublisher, app::kWebAddress}) {
        // The publisher's line is 7 units high and still gets its row; the web address is wider
        // than its control and draws on, centred, into the free cells beside it.
        EXPECT_NE(-1, RowWith(rows, ce::ToUtf8(line))) << ce::ToUtf8(line);
    }
    EXPECT_NE(-1, RowWith(rows, "┌ About ─"));
    EXPECT_NE(std::string::npos, rows.front().find("[ok]"));
    EXPECT_EQ(" OK", rows.back()) << "the caption's OK on the left soft key, no right one";
}

TEST_P(LegibilityTest, TheInfoWindowWrapsItsTextWholeWordsInsideItsBox) {
    for (const char16_t* text :
         {u"Tweak Always show the battery level enabled", u"Tweak not disabled. Error code:2002",
          u"Error. Invalid tweak ID"}) {
        HWND info = nullptr;
        std::vector<std::string> lines;
        test::WhenIdle({[&] {
            info = GetDlgItem(GetActiveWindow(), app::kInfoText);
            const RECT cells = ce::win::WindowCells(info);
            for (int row = cells.top; row < cells.bottom; ++row) {
                std::string line;
                for (int column = cells.left; column < cells.right; ++column) {
                    line += ce::ToUtf8(std::u16string(1, ce::screen::CellAt(column, row).ch));
                }
                lines.push_back(line);
            }
            ce::screen::PressKey(VK_F2);  // no soft keys: the key reaches the window itself
        }});
        EXPECT_EQ(VK_F2, DialogBoxParamW(Instance(), MAKEINTRESOURCEW(app::kInfo), frame_,
                                         CentredProc, reinterpret_cast<LPARAM>(text)));
        std::string joined;
        for (const std::string& line : lines) {
            const size_t first = line.find_first_not_of(' ');
            if (first == std::string::npos) continue;
            if (!joined.empty()) joined += ' ';
            joined += line.substr(first, line.find_last_not_of(' ') - first + 1);
        }
        EXPECT_EQ(ce::ToUtf8(text), joined) << testing::PrintToString(lines);
    }
}

TEST_P(LegibilityTest, TheSplashShowsItsBitmapWholeWithoutTheFramesSoftKeys) {
    RECT bitmap{};
    std::string bottom;
    test::WhenIdle({[&] {
        bitmap = ce::win::WindowCells(GetDlgItem(GetActiveWindow(), app::kSplashBitmap));
        bottom = ScreenRows().back();
        ce::screen::PressKey(VK_ESCAPE);
    }});
    EXPECT_EQ(IDCANCEL,
              DialogBoxParamW(Instance(), MAKEINTRESOURCEW(app::kSplash), frame_, SplashProc, 0));
    EXPECT_EQ(43, bitmap.right - bitmap.left);  // 172 pixels
    EXPECT_GE(bitmap.left, 0);
    EXPECT_LE(bitmap.right, GetParam().columns);
    EXPECT_NEAR(GetParam().columns - 43, 2 * bitmap.left, 1);  // centred
    EXPECT_EQ(std::string::npos, bottom.find("Done")) << bottom;
}

INSTANTIATE_TEST_SUITE_P(PhoneScreens, LegibilityTest,
                         testing::Values(ScreenSize{44, 27}, ScreenSize{60, 40}),
                         [](const testing::TestParamInfo<ScreenSize>& info) {
                             return std::to_string(info.param.columns) + "x" +
                                    std::to_string(info.param.rows);
                         });

}  // namespace
