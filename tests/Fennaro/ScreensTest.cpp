// The application's screens on the headless screen with its manual clock: the frame with its soft
// keys and commands, the tweak view's pickers, boxes, focus timer and Up key, the splash screen
// and the About box.
#include <CeFramework/App.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "FennaroTestSupport.h"
#include "MainFrame.h"
#include "support/RegistryProbe.h"

namespace {

using namespace testing;

const WCHAR kGlyphCache[] = u"\\system\\gdi\\glyphcache";

std::string Text(HWND hwnd) {
    WCHAR text[1024] = {};
    GetWindowTextW(hwnd, text, 1024);
    return ce::ToUtf8(text);
}

// The entries of a combo box, in the order it shows them.
std::vector<std::string> Entries(HWND picker) {
    std::vector<std::string> entries;
    const LRESULT count = SendMessageW(picker, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        WCHAR text[256] = {};
        SendMessageW(picker, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(ce::ToUtf8(text));
    }
    return entries;
}

std::string Selected(HWND picker) {
    const LRESULT index = SendMessageW(picker, CB_GETCURSEL, 0, 0);
    const std::vector<std::string> entries = Entries(picker);
    return index >= 0 && index < static_cast<LRESULT>(entries.size()) ? entries[index] : "";
}

bool Checked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A rectangle as {left, top, right, bottom}, which compares and prints.
std::array<LONG, 4> Corners(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

RECT WindowRect(HWND hwnd) {
    RECT rect{-7, -7, -7, -7};
    GetWindowRect(hwnd, &rect);
    return rect;
}

// The application as WinMain runs it, on a headless screen of `columns` x `rows` cells.
class Screens : public test::AppTest {
protected:
    explicit Screens(const ce::Profile& profile = {}, int columns = 44, int rows = 27)
        : AppTest(profile), clock_(ce::screen::UseHeadlessScreen(columns, rows)) {
        module_.Init(GetModuleHandleW(nullptr));
        module_.AddMessageLoop(&loop_);
        ce::screen::SetOutputSink([](const std::string&) {});
    }
    ~Screens() override {
        frame_.reset();
        module_.RemoveMessageLoop();
        module_.Term();
        ce::screen::SetOutputSink(nullptr);
    }

    // Creates and shows the frame: the splash screen runs its second meanwhile.
    CMainFrame& Start() {
        frame_ = std::make_unique<CMainFrame>();
        EXPECT_NE(frame_->CreateEx(), nullptr);
        frame_->ShowWindow(SW_SHOW);
        ce::screen::PumpMessages();
        return *frame_;
    }
    HWND View() { return frame_->View().m_hWnd; }
    HWND Control(int id) { return GetDlgItem(View(), id); }
    void Advance(uint64_t ms) {
        clock_.Advance(ms);
        ce::screen::PumpMessages();
    }
    // A picker's selection changed as the user changes it.
    void Pick(int pickerId, const std::string& entry) {
        const HWND picker = Control(pickerId);
        const std::vector<std::string> entries = Entries(picker);
        const auto found = std::find(entries.begin(), entries.end(), entry);
        ASSERT_NE(found, entries.end()) << entry;
        SendMessageW(picker, CB_SETCURSEL, static_cast<WPARAM>(found - entries.begin()), 0);
        SendMessageW(View(), WM_COMMAND, MAKEWPARAM(pickerId, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(picker));
    }
    void Click(int boxId) { SendMessageW(Control(boxId), BM_CLICK, 0, 0); }
    // The exit code of the quit message that ended the loop, or -1 while it runs.
    int QuitCode() {
        MSG msg{};
        if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
            return static_cast<int>(msg.wParam);
        return -1;
    }
    void Command(UINT id) {
        SendMessageW(frame_->m_hWnd, WM_COMMAND, id, 0);
        ce::screen::PumpMessages();
    }

    ce::screen::ManualClock& clock_;
    CAppModule module_;
    CMessageLoop loop_;
    std::unique_ptr<CMainFrame> frame_;
};

TEST_F(Screens, TheStartShowsEssentialUtilitiesAndItsFirstTweakWithTheFocusOnTheCategories) {
    Start();
    EXPECT_EQ(clock_.NowMs(), 1000u);  // the splash screen's second
    EXPECT_THAT(Entries(Control(IDC_CATEGORY)),
                ElementsAre("Essential Utilities", "Internet", "Sound", "System", "Telephony"));
    EXPECT_EQ(Selected(Control(IDC_CATEGORY)), "Essential Utilities");
    EXPECT_THAT(Entries(Control(IDC_TWEAK)), ElementsAre("Bluetooth Audio", "Bluetooth Toggle",
                                                         "Quick SoftRestart", "Turn Off"));
    EXPECT_EQ(Selected(Control(IDC_TWEAK)), "Bluetooth Audio");
    EXPECT_THAT(Text(Control(IDC_DESCRIPTION)), StartsWith("This will route all sounds"));
    // The focus timer fired while the splash screen was up.
    EXPECT_EQ(GetFocus(), Control(IDC_CATEGORY));
    // The frame ends at the soft-key bar; the view fills it; the pickers and the description
    // reach 3 pixels short of the screen's right edge.
    EXPECT_EQ(WindowRect(frame_->m_hWnd).bottom, WindowRect(frame_->MenuBar()).top);
    EXPECT_EQ(Corners(WindowRect(View())), Corners(WindowRect(frame_->m_hWnd)));
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    for (int id : {IDC_CATEGORY, IDC_TWEAK, IDC_DESCRIPTION}) {
        EXPECT_NEAR(WindowRect(Control(id)).right, screenWidth - 3, 2) << id;
    }
    // The soft keys.
    const std::string bottom = ce::screen::RowUtf8(ce::screen::Rows() - 1);
    EXPECT_THAT(bottom, StartsWith(" Done"));
    EXPECT_THAT(bottom, EndsWith("Menu"));
}

TEST_F(Screens, AnUnsupportedTweakOffersNothingWhateverItsPendingFlags) {
    Start();
    Pick(IDC_CATEGORY, "Internet");
    Pick(IDC_TWEAK, "Enable 4-way navigation");
    CTweakViewItem* item = reinterpret_cast<CTweakViewItem*>(
        SendMessageW(Control(IDC_TWEAK), CB_GETITEMDATA,
                     SendMessageW(Control(IDC_TWEAK), CB_GETCURSEL, 0, 0), 0));
    ASSERT_NE(item, nullptr);
    item->SetPendingEnable(true);
    item->SetPendingShortcut(true);
    Pick(IDC_TWEAK, "Enable 4-way navigation");
    EXPECT_EQ(Text(Control(IDC_DESCRIPTION)), "This tweak is not supported on this device");
    for (int id : {IDC_ENABLE, IDC_SHORTCUT, IDC_DESCRIPTION}) {
        EXPECT_FALSE(IsWindowEnabled(Control(id))) << id;
    }
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));
    EXPECT_FALSE(Checked(Control(IDC_SHORTCUT)));
    // A click on a disabled box changes nothing; neither does one with no tweak selected.
    SendMessageW(Control(IDC_TWEAK), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    Click(IDC_ENABLE);
    SendMessageW(View(), WM_COMMAND, MAKEWPARAM(IDC_ENABLE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(IDC_ENABLE)));
    EXPECT_TRUE(item->GetPendingEnable());
}

TEST_F(Screens, TicksArePendingUntilDoneAndKeptAcrossCategoriesAndTweaks) {
    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_ENABLE)));
    Click(IDC_ENABLE);
    Click(IDC_SHORTCUT);
    Pick(IDC_CATEGORY, "Sound");
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));
    Pick(IDC_CATEGORY, "System");
    EXPECT_NE(Selected(Control(IDC_TWEAK)), "Speed-Boost");
    Pick(IDC_TWEAK, "Speed-Boost");
    EXPECT_TRUE(Checked(Control(IDC_ENABLE)));
    EXPECT_TRUE(Checked(Control(IDC_SHORTCUT)));
    // Nothing reached the device yet.
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit"), probe::DwordValue(16384));
    EXPECT_FALSE(
        test::ReadFileBytes(device_.Folder() / "fs/Windows/Start Menu/Speed-Boost.lnk").size());

    // "Done" applies and closes the application with 1.
    const int64_t seq = device_.LastEventSeq();
    Command(ID_APP_EXIT);
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit"), probe::DwordValue(32768));
    EXPECT_THAT(test::ReadFileBytes(device_.Folder() / "fs/Windows/Start Menu/Speed-Boost.lnk"),
                HasSubstr("CSpeedBoostTweak_"));
    EXPECT_THAT(device_.Events(seq), ElementsAre("settings change (WM_SETTINGCHANGE)"));
    EXPECT_FALSE(IsWindow(frame_->m_hWnd));
    EXPECT_EQ(QuitCode(), 1);
}

