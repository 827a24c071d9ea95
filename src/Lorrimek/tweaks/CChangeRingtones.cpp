// CChangeRingtones: a direct link "Change Ringtones" in the Start menu to the settings page of ring
// tones and sounds. The tweak is enabled while the link file exists.
#include "CFajlovi.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CChangeRingtones final : public CTweakBase {
public:
    explicit CChangeRingtones(const CWideString& id)
        : CTweakBase(id, u"Change Ringtones direct link", u"Direct link to ringtones settings.",
                     kCategorySound) {}

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
    static inline const CWideString kLinkPath{u"\\Windows\\Start Menu\\Change Ringtones.lnk"};
    static inline const CWideString kLinkContent{
        u"00#\"\\Windows\\settings.exe\" soundsgsm.cpl.xml"};
};

}  // namespace

CTweakBase* CreateCChangeRingtones(const CWideString& id) { return new CChangeRingtones(id); }
