// CBluetoothBeam: a direct link "Bluetooth beam" in the Start menu to the settings page of
// receiving beamed data. The tweak is enabled while the link file exists.
#include "CFajlovi.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CBluetoothBeam final : public CTweakBase {
public:
    explicit CBluetoothBeam(const CWideString& id)
        : CTweakBase(id, u"Bluetooth Beam direct link",
                     u"Direct link to enable or dissable your phone to recive data beamed from "
                     u"other devices.",
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
    static inline const CWideString kLinkPath{u"\\Windows\\Start Menu\\Bluetooth beam.lnk"};
    static inline const CWideString kLinkContent{u"00#\"\\Windows\\settings.exe\" beam.cpl.xml"};
};

}  // namespace

CTweakBase* CreateCBluetoothBeam(const CWideString& id) { return new CBluetoothBeam(id); }
