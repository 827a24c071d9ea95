// CStoreIECasheToSD: "Cache" of
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders holds the text
// "\Storage Card\cacheie" while the tweak is enabled.
#include "SupportRule.h"
#include "TextValue.h"
#include "Tweaks.h"

namespace {

class CStoreIECasheToSD final : public CTweakBase {
public:
    explicit CStoreIECasheToSD(const CWideString& id)
        : CTweakBase(id, u"Store IE Cache to SD",
                     u"When browsing the web, pages and images are saved in the 'Temporary "
                     u"Internet Files' location.The tweak will change this location to your "
                     u"'Storage Card\\cacheie' folder. NOTE: You will need to make a 'cacheie' "
                     u"folder on your Storage Card.",
                     kCategoryInternet),
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
    static inline const CWideString kKeyPath{
        u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"};
    static inline const CWideString kValueName{u"Cache"};
    static inline const CWideString kEnabledText{u"\\Storage Card\\cacheie"};

    CTextValue m_value;
};

}  // namespace

CTweakBase* CreateCStoreIECasheToSD(const CWideString& id) { return new CStoreIECasheToSD(id); }
