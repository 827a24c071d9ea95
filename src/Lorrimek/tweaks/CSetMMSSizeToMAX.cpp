// CSetMMSSizeToMAX: "SendLimit3" of HKEY_LOCAL_MACHINE\Software\Arcsoft\Arcsoft MMS
// UA\Config\UI\SizeLimit holds 1024000 while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CSetMMSSizeToMAX final : public CTweakBase {
public:
    explicit CSetMMSSizeToMAX(const CWideString& id)
        : CTweakBase(id, u"Set MMS-Size to MAX",
                     u"The default MMS maximum send-size is 256Kb. This will increase the limit to "
                     u"1Mb, so that you can send much larger MMS's. NOTE: You need to alter the "
                     u"MMS account settings in your phone to maximum, after activating this tweak.",
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
    static inline const CWideString kKeyPath{
        u"\\Software\\Arcsoft\\Arcsoft MMS UA\\Config\\UI\\SizeLimit"};
    static inline const CWideString kValueName{u"SendLimit3"};
    static constexpr DWORD kEnabledData = 1024000;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCSetMMSSizeToMAX(const CWideString& id) { return new CSetMMSSizeToMAX(id); }
