// The application's screens on the headless screen with its manual clock: what the view's
// construction writes, the frame with its soft keys and menu, the tweak view's pickers, boxes,
// focus timer and Up key.
#include <strings.h>

#include <map>

#include "FennaroTestSupport.h"

namespace {

using namespace testing;
using namespace test;

const WCHAR kGlyphCache[] = u"\\system\\gdi\\glyphcache";

// Before any window: the install role, then every tweak's first backup.
TEST_F(Screens, TheViewsConstructionWritesTheInstallRoleThenTakesTheFirstBackups) {
    const int64_t seq = probe::LastChangeSeq();
    const CMainFrame frame;
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, u"\\Security\\AppInstall\\Quenvale", u"Role"),
              probe::DwordValue(24));
    std::vector<std::u16string> written;
    for (const ce::Change& change : device_.Device().Changes(seq)) {
        if (change.kind == ce::Change::kSetValue) written.push_back(change.valueName);
    }
    ASSERT_THAT(written, Contains(u"BackupDone"));
    EXPECT_EQ(written.front(), u"Role");
    const CTweakersFactory factory;
    const std::u16string_view boost = TweakByClass(factory, "CSpeedBoostTweak")->GetID().View();
    EXPECT_EQ(
        probe::Query(HKEY_LOCAL_MACHINE, probe::BackupPath(boost).c_str(), u"SpeedBoostLimit"),
        probe::DwordValue(16384));
}

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
    // Bluetooth Audio has no enable option; it takes a toggle shortcut.
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_ENABLE)));
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_SHORTCUT)));
    // The focus timer fired while the splash screen was up.
    EXPECT_EQ(GetFocus(), Control(IDC_CATEGORY));
    // The frame ends at the soft-key bar; the view fills it; the pickers and the description
    // reach 3 pixels short of the screen's right edge.
    EXPECT_EQ(WindowRect(frame_->m_hWnd).bottom, WindowRect(frame_->MenuBar()).top);
    EXPECT_EQ(Corners(WindowRect(View())), Corners(WindowRect(frame_->m_hWnd)));
    for (int id : {IDC_CATEGORY, IDC_TWEAK, IDC_DESCRIPTION}) {
        EXPECT_EQ(WindowRect(Control(id)).right, GetSystemMetrics(SM_CXSCREEN) - 3) << id;
    }
}

// Each category shows the catalogue's tweaks of its number, sorted without regard to case.
TEST_F(Screens, EachCategoryShowsItsOwnTweaks) {
    const std::map<std::string, int> numbers = {
        {"Internet", 1}, {"System", 2}, {"Telephony", 3}, {"Sound", 4}, {"Essential Utilities", 5}};
    Start();
    const CTweakersFactory factory;
    for (const auto& [category, number] : numbers) {
        std::vector<std::string> names;
        for (CTweakBase* tweak : factory.GetAllTweaks()) {
            if (tweak->GetCategory() == number)
                names.push_back(ce::ToUtf8(tweak->GetName().View()));
        }
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return strcasecmp(a.c_str(), b.c_str()) < 0;
        });
        Pick(IDC_CATEGORY, category);
        EXPECT_EQ(Entries(Control(IDC_TWEAK)), names) << category;
        EXPECT_EQ(Selected(Control(IDC_TWEAK)), names.front()) << category;
    }
}

// Both lists open seven rows high: all five categories; seven of the many System tweaks.
TEST_F(Screens, ThePickersOpenSevenRowsHigh) {
    Start();
    Pick(IDC_CATEGORY, "System");
    Advance(100);
    const auto shown = [](const std::vector<std::string>& entries) {
        const std::vector<std::string> rows = ScreenRows();
        std::vector<bool> on;
        for (const std::string& entry : entries) on.push_back(RowWith(rows, entry) >= 0);
        return on;
    };
    ce::screen::PressKey(VK_RETURN);
    ce::screen::PumpMessages();
    EXPECT_THAT(shown(Entries(Control(IDC_CATEGORY))), Each(true));
    ce::screen::PressKey(VK_ESCAPE);
    SetFocus(Control(IDC_TWEAK));
    ce::screen::PressKey(VK_RETURN);
    ce::screen::PumpMessages();
    const std::vector<std::string> tweaks = Entries(Control(IDC_TWEAK));
    ASSERT_GT(tweaks.size(), 8u);
    EXPECT_THAT(shown({tweaks.begin(), tweaks.begin() + 8}),
                ElementsAre(true, true, true, true, true, true, true, false));
}

