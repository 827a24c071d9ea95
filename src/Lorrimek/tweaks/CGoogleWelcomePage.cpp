// CGoogleWelcomePage: "Search Page" of HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\Main
// holds the text "http://www.google.com/m/search?mrestrict=xhtml&q=%s&site=search" while the tweak
// is enabled.
#include "SupportRule.h"
#include "TextValue.h"
#include "Tweaks.h"

namespace {

class CGoogleWelcomePage final : public CTweakBase {
public:
    explicit CGoogleWelcomePage(const CWideString& id)
        : CTweakBase(id, u"Google Welcome Page",
                     u"Change Windows Mobile 6 integrated web search 'Welcome Page' to Google "
                     u"mobile optimised web search page.",
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
    static inline const CWideString kValueName{u"Search Page"};
    static inline const CWideString kEnabledText{
        u"http://www.google.com/m/search?mrestrict=xhtml&q=%s&site=search"};

    CTextValue m_value;
};

}  // namespace

CTweakBase* CreateCGoogleWelcomePage(const CWideString& id) { return new CGoogleWelcomePage(id); }
