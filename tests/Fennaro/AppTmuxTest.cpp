// End to end in a real terminal, on a fresh device: the application started from its own
// Start-menu entry and a second start beside it, and the reasons of a start that failed.
#include <gtest/gtest.h>

#include <string>

#include "support/TmuxTest.h"

namespace {

using test::BottomLine;
using test::Has;
using test::Quote;

class AppTmuxTest : public test::TmuxTest {
protected:
    void SetUp() override {
        TmuxTest::SetUp();
        if (IsSkipped()) return;
        ce::CloseDevice();  // the programs use the device; the test reads it afterwards
    }

    std::string Program(const std::string& name) const {
        return "env " + Environment() + " " + Quote(test::BuiltProgram(name).string());
    }
};

// Started from its Start-menu entry, it runs in the same terminal; a second start brings it
// forward, says so and ends.
TEST_F(AppTmuxTest, StartedFromItsStartMenuEntryAndBroughtForwardByASecondStart) {
    Run(Program("cedevice") + " install >/dev/null && " + Program("cedevice") + " tap Quenvale", 44,
        27);
    Expect("Category: Essential Utilities");
    const std::filesystem::path said = device_.Folder() / "second-start";
    EXPECT_EQ(RunBeside(Program("Fennaro") + " 2>" + Quote(said.string())), 1);
    EXPECT_EQ(test::ReadFileBytes(said), "Fennaro: the tweak manager already runs on the device " +
                                             device_.Folder().string() +
                                             "; it was brought to the front.\n");
    // The first one still runs and answers its keys.
    EXPECT_TRUE(Has(BottomLine(Screen()), "Done"));
    Keys("F1");
    EXPECT_EQ(ExitCode(), 1);
}

// A start that fails leaves its reasons on the terminal, naming the device and what to do: the
// screen is never taken for a start that cannot go on.
TEST_F(AppTmuxTest, WhyAStartFailedStaysReadableOnTheTerminal) {
    const std::string missing = (device_.Folder() / "missing").string();
    // Wide enough that no message is wrapped.
    Run("env CE_DEVICE=" + Quote(missing) + " " + Quote(test::BuiltProgram("Fennaro").string()),
        250, 27);
    EXPECT_EQ(ExitCode(), 5);
    const std::string screen = Screen();
    EXPECT_TRUE(Has(screen, "no device at " + missing)) << screen;
    EXPECT_TRUE(Has(screen, "create one with 'cedevice init'")) << screen;
    EXPECT_TRUE(Has(screen, "Fennaro: the tweak manager cannot start on the device " + missing +
                                ": its instance mutex cannot be created."))
        << screen;
}

}  // namespace