TEST_F(Screens, AnUnsupportedTweakOffersNothingWhateverItsPendingFlags) {
    Start();
    Pick(IDC_CATEGORY, "Internet");
    Pick(IDC_TWEAK, "Enable 4-way navigation");
    CTweakViewItem* item = SelectedItem();
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
    // A click with no tweak selected changes nothing.
    SendMessageW(Control(IDC_TWEAK), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageW(View(), WM_COMMAND, MAKEWPARAM(IDC_ENABLE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(IDC_ENABLE)));
    EXPECT_TRUE(item->GetPendingEnable());

    // A supported tweak without toggle shortcuts offers Enable only.
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Alarm direct link");
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_ENABLE)));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_SHORTCUT)));
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_DESCRIPTION)));
}

TEST_F(Screens, TicksArePendingUntilDoneAndKeptAcrossCategoriesAndTweaks) {
    Start();
    // As a person does it: Down on the closed category picker, a tap on the Enable box.
    for (int i = 0; i < 3; ++i) ce::screen::PressKey(VK_DOWN);
    ce::screen::PumpMessages();
    ASSERT_EQ(Selected(Control(IDC_CATEGORY)), "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    const RECT enable = WindowRect(Control(IDC_ENABLE));
    ce::screen::Tap(enable.left / 4, enable.top / 8);
    ce::screen::PumpMessages();
    Click(IDC_SHORTCUT);
    Pick(IDC_CATEGORY, "Sound");
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));
    Pick(IDC_CATEGORY, "System");
    EXPECT_NE(Selected(Control(IDC_TWEAK)), "Speed-Boost");
    Pick(IDC_TWEAK, "Speed-Boost");
    EXPECT_TRUE(Checked(Control(IDC_ENABLE)));
    EXPECT_TRUE(Checked(Control(IDC_SHORTCUT)));
    // Nothing reached the device yet.
    const std::filesystem::path shortcut =
        device_.Folder() / "fs/Windows/Start Menu/Speed-Boost.lnk";
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit"), probe::DwordValue(16384));
    EXPECT_FALSE(std::filesystem::exists(shortcut));

    // "Done", the left soft key, applies and closes the application with 1.
    const int64_t seq = device_.LastEventSeq();
    ce::screen::PressKey(VK_F1);
    ce::screen::PumpMessages();
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit"), probe::DwordValue(32768));
    // The count, "#", the installed application quoted, one blank, the ID.
    const CTweakersFactory factory;
    const std::string target =
        "\"\\Program Files\\Quenvale\\Fennaro.exe\" " +
        ce::ToUtf8(TweakByClass(factory, "CSpeedBoostTweak")->GetID().View());
    EXPECT_EQ(test::ReadFileBytes(shortcut), std::to_string(target.size()) + "#" + target);
    EXPECT_THAT(device_.Events(seq), ElementsAre("settings change (WM_SETTINGCHANGE)"));
    EXPECT_FALSE(IsWindow(frame_->m_hWnd));
    EXPECT_EQ(QuitCode(), 1);
}

TEST_F(Screens, AnyOtherCloseAppliesNothing) {
    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    Click(IDC_ENABLE);
    const int64_t seq = device_.LastEventSeq();
    PostMessageW(frame_->m_hWnd, WM_CLOSE, 0, 0);
    ce::screen::PumpMessages();
    EXPECT_EQ(QuitCode(), 1);
    EXPECT_THAT(device_.Events(seq), IsEmpty());
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit"), probe::DwordValue(16384));
}

