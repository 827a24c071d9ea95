// CBluetoothAudio: routes the sound to a Bluetooth headset through the audio gateway "BAG0:"
// (control code 1); an explicit Disable routes it back (code 2). It reports itself never enabled,
// so a toggle always routes to the headset.
#include "DeviceActions.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CBluetoothAudio final : public CTweakBase {
public:
    explicit CBluetoothAudio(const CWideString& id)
        : CTweakBase(id, u"Bluetooth Audio",
                     u"This will route all sounds from your system  from the internal speaker "
                     u"to your BlueTooth headset enabling you to listen your music stored on "
                     u"your device without corded headset!.",
                     kCategoryEssentialUtilities) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::AnyPlatform); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasEnableOption() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return FALSE; }
    int Enable() override { return SendAudioControl(kToHeadset); }
    int Backup() override { return kTweakOk; }
    int Restore() override { return kTweakOk; }
    int Disable() override { return SendAudioControl(kToSpeaker); }

private:
    static constexpr DWORD kToHeadset = 1;
    static constexpr DWORD kToSpeaker = 2;
};

}  // namespace

CTweakBase* CreateCBluetoothAudio(const CWideString& id) { return new CBluetoothAudio(id); }
