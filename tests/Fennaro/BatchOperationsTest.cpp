// The apply and restore passes over view items: which tweak operations run in which order, the
// boxes they show, the settings change after every apply, and the restart question.
#include "BatchOperations.h"
#include "FennaroTestSupport.h"
#include "ToggleShortcuts.h"

namespace {

using namespace testing;
using test::CFakeTweak;
using test::TweakCalls;

const char kSettingsChange[] = "settings change (WM_SETTINGCHANGE)";
const char kRestart[] = "restart (ExitWindowsEx EWX_REBOOT)";

class BatchOperations : public test::AppTest {
protected:
    // A fake tweak wrapped in its item; items are built after the tweak's state is set.
    CFakeTweak& AddTweak(const std::string& name, bool enabled = false) {
        tweaks_.push_back(std::make_unique<CFakeTweak>(name));
        tweaks_.back()->enabled = enabled;
        return *tweaks_.back();
    }
    const CTweakViewItemList& Items() {
        for (size_t i = items_.size(); i < tweaks_.size(); ++i) {
            items_.push_back(std::make_unique<CTweakViewItem>(tweaks_[i].get()));
            list_.push_back(items_.back().get());
        }
        TweakCalls().clear();
        return list_;
    }
    CTweakViewItem& Item(size_t index) { return *items_.at(index); }
    std::vector<std::string> EventsSince(int64_t seq) { return device_.Events(seq); }

