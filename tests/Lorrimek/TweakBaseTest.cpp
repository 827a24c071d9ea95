// The tweak's own store keys and the first-backup protocol, with a tweak whose Backup the test
// controls.
#include <Lorrimek/TweakBase.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/RegistryProbe.h"
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

std::optional<probe::Value> BackupDone() {
    return probe::Query(HKEY_LOCAL_MACHINE, kSettingsPath, u"BackupDone");
}

class TweakBaseTest : public testing::Test {
protected:
    test::TempDevice dev_;
};

TEST_F(TweakBaseTest, ConstructionCreatesTheStoreKeysOnly) {
    const int64_t before = probe::LastChangeSeq();
    {
        CFakeTweak tweak(kId);
        EXPECT_EQ(tweak.GetID(), CWideString(kId));
        EXPECT_EQ(tweak.GetName(), CWideString(u"Fake"));
        EXPECT_EQ(tweak.GetDescription(), CWideString(u"A tweak for tests."));
        EXPECT_EQ(tweak.GetCategory(), kCategoryTelephony);
    }
    std::vector<std::u16string> paths;
    for (const ce::RegKey& key :
         dev_.Device().ExportKeys(ce::RootKey::LocalMachine, u"Software\\Quenvale")) {
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

TEST_F(TweakBaseTest, FirstBackupIsTakenOnceAndRetriedUntilItSucceeds) {
    CFakeTweak tweak(kId);
    for (int failure : {kTweakRegistryWriteFailed, kTweakDeviceToggleFailed}) {
        tweak.backupResult = failure;
        EXPECT_EQ(tweak.DoBackupIfNeeded(), failure);
        EXPECT_EQ(BackupDone(), probe::DwordValue(0)) << "present, not missing";
    }
    tweak.backupResult = kTweakOk;
    EXPECT_EQ(tweak.DoBackupIfNeeded(), kTweakOk);
    EXPECT_EQ(BackupDone(), probe::DwordValue(1));
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, kBackupPath, u"Saved"), probe::DwordValue(42));
    EXPECT_EQ(tweak.DoBackupIfNeeded(), kTweakOk);
    EXPECT_EQ(tweak.backupCalls, 3);

    // A later start finds it done: any nonzero mark counts.
    probe::Set(HKEY_LOCAL_MACHINE, kSettingsPath, u"BackupDone", probe::DwordValue(5));
    CFakeTweak later(kId);
    EXPECT_EQ(later.DoBackupIfNeeded(), kTweakOk);
    EXPECT_EQ(later.backupCalls, 0);
    EXPECT_EQ(BackupDone(), probe::DwordValue(5));
}

}  // namespace