TEST_F(Screens, DoneWithoutChangesStillAnnouncesTheSettingsAndAnyOtherCloseAppliesNothing) {
    Start();
    int64_t seq = device_.LastEventSeq();
    Command(ID_APP_EXIT);
    EXPECT_THAT(device_.Events(seq), ElementsAre("settings change (WM_SETTINGCHANGE)"));
    EXPECT_EQ(QuitCode(), 1);

    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    Click(IDC_ENABLE);
    seq = device_.LastEventSeq();
    PostMessageW(frame_->m_hWnd, WM_CLOSE, 0, 0);
    ce::screen::PumpMessages();
    EXPECT_FALSE(IsWindow(frame_->m_hWnd));
    EXPECT_EQ(QuitCode(), 1);
    EXPECT_THAT(device_.Events(seq), IsEmpty());
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit"), probe::DwordValue(16384));
}

TEST_F(Screens, RestoreAsksAndTheTweakPickerJumpsToTheCategorysFirstTweak) {
    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    Click(IDC_ENABLE);
    test::MessageBoxes boxes(device_);
    Command(ID_RESTORE);  // answered No
    ASSERT_THAT(boxes.shown, SizeIs(1));
    EXPECT_EQ(boxes.shown[0].caption, "Confirmation");
    EXPECT_EQ(boxes.shown[0].owner, frame_->m_hWnd);  // the view's top-level window
    const std::string first = Entries(Control(IDC_TWEAK)).front();
    EXPECT_EQ(Selected(Control(IDC_TWEAK)), first);
    EXPECT_TRUE(IsWindow(frame_->m_hWnd));

    // Yes: the unapplied tick is lost, the device's state shows.
    boxes.answers = {IDYES};
    Command(ID_RESTORE);
    Pick(IDC_TWEAK, "Speed-Boost");
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));
}

