// CDisable3GPlimitPocketPC: "EnableRecLimit" of
// HKEY_LOCAL_MACHINE\Software\HTC\camera\AppDefSettings\P3 holds 0 while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CDisable3GPlimitPocketPC final : public CTweakBase {
public:
    explicit CDisable3GPlimitPocketPC(const CWideString& id)
        : CTweakBase(id, u"Disable 3gp size limit PPC",
                     u"This will Disable 3gp video size limit (HTC devices only).",
                     kCategorySystem),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldOpen) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOnly); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
    static inline const CWideString kKeyPath{u"\\Software\\HTC\\camera\\AppDefSettings\\P3"};
    static inline const CWideString kValueName{u"EnableRecLimit"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCDisable3GPlimitPocketPC(const CWideString& id) {
    return new CDisable3GPlimitPocketPC(id);
}
