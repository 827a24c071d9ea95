// The command-line toggle: each outcome with its exact text, the first backup that a toggle takes,
// the self-closing Info window, and the program started with a command line or without one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "FennaroTestSupport.h"
#include "InfoDlg.h"
#include "Startup.h"
#include "support/PlatformHooks.h"
#include "support/RegistryProbe.h"
#include "support/Shell.h"

namespace {

using namespace testing;

const WCHAR kSpeedBoost[] = u"CSpeedBoostTweak_BE008CAD-DA8C-427a-87B3-2EB885AC01A8";
const WCHAR kGlyphCache[] = u"\\system\\gdi\\glyphcache";
constexpr DWORD kSeedLimit = 16384;
constexpr DWORD kBoostedLimit = 32768;

struct Outcome {
    EToggleOutcome outcome;
    int code;
    std::string name;
    std::string message;
};

Outcome Toggle(const CWideString& id) {
    Outcome result{};
    CWideString name(u"junk");
    result.code = -7;
    result.outcome = ToggleTweakByID(id, &result.code, &name);
    result.name = ce::ToUtf8(name.View());
    result.message = ce::ToUtf8(ToggleMessage(result.outcome, result.code, name).View());
    return result;
}

std::optional<probe::Value> Limit() {
    return probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit");
}

class ToggleTest : public test::AppTest {
protected:
    void TearDown() override { hooks::Clear(); }

