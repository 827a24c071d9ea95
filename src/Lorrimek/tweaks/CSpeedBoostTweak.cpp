// CSpeedBoostTweak: "limit" of HKEY_LOCAL_MACHINE\system\gdi\glyphcache holds 32768 while the tweak
// is enabled. The number found before the first change is saved as "SpeedBoostLimit".
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CSpeedBoostTweak final : public CTweakBase {
public:
    explicit CSpeedBoostTweak(const CWideString& id)
        : CTweakBase(id, u"Speed-Boost",
                     u"This will Speed Up the system by increasing the size of the display cache.",
                     kCategorySystem),
          m_value(kRoot, kKeyPath, kValueName, kBackupValueName, EDwordAccess::PerCall) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOrSmartphone); }
    BOOL NeedsRestart() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
    static inline const CWideString kKeyPath{u"\\system\\gdi\\glyphcache"};
    static inline const CWideString kValueName{u"limit"};
    static inline const CWideString kBackupValueName{u"SpeedBoostLimit"};
    static constexpr DWORD kEnabledData = 32768;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCSpeedBoostTweak(const CWideString& id) { return new CSpeedBoostTweak(id); }
