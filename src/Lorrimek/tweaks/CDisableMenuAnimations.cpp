// CDisableMenuAnimations: "AniType" of HKEY_LOCAL_MACHINE\SYSTEM\GWE\Menu holds 0 while the tweak
// is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CDisableMenuAnimations final : public CTweakBase {
public:
    explicit CDisableMenuAnimations(const CWideString& id)
        : CTweakBase(id, u"Disable menu animations",
                     u"This will disable menu animations (sliding in/out) and speed up performance "
                     u"of the UI.",
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
    static inline const CWideString kKeyPath{u"\\SYSTEM\\GWE\\Menu"};
    static inline const CWideString kValueName{u"AniType"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCDisableMenuAnimations(const CWideString& id) {
    return new CDisableMenuAnimations(id);
}
