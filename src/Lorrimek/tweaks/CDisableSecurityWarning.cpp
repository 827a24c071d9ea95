// CDisableSecurityWarning: "0000101a" of HKEY_LOCAL_MACHINE\Security\Policies\Policies holds 1
// while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CDisableSecurityWarning final : public CTweakBase {
public:
    explicit CDisableSecurityWarning(const CWideString& id)
        : CTweakBase(id, u"Security Warning OFF",
                     u"This will disable the security warning when installing a non-certified "
                     u"application.  NOTE: This makes it easier for any malware to install itself.",
                     kCategorySystem),
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
    static inline const CWideString kKeyPath{u"\\Security\\Policies\\Policies"};
    static inline const CWideString kValueName{u"0000101a"};
    static constexpr DWORD kEnabledData = 1;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCDisableSecurityWarning(const CWideString& id) {
    return new CDisableSecurityWarning(id);
}
