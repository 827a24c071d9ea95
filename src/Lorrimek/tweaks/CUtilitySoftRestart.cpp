// CUtilitySoftRestart: restarts the device at once. It reports itself never enabled, so a toggle
// always restarts.
#include "DeviceActions.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CUtilitySoftRestart final : public CTweakBase {
public:
    explicit CUtilitySoftRestart(const CWideString& id)
        : CTweakBase(id, u"Quick SoftRestart", u"Quick soft restart.",
                     kCategoryEssentialUtilities) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::AnyPlatform); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasEnableOption() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return FALSE; }
    int Enable() override { return RestartDevice(); }
    int Backup() override { return kTweakOk; }
    int Restore() override { return kTweakOk; }
    int Disable() override { return kTweakOk; }
};

}  // namespace

CTweakBase* CreateCUtilitySoftRestart(const CWideString& id) { return new CUtilitySoftRestart(id); }
