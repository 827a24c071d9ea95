// The seeded phone is a believable starting point: no tweak is in force yet, and the catalogue
// shows every kind of tweak a user meets on a real device.
#include <CePlatform/Device.h>
#include <CePlatform/RegFile.h>
#include <CePlatform/Unicode.h>
#include <Lorrimek/TweakersFactory.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/RegistryProbe.h"
#include "support/TempDevice.h"

namespace {

TEST(SeedDevice, ShowsAMixOfSupportedUnsupportedReachableAndUnreachableTweaks) {
    test::TempDevice device;  // seeded SmartPhone 5.2
    CTweakersFactory factory;
    int enabled = 0;
    std::set<std::string> unsupported, unreachable;
    for (CTweakBase* tweak : factory.GetAllTweaks()) {
        enabled += tweak->IsEnabled();
        if (!tweak->IsSupported()) unsupported.insert(probe::ClassOf(tweak->GetID().View()));
    }
    ASSERT_TRUE(factory.DoBackupIfNeeded());
    for (CTweakBase* tweak : factory.GetAllTweaks()) {
        // The device actions hold no state to come back to.
        if (!tweak->HasEnableOption()) continue;
        // Enabling and disabling again tells whether the tweak reaches its value.
        if (tweak->Enable() != kTweakOk) unreachable.insert(probe::ClassOf(tweak->GetID().View()));
        EXPECT_EQ(kTweakOk, tweak->Disable()) << ce::ToUtf8(tweak->GetName().View());
        EXPECT_FALSE(tweak->IsEnabled());
    }
    EXPECT_EQ(0, enabled) << "a tweak is in force on a new phone";
    // The Pocket PC tweaks and the newer phones' MMS video.
    EXPECT_EQ(unsupported, (std::set<std::string>{"CDisable3GPlimitPocketPC", "CEnable4WAYNavi",
                                                  "CMMSVideoIn176x144New", "CWiFiAndPhoneOn"}));
    // Held-open target keys that this phone lacks: other makers' software and settings.
    EXPECT_EQ(
        unreachable,
        (std::set<std::string>{
            "CCameraDateFolderFix", "CDisable3GPlimitPocketPC", "CDisable3GPlimitSmartphone",
            "CEnable4WAYNavi", "CEnableRoamingIndicator", "CGridViewToggleCingular",
            "CKillBootUpMelody", "CMMSVideoIn176x144", "CMMSVideoIn176x144New", "CSetMMSSizeToMAX",
            "CSilenceCameraShutter", "CUnlimitedMMSRecording", "CWiFiAndPhoneOn"}));
}

TEST(SeedDevice, RestoringEverythingGivesBackTheFactoryRegistry) {
    test::TempDevice device;
    CTweakersFactory first;  // creates the store and the held-create target keys
    ASSERT_TRUE(first.DoBackupIfNeeded());
    std::vector<ce::RegKey> expected = device.Device().ExportKeys();
    for (CTweakBase* tweak : first.GetAllTweaks()) tweak->Enable();
    for (CTweakBase* tweak : first.GetAllTweaks()) EXPECT_EQ(kTweakOk, tweak->Restore());

    // Two values come back otherwise, as their tweaks put them back: a number held in another
    // type is written as a DWORD, and of the Start-menu order list only its first entry returns
    // (that tweak warns that it cannot be reversed).
    for (ce::RegKey& key : expected) {
        for (ce::RegValue& value : key.values) {
            if (key.root == ce::RootKey::ClassesRoot && key.path == u"exefile" &&
                value.name == u"EditFlags") {
                ASSERT_EQ(value.type, static_cast<uint32_t>(REG_BINARY));
                value.type = REG_DWORD;
            }
            if (key.path == u"Software\\Microsoft\\Shell\\StartMenu" && value.name == u"Order") {
                const auto* entries = reinterpret_cast<const char16_t*>(value.data.data());
                value.data = probe::SzValue(entries, REG_MULTI_SZ).data;
            }
        }
    }
    EXPECT_EQ(ce::FormatRegFile(expected), ce::FormatRegFile(device.Device().ExportKeys()));
}

}  // namespace
