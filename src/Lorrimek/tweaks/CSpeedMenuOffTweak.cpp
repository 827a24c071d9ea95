// CSpeedMenuOffTweak: "AniType" of HKEY_LOCAL_MACHINE\SYSTEM\GWE\Menu holds 0 while the tweak is
// enabled; disabling writes 2 whatever was there before (Restore brings back the number found
// before). That number is saved as "SpeedMenuBackup".
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CSpeedMenuOffTweak final : public CTweakBase {
public:
    explicit CSpeedMenuOffTweak(const CWideString& id)
        : CTweakBase(id, u"Speed-Up Menus",
                     u"This tweak removes menu-animation and speeds up the appearance of the "
                     u"menu on-screen.",
                     kCategorySystem),
          m_value(kRoot, kKeyPath, kValueName, kBackupValueName, EDwordAccess::PerCall) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::AnyPlatform); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return m_value.WriteTargetValue(kDisabledData); }

private:
    static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
    static inline const CWideString kKeyPath{u"\\SYSTEM\\GWE\\Menu"};
    static inline const CWideString kValueName{u"AniType"};
    static inline const CWideString kBackupValueName{u"SpeedMenuBackup"};
    static constexpr DWORD kEnabledData = 0;
    static constexpr DWORD kDisabledData = 2;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCSpeedMenuOffTweak(const CWideString& id) { return new CSpeedMenuOffTweak(id); }
