// CKillKeyPressSound: "Script" of HKEY_CURRENT_USER\ControlPanel\Sounds\Keypress holds the empty
// text while the tweak is enabled.
#include "SupportRule.h"
#include "TextValue.h"
#include "Tweaks.h"

namespace {

class CKillKeyPressSound final : public CTweakBase {
public:
    explicit CKillKeyPressSound(const CWideString& id)
        : CTweakBase(id, u"Kill Keypress Sound", u"This tweak will mute the keypress sounds.",
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
    static inline const CWideString kKeyPath{u"\\ControlPanel\\Sounds\\Keypress"};
    static inline const CWideString kValueName{u"Script"};
    static inline const CWideString kEnabledText{u""};

    CTextValue m_value;
};

}  // namespace

CTweakBase* CreateCKillKeyPressSound(const CWideString& id) { return new CKillKeyPressSound(id); }
