// CWiFiAndPhoneOn: "MutexFlag" of HKEY_LOCAL_MACHINE\SERVICES\WirelessMGR holds 0 while the tweak
// is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CWiFiAndPhoneOn final : public CTweakBase {
public:
    explicit CWiFiAndPhoneOn(const CWideString& id)
        : CTweakBase(id, u"WiFi and Phone On",
                     u"You will now be able to have wifi on while the phone is on. Some operaters "
                     u"dissabled this feature on purpose.",
                     kCategoryTelephony),
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
    static inline const CWideString kKeyPath{u"\\SERVICES\\WirelessMGR"};
    static inline const CWideString kValueName{u"MutexFlag"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCWiFiAndPhoneOn(const CWideString& id) { return new CWiFiAndPhoneOn(id); }