TEST_F(Screens, AConfigurableTweakShowsItsShortcutTickDisabledAndConfigureDecidesTheEnableTick) {
    class CConfigurable final : public CTweakBase {
    public:
        CConfigurable()
            : CTweakBase(u"CConfigurable_1", u"0 Configurable", u"Asks first.", kCategorySystem) {}
        BOOL answer = FALSE;
        int asked = 0;
        BOOL Configure() override { return ++asked, answer; }
        BOOL HasConfiguration() override { return TRUE; }
        BOOL IsEnabled() override { return FALSE; }
        int Enable() override { return kTweakOk; }
        int Backup() override { return kTweakOk; }
        int Restore() override { return kTweakOk; }
        int Disable() override { return kTweakOk; }
    } tweak;
    frame_ = std::make_unique<CMainFrame>();
    CTweakViewItem* item = new CTweakViewItem(&tweak);
    item->SetPendingShortcut(true);
    frame_->View().Items().push_back(item);
    frame_->CreateEx();
    ce::screen::PumpMessages();
    Pick(IDC_CATEGORY, "System");
    EXPECT_EQ(Selected(Control(IDC_TWEAK)), "0 Configurable");
    EXPECT_TRUE(Checked(Control(IDC_SHORTCUT)));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_SHORTCUT)));
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_ENABLE)));

    Click(IDC_ENABLE);  // Configure refuses: the tick goes again
    EXPECT_EQ(tweak.asked, 1);
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));
    EXPECT_FALSE(item->GetPendingEnable());
    tweak.answer = TRUE;
    Click(IDC_ENABLE);
    EXPECT_TRUE(Checked(Control(IDC_ENABLE)));
    EXPECT_TRUE(item->GetPendingEnable());
    Click(IDC_ENABLE);  // clearing asks nothing
    EXPECT_EQ(tweak.asked, 2);
    EXPECT_FALSE(item->GetPendingEnable());
    frame_->DestroyWindow();
    frame_.reset();
}

