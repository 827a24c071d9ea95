// CAlarmClock: a direct link "Alarm and Clock" in the Start menu to the settings page of clock and
// alarms. The tweak is enabled while the link file exists.
#include "CFajlovi.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CAlarmClock final : public CTweakBase {
public:
    explicit CAlarmClock(const CWideString& id)
        : CTweakBase(id, u"Alarm and Clock direct link",
                     u"This will make a Start menu shortcut with direct link to Alarm and "
                     u"Clock.",
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
    static inline const CWideString kLinkPath{u"\\Windows\\Start Menu\\Alarm and Clock.lnk"};
    static inline const CWideString kLinkContent{
        u"00#\"\\Windows\\settings.exe\" clckalrm.cpl.xml"};
};

}  // namespace

CTweakBase* CreateCAlarmClock(const CWideString& id) { return new CAlarmClock(id); }
