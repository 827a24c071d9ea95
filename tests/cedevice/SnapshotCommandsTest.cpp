// The snapshot commands of the device tool: what they print, their errors, and a restore refused
// while the tweak manager runs on the device.
#include <CePlatform/Device.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <string>

#include "cedevice/CedeviceRun.h"

namespace {

using namespace testing;
using namespace test;

TEST_F(Cedevice, SnapshotsAreSavedListedRestoredAndDeleted) {
    Ok("init");
    Ok("reg import -", "REGEDIT4\n[HKEY_CURRENT_USER\\Tried]\n\"v\"=dword:1\n");
    const std::string saved = Ok("reg export");
    EXPECT_THAT(Ok("snapshot save 'before tweaks'"),
                MatchesRegex("saved snapshot before tweaks \\([0-9]+ bytes, change 2\\)\n"));
    Ok("reg import -", "REGEDIT4\n[HKEY_CURRENT_USER\\Tried]\n\"v\"=dword:2\n");
    test::WriteFileBytes(device_ / "fs/new.txt", "new");
    Ok("snapshot save after");
    EXPECT_TRUE(std::regex_match(
        Ok("snapshot list"), std::regex("before tweaks\t\\d{4}-\\d\\d-\\d\\dT[\\d:.]+Z\t\\d+\t2\n"
                                        "after\t\\d{4}-\\d\\d-\\d\\dT[\\d:.]+Z\t\\d+\t3\n")));

    EXPECT_EQ(Ok("snapshot restore 'before tweaks'"),
              "restored snapshot before tweaks (change 4)\n");
    EXPECT_EQ(Ok("reg export"), saved);
    EXPECT_FALSE(std::filesystem::exists(device_ / "fs/new.txt"));
    EXPECT_THAT(Ok("changes --since 3"),
                MatchesRegex("4 [0-9T:.Z-]+ [0-9]+ device restored to snapshot before tweaks\n"));
    EXPECT_EQ(Ok("snapshot delete after"), "deleted snapshot after\n");
    EXPECT_THAT(Ok("snapshot list"), StartsWith("before tweaks\t"));

    // The device's refusal is passed on.
    const auto before = Snapshot(device_);
    ExpectFailure(On("snapshot delete after"), "no snapshot named \"after\"");
    EXPECT_EQ(Snapshot(device_), before);
}

// The tweak manager holds the instance mutex "Quenvale" while it runs; a restore then changes
// nothing and says why.
TEST_F(Cedevice, ARestoreIsRefusedWhileTheTweakManagerRuns) {
    Ok("init");
    Ok("snapshot save clean");
    Ok("reg import -", "REGEDIT4\n[HKEY_CURRENT_USER\\Tried]\n\"v\"=dword:1\n");
    const std::string tried = Ok("reg export");
    ce::UseDevice(device_);
    const HANDLE running = CreateMutexW(nullptr, FALSE, u"Quenvale");
    ASSERT_NE(running, nullptr);
    ExpectFailure(On("snapshot restore clean"),
                  "the tweak manager runs on the device (it holds the mutex \"Quenvale\")");
    CloseHandle(running);
    ce::CloseDevice();
    EXPECT_EQ(Ok("reg export"), tried);
    EXPECT_THAT(Ok("changes"), Not(HasSubstr("restored")));
    Ok("snapshot restore clean");
    EXPECT_NE(Ok("reg export"), tried);
}

}  // namespace
