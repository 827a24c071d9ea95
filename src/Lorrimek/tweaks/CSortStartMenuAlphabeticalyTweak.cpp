// CSortStartMenuAlphabeticalyTweak: the shell's Start-menu order list "Order" of
// HKEY_CURRENT_USER\Software\Microsoft\Shell\StartMenu is replaced by a one-entry list naming
// "ActiveSync.lnk"; the shell then sorts the rest itself. The backup keeps only the first entry of
// the list found before.
#include "SupportRule.h"
#include "TextValue.h"
#include "Tweaks.h"

namespace {

class CSortStartMenuAlphabeticalyTweak final : public CTweakBase {
public:
    explicit CSortStartMenuAlphabeticalyTweak(const CWideString& id)
        : CTweakBase(id, u"Sort StartMenu Alphabetically",
                     u"Finally have your Start Menu sorted Alphabetically. WARRNING: This "
                     u"tweak can not be reversed. This is becasue if you have installed some "
                     u"software after this tweak, it will be deleted as old backup of this "
                     u"tweak have the old state of StartMenu links.",
                     kCategorySystem),
          m_value(kRoot, kKeyPath, kValueName, kValueName, FALSE, ETextKind::List) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::SmartphoneOnly); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.Holds(kEnabledText); }
    int Enable() override { return m_value.WriteTargetText(kEnabledText); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_CURRENT_USER;
    static inline const CWideString kKeyPath{u"\\Software\\Microsoft\\Shell\\StartMenu"};
    static inline const CWideString kValueName{u"Order"};
    static inline const CWideString kEnabledText{u"ActiveSync.lnk"};

    CTextValue m_value;
};

}  // namespace

CTweakBase* CreateCSortStartMenuAlphabeticalyTweak(const CWideString& id) {
    return new CSortStartMenuAlphabeticalyTweak(id);
}
