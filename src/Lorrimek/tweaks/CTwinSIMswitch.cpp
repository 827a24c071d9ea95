// CTwinSIMswitch: "MultiLine Capabilities" of HKEY_LOCAL_MACHINE\System\State\Phone holds 1 while
// the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CTwinSIMswitch final : public CTweakBase {
public:
    explicit CTwinSIMswitch(const CWideString& id)
        : CTweakBase(
              id, u"Enable Twin SIM Switch",
              u"Some SIM cards allow for two phone numbers to be used on one card. This tweak will "
              u"activate the line toggle. Press and Hold # to switch between Line 1 and Line 2.",
              kCategoryTelephony),
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
    static inline const CWideString kKeyPath{u"\\System\\State\\Phone"};
    static inline const CWideString kValueName{u"MultiLine Capabilities"};
    static constexpr DWORD kEnabledData = 1;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCTwinSIMswitch(const CWideString& id) { return new CTwinSIMswitch(id); }
