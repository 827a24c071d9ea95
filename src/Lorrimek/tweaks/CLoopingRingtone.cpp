// CLoopingRingtone: "Script" of HKEY_CURRENT_USER\ControlPanel\Sounds\RingTone0 holds the text
// "apr" while the tweak is enabled.
#include "SupportRule.h"
#include "TextValue.h"
#include "Tweaks.h"

namespace {

class CLoopingRingtone final : public CTweakBase {
public:
    explicit CLoopingRingtone(const CWideString& id)
        : CTweakBase(id, u"Looping Ringtone",
                     u"This will disable the 3 second delay interval whilst playing a ringtone.",
                     kCategorySound),
          m_value(kRoot, kKeyPath, kValueName, kValueName, FALSE, ETextKind::Text) {}

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
    static inline const CWideString kKeyPath{u"\\ControlPanel\\Sounds\\RingTone0"};
    static inline const CWideString kValueName{u"Script"};
    static inline const CWideString kEnabledText{u"apr"};

    CTextValue m_value;
};

}  // namespace

CTweakBase* CreateCLoopingRingtone(const CWideString& id) { return new CLoopingRingtone(id); }
