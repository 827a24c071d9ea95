// CEdgeIconFix: "EnableDifferGprsEdgeIcon" of HKEY_LOCAL_MACHINE\Drivers\BuiltIn\RIL holds 1 while
// the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CEdgeIconFix final : public CTweakBase {
public:
    explicit CEdgeIconFix(const CWideString& id)
        : CTweakBase(id, u"EDGE Icon Fix",
                     u"This will allow the display of the Edge icon [E], instead of the screen "
                     u"always showing the GPRS icon [G].",
                     kCategoryTelephony),
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
    static inline const CWideString kKeyPath{u"\\Drivers\\BuiltIn\\RIL"};
    static inline const CWideString kValueName{u"EnableDifferGprsEdgeIcon"};
    static constexpr DWORD kEnabledData = 1;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCEdgeIconFix(const CWideString& id) { return new CEdgeIconFix(id); }
