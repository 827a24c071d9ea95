// CTurnOffSMSSentTweak: "SMSNoSentMsg" of HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Inbox\Settings
// holds 1 while the tweak is enabled. The number found before the first change is saved as
// "TurnOffSMSSent".
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CTurnOffSMSSentTweak final : public CTweakBase {
public:
    explicit CTurnOffSMSSentTweak(const CWideString& id)
        : CTweakBase(id, u"SMS-Sent Notification",
                     u"This switches OFF the SMS-sent notification, normally displayed on-screen "
                     u"after sending each message.",
                     kCategoryTelephony),
          m_value(kRoot, kKeyPath, kValueName, kBackupValueName, EDwordAccess::PerCall) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOrSmartphone); }
    BOOL NeedsRestart() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
    static inline const CWideString kKeyPath{u"\\SOFTWARE\\Microsoft\\Inbox\\Settings"};
    static inline const CWideString kValueName{u"SMSNoSentMsg"};
    static inline const CWideString kBackupValueName{u"TurnOffSMSSent"};
    static constexpr DWORD kEnabledData = 1;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCTurnOffSMSSentTweak(const CWideString& id) {
    return new CTurnOffSMSSentTweak(id);
}
