// CLoopingAlarm: "Script" of HKEY_CURRENT_USER\ControlPanel\Sounds\Clock holds the text "apr" while
// the tweak is enabled. The key is created with the catalogue when it is missing.
#include "SupportRule.h"
#include "TextValue.h"
#include "Tweaks.h"

namespace {

class CLoopingAlarm final : public CTweakBase {
public:
    explicit CLoopingAlarm(const CWideString& id)
        : CTweakBase(id, u"Looping Alarm",
                     u"This will force the alarm to play continuously, until you cancel it.",
                     kCategorySound),
          m_value(kRoot, kKeyPath, kValueName, kValueName, TRUE, ETextKind::Text) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOrSmartphone); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.Holds(kEnabledText); }
    int Enable() override { return m_value.WriteTargetText(kEnabledText); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_CURRENT_USER;
    static inline const CWideString kKeyPath{u"\\ControlPanel\\Sounds\\Clock"};
    static inline const CWideString kValueName{u"Script"};
    static inline const CWideString kEnabledText{u"apr"};

    CTextValue m_value;
};

}  // namespace

CTweakBase* CreateCLoopingAlarm(const CWideString& id) { return new CLoopingAlarm(id); }
