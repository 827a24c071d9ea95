// CShowRemindersOnceOnly: "AutoSnoozeMins" of
// HKEY_CURRENT_USER\ControlPanel\Notifications\Reminders\AutoSnooze holds 0 while the tweak is
// enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CShowRemindersOnceOnly final : public CTweakBase {
public:
    explicit CShowRemindersOnceOnly(const CWideString& id)
        : CTweakBase(
              id, u"Show Reminders Once Only",
              u"By default, Reminders will keep alerting you for 2 minutes. This will change it to "
              u"a one-time event. N.B. This tweak may not work correctly on all models.",
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
    static inline const HKEY kRoot = HKEY_CURRENT_USER;
    static inline const CWideString kKeyPath{
        u"\\ControlPanel\\Notifications\\Reminders\\AutoSnooze"};
    static inline const CWideString kValueName{u"AutoSnoozeMins"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCShowRemindersOnceOnly(const CWideString& id) {
    return new CShowRemindersOnceOnly(id);
}
