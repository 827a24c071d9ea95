// CTurnOff: switches the device off by pressing its power key. It reports itself never enabled, so
// a toggle always presses the key.
#include "DeviceActions.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CTurnOff final : public CTweakBase {
public:
    explicit CTurnOff(const CWideString& id)
        : CTweakBase(id, u"Turn Off", u"Quick Turn Off device.", kCategoryEssentialUtilities) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::AnyPlatform); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasEnableOption() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return FALSE; }
    int Enable() override { return PressPowerKey(); }
    int Backup() override { return kTweakOk; }
    int Restore() override { return kTweakOk; }
    int Disable() override { return kTweakOk; }
};

}  // namespace

CTweakBase* CreateCTurnOff(const CWideString& id) { return new CTurnOff(id); }
