// The tweak's own store keys and the first-backup protocol, with a tweak whose Backup the test
// controls.
#include <Lorrimek/TweakBase.h>
#include <gtest/gtest.h>

#include <string>

#include "Lorrimek/RegistryProbe.h"
#include "support/TempDevice.h"

namespace {

// Characters that must survive as a key name: a closing brace and a seven-digit first group.
const WCHAR kId[] = u"CFakeTweak_8313F0B-7D04-4768-A045-7C0B6321EE23}";
const WCHAR kBackupPath[] =
    u"Software\\Quenvale\\TweaksBackup\\CFakeTweak_8313F0B-7D04-4768-A045-7C0B6321EE23}";
const WCHAR kSettingsPath[] =
    u"Software\\Quenvale\\TweaksSettings\\CFakeTweak_8313F0B-7D04-4768-A045-7C0B6321EE23}";

class CFakeTweak : public CTweakBase {
public:
    explicit CFakeTweak(const CWideString& id)
        : CTweakBase(id, u"Fake", u"A tweak for tests.", kCategoryTelephony) {}

    int backupResult = kTweakOk;
    int backupCalls = 0;

    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return FALSE; }
    int Enable() override { return kTweakOk; }
    int Backup() override {
        ++backupCalls;
        if (backupResult == kTweakOk) BackupKey().WriteDWORD(u"Saved", 42);
        return backupResult;
    }
    int Restore() override { return kTweakOk; }
    int Disable() override { return Restore(); }
};

std::optional<DWORD> BackupDone() {
    return probe::Dword(HKEY_LOCAL_MACHINE, kSettingsPath, u"BackupDone");
}

class TweakBaseTest : public testing::Test {
protected:
    test::TempDevice dev_;
};

TEST_F(TweakBaseTest, ConstructionCreatesTheStoreKeysOnly) {
    ASSERT_FALSE(probe::KeyExists(HKEY_LOCAL_MACHINE, u"Software\\Quenvale"));
    const int64_t before = probe::LastChangeSeq();
    {
        CFakeTweak tweak(kId);
        EXPECT_EQ(tweak.GetID(), CWideString(kId));
        EXPECT_EQ(tweak.GetName(), CWideString(u"Fake"));
        EXPECT_EQ(tweak.GetCategory(), kCategoryTelephony);
    }
    const auto keys = dev_.Device().ExportKeys(ce::RootKey::LocalMachine, u"Software\\Quenvale");
    std::vector<std::u16string> paths;
    for (const ce::RegKey& key : keys) {
        paths.push_back(key.path);
        EXPECT_TRUE(key.values.empty()) << "construction writes no value";
    }
    EXPECT_EQ(paths, (std::vector<std::u16string>{
                         u"Software\\Quenvale", u"Software\\Quenvale\\TweaksBackup", kBackupPath,
                         u"Software\\Quenvale\\TweaksSettings", kSettingsPath}));
    for (const ce::Change& change : dev_.Device().Changes(before)) {
        EXPECT_EQ(change.kind, ce::Change::kCreateKey) << change.key;
    }
}

TEST_F(TweakBaseTest, FirstBackupIsTakenOnce) {
    CFakeTweak tweak(kId);
    EXPECT_EQ(tweak.DoBackupIfNeeded(), kTweakOk);
    EXPECT_EQ(tweak.backupCalls, 1);
    EXPECT_EQ(BackupDone(), 1u);
    EXPECT_EQ(probe::Dword(HKEY_LOCAL_MACHINE, kBackupPath, u"Saved"), 42u);

    EXPECT_EQ(tweak.DoBackupIfNeeded(), kTweakOk);
    CFakeTweak later(kId);
    EXPECT_EQ(later.DoBackupIfNeeded(), kTweakOk);
    EXPECT_EQ(tweak.backupCalls + later.backupCalls, 1);
}

TEST_F(TweakBaseTest, FailedBackupIsRecordedAsNotDoneAndRetried) {
    CFakeTweak tweak(kId);
    tweak.backupResult = kTweakRegistryWriteFailed;
    EXPECT_EQ(tweak.DoBackupIfNeeded(), kTweakRegistryWriteFailed);
    EXPECT_EQ(BackupDone(), 0u) << "present, not missing";

    tweak.backupResult = kTweakDeviceToggleFailed;
    EXPECT_EQ(tweak.DoBackupIfNeeded(), kTweakDeviceToggleFailed);
    EXPECT_EQ(BackupDone(), 0u);

    tweak.backupResult = kTweakOk;
    EXPECT_EQ(tweak.DoBackupIfNeeded(), kTweakOk);
    EXPECT_EQ(tweak.backupCalls, 3);
    EXPECT_EQ(BackupDone(), 1u);
}

TEST_F(TweakBaseTest, AnyNonzeroBackupDoneCountsAsDone) {
    ASSERT_TRUE(probe::SetDword(HKEY_LOCAL_MACHINE, kSettingsPath, u"BackupDone", 5));
    CFakeTweak tweak(kId);
    EXPECT_EQ(tweak.DoBackupIfNeeded(), kTweakOk);
    EXPECT_EQ(tweak.backupCalls, 0);
    EXPECT_EQ(BackupDone(), 5u);
}

}  // namespace
