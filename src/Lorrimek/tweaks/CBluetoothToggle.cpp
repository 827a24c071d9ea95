// CBluetoothToggle: switches the Bluetooth radio off when it is on (connectable or discoverable)
// and on, discoverable, otherwise.
#include "DeviceActions.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CBluetoothToggle final : public CTweakBase {
public:
    explicit CBluetoothToggle(const CWideString& id)
        : CTweakBase(id, u"Bluetooth Toggle",
                     u"Bluetooth Toggle, we suggest that you make shortcut and then assign to "
                     u"Speed-Dial button for fast access.",
                     kCategoryEssentialUtilities) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::AnyPlatform); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasEnableOption() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return IsBluetoothOn(); }
    int Enable() override { return ToggleBluetooth(); }
    int Backup() override { return kTweakOk; }
    int Restore() override { return kTweakOk; }
    int Disable() override { return Enable() == kTweakOk ? kTweakOk : kTweakDeviceToggleFailed; }
};

}  // namespace

CTweakBase* CreateCBluetoothToggle(const CWideString& id) { return new CBluetoothToggle(id); }
