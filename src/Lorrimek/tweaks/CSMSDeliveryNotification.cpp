// CSMSDeliveryNotification: "SMSDeliveryNotify" of
// HKEY_CURRENT_USER\Software\Microsoft\Inbox\Settings holds 1 while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CSMSDeliveryNotification final : public CTweakBase {
public:
    explicit CSMSDeliveryNotification(const CWideString& id)
        : CTweakBase(id, u"SMS Delivery Notification",
                     u"This will enable permanent SMS-delivery notification... Dependent upon your "
                     u"operator network support.",
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
    static inline const HKEY kRoot = HKEY_CURRENT_USER;
    static inline const CWideString kKeyPath{u"\\Software\\Microsoft\\Inbox\\Settings"};
    static inline const CWideString kValueName{u"SMSDeliveryNotify"};
    static constexpr DWORD kEnabledData = 1;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCSMSDeliveryNotification(const CWideString& id) {
    return new CSMSDeliveryNotification(id);
}