// The right soft key's menu: "Restore" asks first (here No, which restores nothing) and the tweak
// picker jumps to the category's first tweak; "Help" opens "About", every line whole, closed with
// its OK key.
TEST_F(Screens, TheMenuRestoresAfterAskingAndShowsTheAboutBoxUnderHelp) {
    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    Click(IDC_ENABLE);
    test::MessageBoxes boxes(device_);
    ce::screen::PressKey(VK_F2);
    ce::screen::PumpMessages();
    const std::vector<std::string> menu = ScreenRows();
    ce::screen::PressKey(VK_RETURN);
    ce::screen::PumpMessages();
    EXPECT_NE(RowWith(menu, "1 Restore"), -1) << PrintToString(menu);
    EXPECT_NE(RowWith(menu, "2 Help"), -1) << PrintToString(menu);
    ASSERT_THAT(boxes.shown, SizeIs(1));
    EXPECT_EQ(boxes.shown[0].caption, "Confirmation");
    EXPECT_EQ(boxes.shown[0].owner, frame_->m_hWnd);  // the view's top-level window
    EXPECT_EQ(Selected(Control(IDC_TWEAK)), Entries(Control(IDC_TWEAK)).front());
    Pick(IDC_TWEAK, "Speed-Boost");
    EXPECT_TRUE(Checked(Control(IDC_ENABLE)));

    // Yes: the unapplied tick is lost, the device's state shows.
    boxes.answers = {IDYES};
    ce::screen::PressKey(VK_F2);
    ce::screen::PressKey(VK_RETURN);
    ce::screen::PumpMessages();
    Pick(IDC_TWEAK, "Speed-Boost");
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));

    // The About box is centred over the frame, wherever the frame is.
    frame_->MoveWindow(0, 8, 176, 104);
    for (UINT key : {VK_F2, VK_DOWN, VK_RETURN}) ce::screen::PressKey(key);
    ce::screen::PumpMessages();
    const std::vector<std::string> help = ScreenRows();
    EXPECT_NE(RowWith(help, "1 About"), -1) << PrintToString(help);
    std::vector<std::string> about;
    RECT box{};
    WhenIdle({[&about, &box] {
        about = ScreenRows();
        GetWindowRect(GetActiveWindow(), &box);
        ce::screen::PressKey(VK_F1);
    }});
    ce::screen::PressKey(VK_RETURN);
    ce::screen::PumpMessages();
    for (const char* line : {"Quenvale 2008", "- version v2.0 -", "Free to use and share",
                             "The Quenvale team", "quenvale.example"}) {
        EXPECT_NE(RowWith(about, line), -1) << line << PrintToString(about);
    }
    EXPECT_NE(about.front().find("[ok]"), std::string::npos) << about.front();
    EXPECT_EQ(about.back(), " OK") << "the caption's OK on the left soft key, no right one";
    const RECT frame = WindowRect(frame_->m_hWnd);
    EXPECT_NEAR(box.left - frame.left, frame.right - box.right, 1);
    EXPECT_NEAR(box.top - frame.top, frame.bottom - box.bottom, 8);  // a cell's height
    EXPECT_EQ(GetActiveWindow(), frame_->m_hWnd);
    EXPECT_EQ(RowWith(ScreenRows(), "Quenvale 2008"), -1);
    EXPECT_EQ(ce::screen::StarvedCount(), 0);
}

TEST_F(Screens, AConfigurableTweakShowsItsShortcutTickDisabledAndConfigureDecidesTheEnableTick) {
    test::CFakeTweak tweak("0 Configurable");
    tweak.configurable = true;
    frame_ = std::make_unique<CMainFrame>();
    CTweakViewItem& item = frame_->View().AddItem(std::make_unique<CTweakViewItem>(&tweak));
    item.SetPendingShortcut(true);
    frame_->CreateEx();
    ce::screen::PumpMessages();
    Pick(IDC_CATEGORY, "System");
    EXPECT_EQ(Selected(Control(IDC_TWEAK)), "0 Configurable");
    EXPECT_TRUE(Checked(Control(IDC_SHORTCUT)));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_SHORTCUT)));
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_ENABLE)));

    Click(IDC_ENABLE);  // Configure refuses: the tick goes again
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));
    EXPECT_FALSE(item.GetPendingEnable());
    tweak.configureAnswer = true;
    Click(IDC_ENABLE);
    EXPECT_TRUE(Checked(Control(IDC_ENABLE)));
    EXPECT_TRUE(item.GetPendingEnable());
    Click(IDC_ENABLE);  // clearing asks nothing
    EXPECT_FALSE(item.GetPendingEnable());
    EXPECT_EQ(std::count(TweakCalls().begin(), TweakCalls().end(), "0 Configurable.Configure"), 2);
    frame_.reset();
}

// The view's timer 123 puts the focus on the picker last changed, once, 100 ms after the last
// change.
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
    Pick(IDC_CATEGORY, "Sound");
    EXPECT_TRUE(KillTimer(View(), 123));
    Advance(100);
    EXPECT_EQ(GetFocus(), Control(IDC_TWEAK));
}

// Up with the caret before the end of the description's first line goes to the shortcut box and
// reaches the description as a key that moves nothing.
TEST_F(Screens, UpInTheDescriptionsFirstLineLeavesTheBox) {
    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    Advance(100);
    const HWND description = Control(IDC_DESCRIPTION);
    const LRESULT firstLine = SendMessageW(description, EM_LINELENGTH, 0, 0);
    ASSERT_GT(SendMessageW(description, EM_GETLINECOUNT, 0, 0), 1);
    const auto afterUp = [&](LRESULT caret) {
        SetFocus(description);
        SendMessageW(description, EM_SETSEL, caret, caret);
        ce::screen::PressKey(VK_UP);
        ce::screen::PumpMessages();
        DWORD end = 0;
        SendMessageW(description, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
        return std::make_pair(GetFocus(), static_cast<LRESULT>(end));
    };
    EXPECT_EQ(afterUp(firstLine - 1), std::make_pair(Control(IDC_SHORTCUT), firstLine - 1));
    // At the very end of the first line, and below it, the box takes the key itself.
    EXPECT_EQ(afterUp(firstLine).first, description);
    const auto below = afterUp(firstLine + 3);
    EXPECT_EQ(below.first, description);
    EXPECT_LT(below.second, firstLine);
}

}  // namespace
