// CGoogleMobileSearch: "SearchURL" of HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\Main
// holds the text "http://www.google.com/m/search?mrestrict=xhtml&site=search&q=" while the tweak is
// enabled.
#include "SupportRule.h"
#include "TextValue.h"
#include "Tweaks.h"

namespace {

class CGoogleMobileSearch final : public CTweakBase {
public:
    explicit CGoogleMobileSearch(const CWideString& id)
        : CTweakBase(id, u"Google Mobile Search Box",
                     u"Change Windows Mobile 6 integrated web search functionality, 'Windows "
                     u"Live' Search Box from Windows to Google mobile optimised search.",
                     kCategoryInternet),
          m_value(kRoot, kKeyPath, kValueName, kValueName, FALSE, ETextKind::Text) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOrSmartphone); }
    BOOL NeedsRestart() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.Holds(kEnabledText); }
    int Enable() override { return m_value.WriteTargetText(kEnabledText); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_CURRENT_USER;
    static inline const CWideString kKeyPath{u"\\Software\\Microsoft\\Internet Explorer\\Main"};
    static inline const CWideString kValueName{u"SearchURL"};
    static inline const CWideString kEnabledText{
        u"http://www.google.com/m/search?mrestrict=xhtml&site=search&q="};

    CTextValue m_value;
};

}  // namespace

CTweakBase* CreateCGoogleMobileSearch(const CWideString& id) { return new CGoogleMobileSearch(id); }
