// The direct-link tweaks (a link file in the Start menu) and the device action tweaks (Bluetooth
// radio and audio, power key, restart), checked through the device's file system and journal.
#include <CePlatform/Device.h>
#include <Lorrimek/TweakersFactory.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cctype>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "TweakByClass.h"
#include "support/TempDevice.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFileWriteFailed = 2003;

// Each link starts the settings program with its control panel.
const struct Link {
    const char* cls;
    const char* file;  // under \Windows\Start Menu
    const char* panel;
} kLinks[] = {
    {"CAlarmClock", "Alarm and Clock.lnk", "clckalrm"},
    {"CAlarm", "Alarm.lnk", "alarm"},
    {"CBluetoothBeam", "Bluetooth beam.lnk", "beam"},
    {"CChangeRingtones", "Change Ringtones.lnk", "soundsgsm"},
    {"CCheckBattery", "Check Battery.lnk", "power"},
};

TEST(LinkTweaks, WriteProbeAndDeleteTheirLinkFilesAndReportFailedWrites) {
    test::TempDevice dev;
    const fs::path menu = dev.Device().FilesRoot() / "Windows" / "Start Menu";
    CTweakersFactory factory;
    ASSERT_TRUE(factory.DoBackupIfNeeded());
    for (const Link& l : kLinks) {
        SCOPED_TRACE(l.file);
        CTweakBase* tweak = TweakByClass(factory, l.cls);
        EXPECT_EQ(tweak->IsEnabled(), 0);
        EXPECT_EQ(tweak->Disable(), 0) << "no file: already disabled";
        EXPECT_EQ(tweak->Enable(), 0);
        EXPECT_EQ(tweak->Enable(), 0);
        EXPECT_EQ(test::ReadFileBytes(menu / l.file),
                  "00#\"\\Windows\\settings.exe\" " + std::string(l.panel) + ".cpl.xml")
            << "one link text, no line end";
        EXPECT_EQ(tweak->IsEnabled(), 1);

        // Backup and Restore record and touch nothing: the link stays.
        EXPECT_EQ(tweak->Backup(), 0);
        EXPECT_EQ(tweak->Restore(), 0);
        EXPECT_EQ(tweak->IsEnabled(), 1);

        // Any file of that name, whatever its content or the case of its name, is the link.
        fs::remove(menu / l.file);
        std::string upper = l.file;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        test::WriteFileBytes(menu / upper, "x");
        EXPECT_EQ(tweak->IsEnabled(), 1);
        EXPECT_EQ(tweak->Disable(), 0);
        EXPECT_FALSE(fs::exists(menu / upper));
        EXPECT_EQ(tweak->IsEnabled(), 0);
    }
    EXPECT_TRUE(fs::is_empty(menu / "Programs"));

    // A link that cannot be written or deleted is reported with its own code. Here a folder
    // holds the link's name, so the file can be neither created nor removed.
    CTweakBase* alarm = TweakByClass(factory, kLinks[1].cls);
    fs::create_directory(menu / "Alarm.lnk");
    EXPECT_EQ(alarm->Enable(), kFileWriteFailed);
    EXPECT_EQ(alarm->IsEnabled(), 0);
    EXPECT_EQ(alarm->Disable(), kFileWriteFailed);
    EXPECT_TRUE(fs::is_directory(menu / "Alarm.lnk"));
    fs::remove(menu / "Alarm.lnk");

    // A write cut short (the store is full) leaves no partial link behind.
    struct rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 10;
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const int cutShort = alarm->Enable();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(cutShort, kFileWriteFailed);
    EXPECT_FALSE(fs::exists(menu / "Alarm.lnk"));

    // Without the Start Menu folder nothing can be written, and nothing is created.
    fs::remove_all(menu);
    EXPECT_EQ(alarm->Enable(), kFileWriteFailed);
    EXPECT_FALSE(fs::exists(menu));
    EXPECT_EQ(alarm->Disable(), 0);
}

// The device actions keep no state: Backup and Restore (and Disable where there is nothing to
// undo) act on nothing. Without its driver an action fails with 1000 and nothing reaches the
// device.
TEST(ActionTweaks, ActOnTheDeviceThroughTheirDrivers) {
    test::TempDevice dev;
    CTweakersFactory factory;
    CTweakBase* toggle = TweakByClass(factory, "CBluetoothToggle");
    CTweakBase* audio = TweakByClass(factory, "CBluetoothAudio");
    CTweakBase* turnOff = TweakByClass(factory, "CTurnOff");
    CTweakBase* restart = TweakByClass(factory, "CUtilitySoftRestart");
    EXPECT_EQ(turnOff->Disable(), 0);
    EXPECT_EQ(restart->Disable(), 0);
    for (CTweakBase* tweak : {toggle, audio, turnOff, restart}) {
        EXPECT_EQ(tweak->Backup(), 0);
        EXPECT_EQ(tweak->Restore(), 0);
    }
    EXPECT_TRUE(dev.Events().empty());

    EXPECT_EQ(turnOff->Enable(), 0);
    EXPECT_EQ(restart->Enable(), 0);
    EXPECT_EQ(dev.Events(), (std::vector<std::string>{"key 0xDF down", "key 0xDF up",
                                                      "restart (ExitWindowsEx EWX_REBOOT)"}));

    // The audio gateway: a toggle always routes to the headset; it refuses while the radio is off.
    dev.SetBluetoothMode(1);
    int64_t before = dev.LastEventSeq();
    EXPECT_EQ(audio->IsEnabled(), 0);
    EXPECT_EQ(audio->Enable(), 0);
    EXPECT_EQ(audio->IsEnabled(), 0);
    EXPECT_EQ(audio->Disable(), 0);
    EXPECT_EQ(dev.Events(before),
              (std::vector<std::string>{"BAG0: control code 1 (sound to the headset)",
                                        "BAG0: control code 2 (sound to the speaker)"}));
    dev.SetBluetoothMode(0);
    EXPECT_EQ(audio->Enable(), 1000);

    // The radio: the reported mode, whether it is enabled, and the mode a toggle asks for.
    const struct {
        uint32_t mode;
        BOOL enabled;
        uint32_t next;
    } cases[] = {{0, 0, 2}, {1, 1, 0}, {2, 1, 0}, {3, 0, 2}, {0xFFFFFFFF, 0, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        dev.SetBluetoothMode(c.mode);
        EXPECT_EQ(toggle->IsEnabled(), c.enabled);
        EXPECT_EQ(toggle->Enable(), 0);
        EXPECT_EQ(dev.Device().GetProfile().bluetoothMode, c.next);
    }
    // Disable toggles too: an enabled radio goes off.
    dev.SetBluetoothMode(1);
    EXPECT_EQ(toggle->Disable(), 0);
    EXPECT_EQ(dev.Device().GetProfile().bluetoothMode, 0u);

    for (const char* driver : {"BthUtil.dll", "BAG0:", "aygshell.dll"})
        dev.SetModule(driver, false);
    before = dev.LastEventSeq();
    EXPECT_EQ(toggle->IsEnabled(), 0);
    for (CTweakBase* tweak : {toggle, audio}) {
        EXPECT_EQ(tweak->Enable(), 1000);
        EXPECT_EQ(tweak->Disable(), 1000);
    }
    EXPECT_EQ(restart->Enable(), 1000);
    EXPECT_EQ(dev.Device().GetProfile().bluetoothMode, 0u);
    EXPECT_TRUE(dev.Events(before).empty());
}

}  // namespace