    // Registry values written or deleted since `seq`.
    size_t ValueChangesSince(int64_t seq) {
        size_t count = 0;
        for (const ce::Change& c : device_.Device().Changes(seq)) {
            count += c.kind == ce::Change::kSetValue || c.kind == ce::Change::kDeleteValue;
        }
        return count;
    }
    int64_t LastChange() {
        const auto changes = device_.Device().Changes();
        return changes.empty() ? 0 : changes.back().seq;
    }
};

TEST_F(ToggleTest, AnOffTweakIsEnabledThenDisabled) {
    const Outcome first = Toggle(kSpeedBoost);
    EXPECT_EQ(first.outcome, kToggleEnabled);
    EXPECT_EQ(first.code, 0);
    EXPECT_EQ(first.name, "Speed-Boost");
    EXPECT_EQ(first.message, "Tweak Speed-Boost enabled");
    EXPECT_EQ(Limit(), probe::DwordValue(kBoostedLimit));

    const Outcome second = Toggle(kSpeedBoost);
    EXPECT_EQ(second.outcome, kToggleDisabled);
    EXPECT_EQ(second.code, 0);
    EXPECT_EQ(second.message, "Tweak Speed-Boost disabled");
    EXPECT_EQ(Limit(), probe::DwordValue(kSeedLimit));
}

TEST_F(ToggleTest, OnlyTheWholeExactIDNamesATweak) {
    const std::u16string id(kSpeedBoost);
    std::u16string lower = id;
    for (char16_t& c : lower) c = static_cast<char16_t>(std::tolower(c));
    for (const std::u16string& text :
         {std::u16string(u"   "), std::u16string(u"nothing"), id + u" ", u" " + id, id + u" now",
          u"\"" + id + u"\"", lower, id.substr(0, id.size() - 1)}) {
        const int64_t seq = LastChange();
        const Outcome outcome = Toggle(CWideString(std::u16string_view(text)));
        EXPECT_EQ(outcome.outcome, kToggleInvalidID) << ce::ToUtf8(text);
        EXPECT_EQ(outcome.code, 0);
        EXPECT_EQ(outcome.name, "");
        EXPECT_EQ(outcome.message, "Error. Invalid tweak ID");
        // Building the catalogue may create keys, but no value is written.
        EXPECT_EQ(ValueChangesSince(seq), 0u) << ce::ToUtf8(text);
    }
    EXPECT_EQ(Limit(), probe::DwordValue(kSeedLimit));
}

TEST_F(ToggleTest, AFailingEnableOrDisableIsReportedWithItsCode) {
    hooks::beforeSetValue = hooks::FailWritesOf(u"limit");
    Outcome outcome = Toggle(kSpeedBoost);
    EXPECT_EQ(outcome.outcome, kToggleEnableFailed);
    EXPECT_EQ(outcome.code, kTweakRegistryWriteFailed);
    EXPECT_EQ(outcome.name, "Speed-Boost");
    EXPECT_EQ(outcome.message, "Tweak not enabled. Error code:2002");
    EXPECT_EQ(Limit(), probe::DwordValue(kSeedLimit));

    hooks::Clear();
    ASSERT_EQ(Toggle(kSpeedBoost).outcome, kToggleEnabled);
    hooks::beforeSetValue = hooks::FailWritesOf(u"limit");
    outcome = Toggle(kSpeedBoost);
    EXPECT_EQ(outcome.outcome, kToggleDisableFailed);
    EXPECT_EQ(outcome.code, kTweakRegistryWriteFailed);
    EXPECT_EQ(outcome.message, "Tweak not disabled. Error code:2002");
    EXPECT_EQ(Limit(), probe::DwordValue(kBoostedLimit));
}

// A tweak whose first backup cannot be taken (its saved value, or the mark that the backup is
// done, cannot be written) is not changed: its original state would be lost. The outcome is the
// failed enable or disable with the backup's code.
TEST_F(ToggleTest, ATweakWhoseFirstBackupFailsIsLeftAsItIs) {
    for (const char16_t* failing : {u"SpeedBoostLimit", u"BackupDone"}) {
        hooks::beforeSetValue = hooks::FailWritesOf(failing);
        Outcome outcome = Toggle(kSpeedBoost);
        EXPECT_EQ(outcome.outcome, kToggleEnableFailed);
        EXPECT_EQ(outcome.code, kTweakRegistryWriteFailed);
        EXPECT_EQ(outcome.message, "Tweak not enabled. Error code:2002");
        EXPECT_EQ(Limit(), probe::DwordValue(kSeedLimit));

        hooks::Clear();
        probe::Set(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit", probe::DwordValue(kBoostedLimit));
        hooks::beforeSetValue = hooks::FailWritesOf(failing);
        outcome = Toggle(kSpeedBoost);
        EXPECT_EQ(outcome.outcome, kToggleDisableFailed);
        EXPECT_EQ(outcome.message, "Tweak not disabled. Error code:2002");
        EXPECT_EQ(Limit(), probe::DwordValue(kBoostedLimit));
        hooks::Clear();
        probe::Set(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit", probe::DwordValue(kSeedLimit));
    }
}

// The Info window, run modally on the headless screen with its manual clock; what it showed.
class InfoWindow : public test::AppTest {
protected:
    void SetUp() override {
        ce::screen::SetOutputSink([this](const std::string& line) { lines_.push_back(line); });
    }
    void TearDown() override { ce::screen::SetOutputSink(nullptr); }

    INT_PTR Show(int timeoutMs) { return CInfoDlg(u"Tweak X enabled", timeoutMs).DoModal(nullptr); }

    ce::screen::ManualClock& clock_ = ce::screen::UseHeadlessScreen(44, 27);
    std::vector<std::string> lines_;
};

// The command line's toggle shows its outcome for two seconds, in the middle of the work area.
TEST_F(InfoWindow, TheCommandLinesToggleShowsItsOutcomeForTwoSeconds) {
    static RECT shown;
    const UINT_PTR look = SetTimer(nullptr, 0, 1000, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        GetWindowRect(GetActiveWindow(), &shown);
    });
    RunCommandLineToggle(kSpeedBoost);
    KillTimer(nullptr, look);
    EXPECT_EQ(clock_.NowMs(), 2000u);
    EXPECT_THAT(lines_, ElementsAre("Info: Tweak Speed-Boost enabled"));
    EXPECT_EQ(Limit(), probe::DwordValue(kBoostedLimit));
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(shown.left - work.left, work.right - shown.right);
    EXPECT_NEAR(shown.top - work.top, work.bottom - shown.bottom, 8);  // a cell's height
}

TEST_F(InfoWindow, ClosesAtOnceOnAnyKey) {
    for (UINT key : {UINT('A'), UINT(VK_RETURN), UINT(VK_ESCAPE), UINT(VK_DOWN), UINT(VK_F1)}) {
        clock_.Set(0);
        ce::screen::PressKey(key);
        EXPECT_EQ(Show(2000), 0) << key;
        EXPECT_EQ(clock_.NowMs(), 0u) << key;
    }
    EXPECT_EQ(lines_.size(), 5u);
}

// The program itself, started as a toggle shortcut or the Start menu would start it.
class Program : public test::AppTest {
protected:
    // Runs Fennaro with `args` (shell words) on the test's device, standard input not a terminal.
    test::Result Start(const std::string& args) {
        ce::CloseDevice();
        const test::Result run = test::Run("CE_DEVICE=" + test::Quote(device_.Folder()) + " " +
                                           test::Quote(FENNARO_PATH) + " " + args);
        ce::UseDevice(device_.Folder());
        return run;
    }
};

TEST_F(Program, ACommandLineTogglesWithoutATerminalAndEndsAtOnce) {
    const std::string id = ce::ToUtf8(kSpeedBoost);
    test::Result run = Start("'" + id + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Info: Tweak Speed-Boost enabled\n");
    EXPECT_EQ(Limit(), probe::DwordValue(kBoostedLimit));

    // The arguments are joined by single blanks into one command line, used whole.
    run = Start("'" + id + "' again");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Info: Error. Invalid tweak ID\n");
    EXPECT_EQ(Limit(), probe::DwordValue(kBoostedLimit));
}

// Two toggles of a tweak never backed up, started at once (a toggle shortcut tapped twice): only
// one takes the first backup, so it always holds the value from before either started.
TEST_F(Program, TwoFirstTogglesAtOnceBackUpTheOriginalValue) {
    const std::u16string backup = probe::BackupPath(kSpeedBoost);
    const std::u16string settings =
        u"Software\\Quenvale\\TweaksSettings\\" + std::u16string(kSpeedBoost);
    const std::string toggle = "CE_DEVICE=" + test::Quote(device_.Folder()) + " " +
                               test::Quote(FENNARO_PATH) + " '" + ce::ToUtf8(kSpeedBoost) +
                               "' >/dev/null";
    for (int round = 0; round < 20; ++round) {
        probe::Apply(ce::RegFileOp::kDeleteKey, HKEY_LOCAL_MACHINE, backup);
        probe::Apply(ce::RegFileOp::kDeleteKey, HKEY_LOCAL_MACHINE, settings);
        probe::Set(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit", probe::DwordValue(kSeedLimit));
        ce::CloseDevice();
        const int status =
            test::Run(toggle + " & a=$!; " + toggle + " & b=$!; wait $a && wait $b").status;
        ce::UseDevice(device_.Folder());
        ASSERT_EQ(status, 0);
        ASSERT_EQ(probe::Query(HKEY_LOCAL_MACHINE, backup.c_str(), u"SpeedBoostLimit"),
                  probe::DwordValue(kSeedLimit))
            << "round " << round;
        ASSERT_EQ(probe::Query(HKEY_LOCAL_MACHINE, settings.c_str(), u"BackupDone"),
                  probe::DwordValue(1));
    }
}

TEST_F(Program, WithoutATerminalTheUserInterfaceRefusesToStartAndChangesNothing) {
    const size_t changes = device_.Device().Changes().size();
    for (const std::string& args : {std::string(), std::string("''")}) {
        const test::Result run = Start(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_THAT(run.err, HasSubstr("cannot show the tweak manager"));
        EXPECT_THAT(run.err, HasSubstr("not a terminal"));
    }
    EXPECT_EQ(device_.Device().Changes().size(), changes);
    EXPECT_FALSE(probe::KeyExists(HKEY_LOCAL_MACHINE, u"Security\\AppInstall\\Quenvale"));
}

}  // namespace