    // The window that owns the boxes (the view, in the application).
    const HWND owner_ = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = u"BatchOwner";
        RegisterClassW(&wc);
        return CreateWindowExW(0, u"BatchOwner", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    }();
    std::vector<std::unique_ptr<CFakeTweak>> tweaks_;
    std::vector<std::unique_ptr<CTweakViewItem>> items_;
    CTweakViewItemList list_;
};

// Only what changed runs, in the catalogue's order; every pass ends with the settings change to
// the desktop, which the device journals.
TEST_F(BatchOperations, ChangesRunInCatalogueOrderAndTheRestartFlagFollowsTheLastSuccess) {
    CFakeTweak& a = AddTweak("A");
    CFakeTweak& b = AddTweak("B", true);
    AddTweak("C");
    a.needsRestart = true;
    const auto& items = Items();
    Item(0).SetPendingEnable(true);
    Item(1).SetPendingEnable(false);
    Item(2).SetPendingEnable(true);
    Item(2).SetPendingEnable(false);  // ticked and cleared again: the state the device has
    test::MessageBoxes boxes(device_);
    std::vector<std::array<LONG_PTR, 3>> sent;  // window, wParam, lParam
    hooks::beforeSendMessage = [&sent](HWND hwnd, UINT message, ULONG_PTR wParam, LONG_PTR lParam) {
        if (message == WM_SETTINGCHANGE)
            sent.push_back(
                {reinterpret_cast<LONG_PTR>(hwnd), static_cast<LONG_PTR>(wParam), lParam});
    };
    const int64_t seq = device_.LastEventSeq();

    EXPECT_TRUE(ApplyAllItems(owner_, items));

    EXPECT_THAT(TweakCalls(),
                ElementsAre("A.IsEnabled", "A.Enable", "A.NeedsRestart", "B.IsEnabled", "B.Disable",
                            "B.NeedsRestart", "C.IsEnabled"));
    EXPECT_TRUE(a.enabled);
    EXPECT_FALSE(b.enabled);
    EXPECT_TRUE(Item(0).GetNeedsRestart());
    EXPECT_FALSE(Item(1).GetNeedsRestart());
    const std::array<LONG_PTR, 3> desktop = {reinterpret_cast<LONG_PTR>(GetDesktopWindow()), 0xF2,
                                             0};
    EXPECT_THAT(sent, ElementsAre(desktop));
    EXPECT_THAT(EventsSince(seq), ElementsAre(kSettingsChange));
    // A's wish is asked about (answered No by default: no restart) in this pass and in every
    // later one, although nothing changes any more.
    ASSERT_THAT(boxes.shown, SizeIs(1));
    TweakCalls().clear();
    EXPECT_TRUE(ApplyAllItems(owner_, items));
    hooks::Clear();
    EXPECT_THAT(TweakCalls(), ElementsAre("A.IsEnabled", "B.IsEnabled", "C.IsEnabled"));
    EXPECT_THAT(sent, SizeIs(2));
    EXPECT_THAT(boxes.shown, SizeIs(2));
    // Once a change of A fails, its flag no longer counts: the error box, no question.
    a.disableResult = kTweakRegistryWriteFailed;
    Item(0).SetPendingEnable(false);
    EXPECT_FALSE(ApplyAllItems(owner_, items));
    ASSERT_THAT(boxes.shown, SizeIs(3));
    EXPECT_EQ(boxes.shown[2].caption, "Error");
}

TEST_F(BatchOperations, FailuresAreReportedOneByOneBeforeTheSettingsChangeAndNeverAskForARestart) {
    for (const char* name : {"First", "Fine", "Second", "Third"}) {
        CFakeTweak& tweak = AddTweak(name);
        tweak.needsRestart = true;
        if (std::string(name) != "Fine") tweak.enableResult = kTweakRegistryWriteFailed;
    }
    tweaks_[2]->enableResult = kTweakDeviceToggleFailed;
    const auto& items = Items();
    for (size_t i = 0; i < tweaks_.size(); ++i) Item(i).SetPendingEnable(true);
    Item(1).SetPendingEnable(false);  // "Fine" is left as it is
    test::MessageBoxes boxes(device_);
    const size_t eventsBefore = device_.Events().size();

    EXPECT_FALSE(ApplyAllItems(owner_, items));

    ASSERT_THAT(boxes.shown, SizeIs(3));
    EXPECT_EQ(boxes.shown[0].text, "Error 2002 while applying tweak First.");
    EXPECT_EQ(boxes.shown[1].text, "Error 1000 while applying tweak Second.");
    EXPECT_EQ(boxes.shown[2].text, "Error 2002 while applying tweak Third.");
    for (const test::ShownBox& box : boxes.shown) {
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
        EXPECT_EQ(box.owner, owner_);
        EXPECT_EQ(box.eventsBefore, eventsBefore);  // before the settings change
    }
    const std::vector<std::string> events = device_.Events();
    ASSERT_GT(events.size(), eventsBefore);
    EXPECT_EQ(events.back(), kSettingsChange);
    // The failing items keep what the user wanted, and no restart flag.
    EXPECT_TRUE(Item(0).GetPendingEnable());
    EXPECT_FALSE(Item(0).GetNeedsRestart());
    EXPECT_THAT(TweakCalls(), Not(Contains("First.NeedsRestart")));
}

// A tweak whose first backup failed (here its saved value cannot be written) is not changed: its
// error box takes the place of the change and the pass goes on. Once the backup can be taken, the
// next pass takes it and changes the tweak, and the backup holds the state from before.
TEST_F(BatchOperations, ATweakWithoutItsFirstBackupIsNotChangedAndTheOthersAre) {
    const auto limit = [] {
        return probe::Query(HKEY_LOCAL_MACHINE, u"System\\GDI\\GLYPHCACHE", u"limit");
    };
    CTweakersFactory factory;
    hooks::beforeSetValue = hooks::FailWritesOf(u"SpeedBoostLimit");
    EXPECT_FALSE(factory.DoBackupIfNeeded());  // as the view's construction does
    CTweakViewItem boost(TweakByClass(factory, "CSpeedBoostTweak"));
    CTweakViewItem labels(TweakByClass(factory, "CHideLabels"));
    const CTweakViewItemList items = {&boost, &labels};
    boost.SetPendingEnable(true);
    labels.SetPendingEnable(true);
    test::MessageBoxes boxes(device_);

    EXPECT_FALSE(ApplyAllItems(owner_, items));
    ASSERT_THAT(boxes.shown, SizeIs(2));
    EXPECT_EQ(boxes.shown[0].caption, "Error");
    EXPECT_EQ(boxes.shown[0].text, "Error 2002 while applying tweak Speed-Boost.");
    EXPECT_EQ(boxes.shown[1].caption, "Restart");  // for the labels, which were changed
    EXPECT_EQ(limit(), probe::DwordValue(16384));
    EXPECT_EQ(
        probe::Query(HKEY_CURRENT_USER, u"Software\\Microsoft\\Shell\\StartMenu", u"hide_labels"),
        probe::DwordValue(1));

    hooks::Clear();
    EXPECT_TRUE(ApplyAllItems(owner_, items));
    EXPECT_EQ(limit(), probe::DwordValue(32768));
    EXPECT_EQ(
        probe::Query(
            HKEY_LOCAL_MACHINE,
            probe::BackupPath(TweakByClass(factory, "CSpeedBoostTweak")->GetID().View()).c_str(),
            u"SpeedBoostLimit"),
        probe::DwordValue(16384));
}

TEST_F(BatchOperations, TheRestartQuestionComesAfterTheSettingsChangeAndYesRestartsTheDevice) {
    AddTweak("Slow").needsRestart = true;
    AddTweak("Quick");
    const auto& items = Items();
    Item(0).SetPendingEnable(true);
    Item(1).SetPendingEnable(true);
    test::MessageBoxes boxes(device_);
    boxes.answers = {IDYES};
    const int64_t seq = device_.LastEventSeq();

    EXPECT_TRUE(ApplyAllItems(owner_, items));

    ASSERT_THAT(boxes.shown, SizeIs(1));
    EXPECT_EQ(boxes.shown[0].caption, "Restart");
    EXPECT_EQ(boxes.shown[0].text,
              "At least one Tweak you have selected needs system restart for changes to take "
              "effect, simply power on/off your phone to apply the settings.\nRestart Now?");
    EXPECT_EQ(boxes.shown[0].type, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(boxes.shown[0].owner, owner_);
    EXPECT_THAT(EventsSince(seq), ElementsAre(kSettingsChange, kRestart));
}

TEST_F(BatchOperations, TheShortcutStepFollowsTheFileEvenAfterAFailedChange) {
    CFakeTweak& broken = AddTweak("Broken");
    broken.enableResult = kTweakRegistryWriteFailed;
    CFakeTweak& kept = AddTweak("Kept");
    const auto& items = Items();
    EXPECT_FALSE(Item(0).GetPendingShortcut());
    Item(0).SetPendingEnable(true);
    Item(0).SetPendingShortcut(true);
    Item(1).SetPendingShortcut(true);
    test::MessageBoxes boxes(device_);

    EXPECT_FALSE(ApplyAllItems(owner_, items));
    EXPECT_TRUE(ToggleShortcutExists(&broken));
    EXPECT_TRUE(ToggleShortcutExists(&kept));

    // The file's presence now counts, not the presence when the item was made: a shortcut that
    // went meanwhile is made again, and one no longer wanted is removed.
    RemoveToggleShortcut(&kept);
    Item(0).SetPendingShortcut(false);
    EXPECT_FALSE(ApplyAllItems(owner_, items));
    EXPECT_FALSE(ToggleShortcutExists(&broken));
    EXPECT_TRUE(ToggleShortcutExists(&kept));
    // An item made now sees the file.
    EXPECT_TRUE(CTweakViewItem(&kept).GetPendingShortcut());
}

// Restore asks first; on Yes it restores every tweak in order and reads its state again.
TEST_F(BatchOperations, RestoreAsksThenRestoresEveryTweakAndRereadsItsState) {
    CFakeTweak& a = AddTweak("A", true);
    CFakeTweak& b = AddTweak("B", true);
    b.restoreResult = kTweakRegistryWriteFailed;
    b.restoredState = false;
    a.restoredState = false;
    a.needsRestart = true;
    AddTweak("C");
    const auto& items = Items();
    Item(2).SetPendingEnable(true);  // ticked, not applied: the tick is lost
    Item(2).SetPendingShortcut(true);
    test::MessageBoxes boxes(device_);
    const int64_t seq = device_.LastEventSeq();

    RestoreAllItems(owner_, items);  // answered No: nothing is restored
    ASSERT_THAT(boxes.shown, SizeIs(1));
    EXPECT_EQ(boxes.shown[0].caption, "Confirmation");
    EXPECT_EQ(boxes.shown[0].text,
              "Are you sure you want to restore all tweaks to the state before software "
              "installation?");
    EXPECT_EQ(boxes.shown[0].type, static_cast<UINT>(MB_YESNO));
    EXPECT_THAT(TweakCalls(), IsEmpty());

    boxes.answers = {IDYES};
    RestoreAllItems(owner_, items);

    EXPECT_THAT(TweakCalls(), ElementsAre("A.Restore", "A.IsEnabled", "B.Restore", "B.IsEnabled",
                                          "C.Restore", "C.IsEnabled"));
    ASSERT_THAT(boxes.shown, SizeIs(3));
    EXPECT_EQ(boxes.shown[2].caption, "Error");
    EXPECT_EQ(boxes.shown[2].text, "Error 2002 while restoring tweak B.");
    EXPECT_FALSE(Item(0).GetPendingEnable());
    EXPECT_TRUE(Item(1).GetPendingEnable());  // B's restore failed: still enabled
    EXPECT_FALSE(Item(2).GetPendingEnable());
    EXPECT_TRUE(Item(2).GetPendingShortcut());
    // No settings change, no restart question, no shortcut made.
    EXPECT_THAT(EventsSince(seq), IsEmpty());
    EXPECT_FALSE(ToggleShortcutExists(tweaks_[2].get()));
}

}  // namespace
