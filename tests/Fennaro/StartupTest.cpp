// The command-line toggle: each outcome with its exact text, the first backup that a toggle takes,
// the self-closing Info window, and the program started with a command line.
#include "FennaroTestSupport.h"
#include "InfoDlg.h"
#include "support/Shell.h"

namespace {

using namespace testing;

const WCHAR kGlyphCache[] = u"\\system\\gdi\\glyphcache";
constexpr DWORD kSeedLimit = 16384;
constexpr DWORD kBoostedLimit = 32768;

struct Outcome {
    EToggleOutcome outcome;
    int code;
    std::string name;
    std::string message;
};

Outcome Toggle(const std::u16string& id) {
    Outcome result{};
    CWideString name(u"junk");
    result.code = -7;
    result.outcome = ToggleTweakByID(CWideString(std::u16string_view(id)), &result.code, &name);
    result.name = ce::ToUtf8(name.View());
    result.message = ce::ToUtf8(ToggleMessage(result.outcome, result.code, name).View());
    return result;
}

std::u16string SpeedBoost() {
    const CTweakersFactory factory;
    return std::u16string(TweakByClass(factory, "CSpeedBoostTweak")->GetID().View());
}

std::optional<probe::Value> Limit() {
    return probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit");
}

class ToggleTest : public test::AppTest {
protected:
    void TearDown() override { hooks::Clear(); }
};

// A change that fails, or a first backup that cannot be taken (its saved value, or the mark that
// the backup is done, cannot be written), leaves the tweak as it is: its original state would be
// lost otherwise. The outcome is the failed enable or disable with the code.
TEST_F(ToggleTest, AFailedChangeOrFirstBackupLeavesTheTweakAndReportsItsCode) {
    for (const char16_t* failing : {u"SpeedBoostLimit", u"BackupDone", u"limit"}) {
        for (const DWORD limit : {kSeedLimit, kBoostedLimit}) {
            SCOPED_TRACE(ce::ToUtf8(failing) + " from " + std::to_string(limit));
            probe::Set(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit", probe::DwordValue(limit));
            hooks::beforeSetValue = hooks::FailWritesOf(failing);
            const Outcome outcome = Toggle(SpeedBoost());
            hooks::Clear();
            const bool enabling = limit == kSeedLimit;
            EXPECT_EQ(outcome.outcome, enabling ? kToggleEnableFailed : kToggleDisableFailed);
            EXPECT_EQ(outcome.code, kTweakRegistryWriteFailed);
            EXPECT_EQ(outcome.name, "Speed-Boost");
            EXPECT_EQ(outcome.message, std::string("Tweak not ") +
                                           (enabling ? "enabled" : "disabled") +
                                           ". Error code:2002");
            EXPECT_EQ(Limit(), probe::DwordValue(limit));
        }
    }
}

// The Info window, run modally on the headless screen with its manual clock; what it showed.
class InfoWindow : public test::AppTest {
protected:
    void SetUp() override {
        ce::screen::SetOutputSink([this](const std::string& line) { lines_.push_back(line); });
    }
    void TearDown() override { ce::screen::SetOutputSink(nullptr); }

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
    RunCommandLineToggle(CWideString(std::u16string_view(SpeedBoost())));
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
        EXPECT_EQ(CInfoDlg(u"Tweak X enabled", 2000).DoModal(nullptr), 0) << key;
        EXPECT_EQ(clock_.NowMs(), 0u) << key;
    }
    EXPECT_EQ(lines_.size(), 5u);
}

// The program itself, started as a toggle shortcut starts it: standard input is not a terminal.
class Program : public test::AppTest {
protected:
    // Runs the shell command `script`, in which the function Fennaro runs the program on the
    // test's device.
    test::Result Shell(const std::string& script) {
        ce::CloseDevice();
        const test::Result run =
            test::Run("Fennaro() { CE_DEVICE=" + test::Quote(device_.Folder()) + " " +
                      test::Quote(FENNARO_PATH) + " \"$@\"; }; " + script);
        ce::UseDevice(device_.Folder());
        return run;
    }
    const std::u16string id_ = SpeedBoost();
    const std::string toggle_ = "Fennaro " + test::Quote(ce::ToUtf8(id_));
};

// The arguments are joined by single blanks into one command line, used whole.
TEST_F(Program, ACommandLineIsOneIDWhole) {
    const test::Result run = Shell(toggle_ + " again");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Info: Error. Invalid tweak ID\n");
    EXPECT_EQ(Limit(), probe::DwordValue(kSeedLimit));
}

// Two toggles of a tweak never backed up, started at once (a toggle shortcut tapped twice): only
// one takes the first backup, so it always holds the value from before either started.
TEST_F(Program, TwoFirstTogglesAtOnceBackUpTheOriginalValue) {
    const std::u16string backup = probe::BackupPath(id_);
    const std::u16string settings = u"Software\\Quenvale\\TweaksSettings\\" + id_;
    const std::string quiet = toggle_ + " >/dev/null";
    for (int round = 0; round < 20; ++round) {
        probe::Apply(ce::RegFileOp::kDeleteKey, HKEY_LOCAL_MACHINE, backup);
        probe::Apply(ce::RegFileOp::kDeleteKey, HKEY_LOCAL_MACHINE, settings);
        probe::Set(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit", probe::DwordValue(kSeedLimit));
        ASSERT_EQ(Shell(quiet + " & a=$!; " + quiet + " & b=$!; wait $a && wait $b").status, 0);
        ASSERT_EQ(probe::Query(HKEY_LOCAL_MACHINE, backup.c_str(), u"SpeedBoostLimit"),
                  probe::DwordValue(kSeedLimit))
            << "round " << round;
        ASSERT_EQ(probe::Query(HKEY_LOCAL_MACHINE, settings.c_str(), u"BackupDone"),
                  probe::DwordValue(1));
    }
}

}  // namespace
