// CCheckBattery: a direct link "Check Battery" in the Start menu to the settings page of battery
// and power. The tweak is enabled while the link file exists.
#include "CFajlovi.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CCheckBattery final : public CTweakBase {
public:
    explicit CCheckBattery(const CWideString& id)
        : CTweakBase(id, u"Check Battery  direct link",
                     u"Direct link to check detailed battery status.", kCategorySystem) {}

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
    static inline const CWideString kLinkPath{u"\\Windows\\Start Menu\\Check Battery.lnk"};
    static inline const CWideString kLinkContent{u"00#\"\\Windows\\settings.exe\" power.cpl.xml"};
};

}  // namespace

CTweakBase* CreateCCheckBattery(const CWideString& id) { return new CCheckBattery(id); }
