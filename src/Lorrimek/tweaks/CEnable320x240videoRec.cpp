// CEnable320x240videoRec: "OptionNum" of
// HKEY_LOCAL_MACHINE\Software\Microsoft\Pictures\Camera\OEM\VideoProfile holds 3 while the tweak is
// enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CEnable320x240videoRec final : public CTweakBase {
public:
    explicit CEnable320x240videoRec(const CWideString& id)
        : CTweakBase(id, u"Enable 320x240 video recording",
                     u"Enable 320x240 video recording on the Motorola Q9H and and other models "
                     u"that do not have menu option for changing the video recording resolution.",
                     kCategorySystem),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldOpen) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOrSmartphone); }
    BOOL NeedsRestart() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
    static inline const CWideString kKeyPath{
        u"\\Software\\Microsoft\\Pictures\\Camera\\OEM\\VideoProfile"};
    static inline const CWideString kValueName{u"OptionNum"};
    static constexpr DWORD kEnabledData = 3;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCEnable320x240videoRec(const CWideString& id) {
    return new CEnable320x240videoRec(id);
}
