// CAlarm: a direct link "Alarm" in the Start menu to the settings page of alarm. The tweak is
// enabled while the link file exists.
#include "CFajlovi.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CAlarm final : public CTweakBase {
public:
    explicit CAlarm(const CWideString& id)
        : CTweakBase(id, u"Alarm direct link",
                     u"This will make a Start menu shortcut with direct link to Alarm.",
                     kCategorySystem) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::SmartphoneOnly); }
    BOOL NeedsRestart() override { return FALSE; }
    BOOL SupportsToggleShortcut() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return LinkExists(kLinkPath); }
    int Enable() override { return WriteLink(kLinkPath, kLinkContent); }
    int Backup() override { return kTweakOk; }
    int Restore() override { return kTweakOk; }
    int Disable() override { return RemoveLink(kLinkPath); }

private:
    static inline const CWideString kLinkPath{u"\\Windows\\Start Menu\\Alarm.lnk"};
    static inline const CWideString kLinkContent{u"00#\"\\Windows\\settings.exe\" alarm.cpl.xml"};
};

}  // namespace

CTweakBase* CreateCAlarm(const CWideString& id) { return new CAlarm(id); }