TEST_F(Screens, TheFocusLandsOnceAHundredMillisecondsAfterTheLastChange) {
    Start();
    SetFocus(Control(IDC_TWEAK));
    for (const char* category : {"Internet", "Sound", "System"}) {
        Pick(IDC_CATEGORY, category);
        Advance(60);
        EXPECT_EQ(GetFocus(), Control(IDC_TWEAK)) << category;
    }
    Advance(40);
    EXPECT_EQ(GetFocus(), Control(IDC_CATEGORY));
    Pick(IDC_TWEAK, "Speed-Boost");
    Advance(99);
    EXPECT_EQ(GetFocus(), Control(IDC_CATEGORY));
    Advance(1);
    EXPECT_EQ(GetFocus(), Control(IDC_TWEAK));
}

TEST_F(Screens, UpInTheDescriptionsFirstLineLeavesTheBox) {
    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    Advance(100);
    const HWND description = Control(IDC_DESCRIPTION);
    const LRESULT firstLine = SendMessageW(description, EM_LINELENGTH, 0, 0);
    ASSERT_GT(SendMessageW(description, EM_GETLINECOUNT, 0, 0), 1);
    const auto caretAfterUp = [&](LRESULT caret) {
        SetFocus(description);
        SendMessageW(description, EM_SETSEL, caret, caret);
        ce::screen::PressKey(VK_UP);
        ce::screen::PumpMessages();
        DWORD end = 0;
        SendMessageW(description, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
        return std::make_pair(GetFocus(), static_cast<LRESULT>(end));
    };
    EXPECT_EQ(caretAfterUp(0), std::make_pair(Control(IDC_SHORTCUT), LRESULT{0}));
    EXPECT_EQ(caretAfterUp(firstLine - 1).first, Control(IDC_SHORTCUT));
    // At the very end of the first line, and below it, the box takes the key itself.
    EXPECT_EQ(caretAfterUp(firstLine).first, description);
    const auto below = caretAfterUp(firstLine + 3);
    EXPECT_EQ(below.first, description);
    EXPECT_LT(below.second, firstLine);
}

TEST_F(Screens, ControlsKeepTheirPlacesWhenTheFrameIsResized) {
    Start();
    std::vector<std::array<LONG, 4>> before;
    for (int id : {IDC_CATEGORY, IDC_TWEAK, IDC_ENABLE, IDC_SHORTCUT, IDC_DESCRIPTION}) {
        before.push_back(Corners(WindowRect(Control(id))));
    }
    ce::screen::Resize(60, 40);
    ce::screen::PumpMessages();
    EXPECT_EQ(Corners(WindowRect(View())), Corners(WindowRect(frame_->m_hWnd)));
    std::vector<std::array<LONG, 4>> after;
    for (int id : {IDC_CATEGORY, IDC_TWEAK, IDC_ENABLE, IDC_SHORTCUT, IDC_DESCRIPTION}) {
        after.push_back(Corners(WindowRect(Control(id))));
    }
    EXPECT_EQ(after, before);
}

TEST_F(Screens, AboutShowsItsLinesAndClosesWithItsOK) {
    Start();
    std::vector<std::string> shown;
    ce::screen::SetStarvedHook([&] {
        // The About box waits for its key: read it, then press OK.
        for (int row = 0; row < ce::screen::Rows(); ++row)
            shown.push_back(ce::screen::RowUtf8(row));
        SendMessageW(GetActiveWindow(), WM_COMMAND, IDOK, 0);
        return true;
    });
    Command(ID_APP_ABOUT);
    ce::screen::SetStarvedHook(nullptr);
    EXPECT_THAT(shown, Contains(HasSubstr("Quenvale 2008")));
    EXPECT_THAT(shown, Contains(HasSubstr("- version v2.0 -")));
    EXPECT_EQ(GetActiveWindow(), frame_->m_hWnd);
}

// The splash screen on its own, looked at 500 ms into its second.
class Splash : public Screens {
protected:
    explicit Splash(int columns = 44, int rows = 27) : Screens({}, columns, rows) {}

    struct Seen {
        RECT dialog{};
        RECT bitmap{};
        ce::screen::ShellState shell;
    };

    INT_PTR Run(std::optional<UINT> key) {
        static Seen* seen = nullptr;
        seen = &seen_;
        const UINT_PTR look = SetTimer(nullptr, 0, 500, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            const HWND splash = GetActiveWindow();
            GetWindowRect(splash, &seen->dialog);
            GetWindowRect(GetDlgItem(splash, IDC_SPLASH_BITMAP), &seen->bitmap);
            seen->shell = ce::screen::Shell();
        });
        if (key) ce::screen::PressKey(*key);
        const INT_PTR result = CSplashDlg().DoModal(nullptr);
        KillTimer(nullptr, look);
        return result;
    }

    Seen seen_;
};

