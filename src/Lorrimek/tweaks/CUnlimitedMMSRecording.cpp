// CUnlimitedMMSRecording: "EnableLimit" of HKEY_LOCAL_MACHINE\SOFTWARE\HTC\Camera\P3 holds 0 while
// the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CUnlimitedMMSRecording final : public CTweakBase {
public:
    explicit CUnlimitedMMSRecording(const CWideString& id)
        : CTweakBase(id, u"Unlimited MMS Recording",
                     u"The default MMS Video Recording time is limited. This tweak will remove the "
                     u"limit. NOTE: Tested  and working on  Cingular and C500.  It may or may not "
                     u"work on other  models.",
                     kCategoryTelephony),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldOpen) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOrSmartphone); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
    static inline const CWideString kKeyPath{u"\\SOFTWARE\\HTC\\Camera\\P3"};
    static inline const CWideString kValueName{u"EnableLimit"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCUnlimitedMMSRecording(const CWideString& id) {
    return new CUnlimitedMMSRecording(id);
}
