// CBigSMSfonts: "RichEditHostFontSize" of HKEY_LOCAL_MACHINE\Software\Microsoft\Inbox holds the
// text "14" while the tweak is enabled.
#include "SupportRule.h"
#include "TextValue.h"
#include "Tweaks.h"

namespace {

class CBigSMSfonts final : public CTweakBase {
public:
    explicit CBigSMSfonts(const CWideString& id)
        : CTweakBase(id, u"BIG SMS - Email Fonts",
                     u"Finaly you can see clearly what you type! This will increase SMS and "
                     u"email editor font size.",
                     kCategorySystem),
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
    static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
    static inline const CWideString kKeyPath{u"\\Software\\Microsoft\\Inbox"};
    static inline const CWideString kValueName{u"RichEditHostFontSize"};
    static inline const CWideString kEnabledText{u"14"};

    CTextValue m_value;
};

}  // namespace

CTweakBase* CreateCBigSMSfonts(const CWideString& id) { return new CBigSMSfonts(id); }
