// CKillBootUpMelody: "on" of HKEY_CURRENT_USER\ControlPanel\PowerOnWave holds 0 while the tweak is
// enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CKillBootUpMelody final : public CTweakBase {
public:
    explicit CKillBootUpMelody(const CWideString& id)
        : CTweakBase(id, u"Kill Boot-Up Melody",
                     u"This will remove the boot-up melody on Mpx220 and similar older phones that "
                     u"have this feature.",
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
    static inline const HKEY kRoot = HKEY_CURRENT_USER;
    static inline const CWideString kKeyPath{u"\\ControlPanel\\PowerOnWave"};
    static inline const CWideString kValueName{u"on"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCKillBootUpMelody(const CWideString& id) { return new CKillBootUpMelody(id); }
