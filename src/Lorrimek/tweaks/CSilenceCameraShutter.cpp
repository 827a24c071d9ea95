// CSilenceCameraShutter: "Shutter sound" of HKEY_LOCAL_MACHINE\Software\ArcSoft\Camera holds 0
// while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CSilenceCameraShutter final : public CTweakBase {
public:
    explicit CSilenceCameraShutter(const CWideString& id)
        : CTweakBase(
              id, u"Silence Camera Shutter old",
              u"This will silence the sound of the Camera Shutter. NOTE: Applies for older models.",
              kCategorySound),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldOpen) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOrSmartphone); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
    static inline const CWideString kKeyPath{u"\\Software\\ArcSoft\\Camera"};
    static inline const CWideString kValueName{u"Shutter sound"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCSilenceCameraShutter(const CWideString& id) {
    return new CSilenceCameraShutter(id);
}
