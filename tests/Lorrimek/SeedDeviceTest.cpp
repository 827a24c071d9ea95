// The seeded phone is a believable starting point: no tweak is in force yet, and the catalogue
// shows every kind of tweak a user meets on a real device.
#include <CePlatform/Device.h>
#include <CePlatform/RegFile.h>
#include <CePlatform/Unicode.h>
#include <Lorrimek/TweakersFactory.h>
#include <gtest/gtest.h>

#include "support/TempDevice.h"

namespace {

TEST(SeedDevice, ShowsAMixOfSupportedUnsupportedReachableAndUnreachableTweaks) {
    test::TempDevice device;  // seeded SmartPhone 5.2
    CTweakersFactory factory;
    int enabled = 0, supported = 0, unsupported = 0, reachable = 0, unreachable = 0;
    for (CTweakBase* tweak : factory.GetAllTweaks()) {
        enabled += tweak->IsEnabled();
        (tweak->IsSupported() ? supported : unsupported) += 1;
    }
    ASSERT_TRUE(factory.DoBackupIfNeeded());
    for (CTweakBase* tweak : factory.GetAllTweaks()) {
        // The device actions hold no state to come back to.
        if (!tweak->HasEnableOption()) continue;
        // Enabling and disabling again tells whether the tweak reaches its value.
        (tweak->Enable() == kTweakOk ? reachable : unreachable) += 1;
        EXPECT_EQ(kTweakOk, tweak->Disable()) << ce::ToUtf8(tweak->GetName().View());
        EXPECT_FALSE(tweak->IsEnabled());
    }
    EXPECT_EQ(0, enabled) << "a tweak is in force on a new phone";
    EXPECT_GT(supported, 0);
    EXPECT_GT(unsupported, 0);
    EXPECT_GT(reachable, 0);
    EXPECT_GT(unreachable, 0);
}

TEST(SeedDevice, RestoringEverythingGivesBackTheFactoryRegistry) {
    test::TempDevice device;
    CTweakersFactory first;  // creates the store and the held-create target keys
    ASSERT_TRUE(first.DoBackupIfNeeded());
    auto before = device.Device().ExportKeys();
    for (CTweakBase* tweak : first.GetAllTweaks()) tweak->Enable();
    for (CTweakBase* tweak : first.GetAllTweaks()) EXPECT_EQ(kTweakOk, tweak->Restore());

    auto after = device.Device().ExportKeys();
    // Values are compared as bytes: a number put back is written as a DWORD, whatever type held
    // it. The Start-menu order list comes back with its first entry only: that tweak warns that
    // it cannot be reversed.
    for (auto* keys : {&before, &after}) {
        for (ce::RegKey& key : *keys) {
            for (ce::RegValue& value : key.values) {
                value.type = REG_BINARY;
                if (key.path == u"Software\\Microsoft\\Shell\\StartMenu" && value.name == u"Order")
                    value.data.clear();
            }
        }
    }
    EXPECT_EQ(ce::FormatRegFile(before), ce::FormatRegFile(after));
}

}  // namespace
