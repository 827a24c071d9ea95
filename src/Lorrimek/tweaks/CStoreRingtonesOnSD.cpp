// CStoreRingtonesOnSD: "Directory" of HKEY_CURRENT_USER\ControlPanel\SoundCategories\Ring holds the
// text "\Storage Card\" while the tweak is enabled.
#include "SupportRule.h"
#include "TextValue.h"
#include "Tweaks.h"

namespace {

class CStoreRingtonesOnSD final : public CTweakBase {
public:
    explicit CStoreRingtonesOnSD(const CWideString& id)
        : CTweakBase(id, u"Store Ringtones on SD",
                     u"This changes the location where the Smartphone will look for ringtones, "
                     u"to the Storage Card. Place the ringtones in 'Storage Card\\My "
                     u"Documents' or in 'Storage Card'.",
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
    static inline const CWideString kKeyPath{u"\\ControlPanel\\SoundCategories\\Ring\\"};
    static inline const CWideString kValueName{u"Directory"};
    static inline const CWideString kEnabledText{u"\\Storage Card\\"};

    CTextValue m_value;
};

}  // namespace

CTweakBase* CreateCStoreRingtonesOnSD(const CWideString& id) { return new CStoreRingtonesOnSD(id); }
