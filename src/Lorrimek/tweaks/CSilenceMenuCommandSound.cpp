// CSilenceMenuCommandSound: "Sound" of HKEY_CURRENT_USER\ControlPanel\Sounds\MenuCommand holds the
// text "*none*" while the tweak is enabled.
#include "SupportRule.h"
#include "TextValue.h"
#include "Tweaks.h"

namespace {

class CSilenceMenuCommandSound final : public CTweakBase {
public:
    explicit CSilenceMenuCommandSound(const CWideString& id)
        : CTweakBase(id, u"Pop-Up Menu Sound", u"This will Silence the Pop-Up Menu sound.",
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
    static inline const CWideString kKeyPath{u"\\ControlPanel\\Sounds\\MenuCommand"};
    static inline const CWideString kValueName{u"Sound"};
    static inline const CWideString kEnabledText{u"*none*"};

    CTextValue m_value;
};

}  // namespace

CTweakBase* CreateCSilenceMenuCommandSound(const CWideString& id) {
    return new CSilenceMenuCommandSound(id);
}
