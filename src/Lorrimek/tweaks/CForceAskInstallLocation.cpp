// CForceAskInstallLocation: "fAskDest" of HKEY_LOCAL_MACHINE\Software\apps\Microsoft Application
// Installer holds 1 while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CForceAskInstallLocation final : public CTweakBase {
public:
    explicit CForceAskInstallLocation(const CWideString& id)
        : CTweakBase(id, u"Force Ask Install Location",
                     u"This allows you to specify whether to install a program in Main Storage or "
                     u"your Storage Card, regardless of the installer settings. NOTE: Many "
                     u"applications do not support being installed on the Storage Card and may "
                     u"therefore behave unpredictably.",
                     kCategorySystem),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldCreate) {}

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
    static inline const CWideString kKeyPath{u"\\Software\\apps\\Microsoft Application Installer"};
    static inline const CWideString kValueName{u"fAskDest"};
    static constexpr DWORD kEnabledData = 1;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCForceAskInstallLocation(const CWideString& id) {
    return new CForceAskInstallLocation(id);
}