TEST_F(Splash, FillsTheScreenForASecondWithTheBitmapInTheMiddleAndTheBarsHidden) {
    EXPECT_EQ(Run(std::nullopt), IDCANCEL);
    EXPECT_EQ(clock_.NowMs(), 1000u);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(Corners(seen_.dialog), (std::array<LONG, 4>{0, 0, width, height}));
    EXPECT_FALSE(seen_.shell.taskBar);
    EXPECT_FALSE(seen_.shell.sipButton);
    EXPECT_FALSE(seen_.shell.startIcon);
    const LONG bitmapWidth = seen_.bitmap.right - seen_.bitmap.left;
    const LONG bitmapHeight = seen_.bitmap.bottom - seen_.bitmap.top;
    EXPECT_EQ(bitmapWidth, 172);
    EXPECT_EQ(bitmapHeight, 74);
    EXPECT_NEAR(seen_.bitmap.left, (width - bitmapWidth) / 2, 4);
    EXPECT_NEAR(seen_.bitmap.top, (height - bitmapHeight) / 2, 8);
    const ce::screen::ShellState after = ce::screen::Shell();
    EXPECT_TRUE(after.taskBar && after.sipButton && after.startIcon);
}

TEST_F(Splash, EscapeClosesItAtOnceAndBringsTheBarsBack) {
    EXPECT_EQ(Run(VK_ESCAPE), IDCANCEL);
    EXPECT_EQ(clock_.NowMs(), 0u);
    const ce::screen::ShellState after = ce::screen::Shell();
    EXPECT_TRUE(after.taskBar && after.sipButton && after.startIcon);
}

class PocketPCSplash : public Splash {
protected:
    PocketPCSplash() : Splash(60, 40) {}
};

TEST_F(PocketPCSplash, CentresTheBitmapOnALargerScreen) {
    Run(std::nullopt);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(width, 240);
    EXPECT_NEAR(seen_.bitmap.left, (width - 172) / 2, 4);
    EXPECT_NEAR(seen_.bitmap.top, (height - 74) / 2, 8);
}

}  // namespace
