// CEnableRoamingIndicator: "NoRoamInd" of HKEY_LOCAL_MACHINE\Software\Microsoft\RIL holds 0 while
// the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CEnableRoamingIndicator final : public CTweakBase {
public:
    explicit CEnableRoamingIndicator(const CWideString& id)
        : CTweakBase(id, u"Enable Roaming Indicator",
                     u"This enables the Roaming Indicator Triangle that displays on the status bar "
                     u"when roaming. NOTE: This is an MPX220 specific tweak.",
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
    static inline const CWideString kKeyPath{u"\\Software\\Microsoft\\RIL"};
    static inline const CWideString kValueName{u"NoRoamInd"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCEnableRoamingIndicator(const CWideString& id) {
    return new CEnableRoamingIndicator(id);
}
