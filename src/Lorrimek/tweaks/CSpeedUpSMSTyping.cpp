// CSpeedUpSMSTyping: "CharTimeout" of HKEY_CURRENT_USER\ControlPanel\Accessibility holds 650 while
// the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CSpeedUpSMSTyping final : public CTweakBase {
public:
    explicit CSpeedUpSMSTyping(const CWideString& id)
        : CTweakBase(id, u"Speed-Up Text/SMS Typing",
                     u"When texting, this enables you to type repeat-character keys with a shorter "
                     u"delay needed between key-presses. It applies for SMS, Contacts, Calendar, "
                     u"Tasks and all other software that have text editing.",
                     kCategoryTelephony),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldOpen) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOrSmartphone); }
    BOOL NeedsRestart() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_CURRENT_USER;
    static inline const CWideString kKeyPath{u"\\ControlPanel\\Accessibility"};
    static inline const CWideString kValueName{u"CharTimeout"};
    static constexpr DWORD kEnabledData = 650;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCSpeedUpSMSTyping(const CWideString& id) { return new CSpeedUpSMSTyping(id); }
