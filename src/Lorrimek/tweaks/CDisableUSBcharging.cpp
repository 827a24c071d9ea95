// CDisableUSBcharging: "EnableUsbCharging" of HKEY_LOCAL_MACHINE\Drivers\BuiltIn\Usbfndrv holds 0
// while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CDisableUSBcharging final : public CTweakBase {
public:
    explicit CDisableUSBcharging(const CWideString& id)
        : CTweakBase(id, u"Disable USB Charging",
                     u"Every time you plug in your Windows mobile device in to the laptop via USB "
                     u"cable it starts charging the device cousing a double power consumtion on "
                     u"your laptop. Allow your windows mobile phone to connect via USB without "
                     u"consuming power from your laptop.",
                     kCategorySystem),
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
    static inline const CWideString kKeyPath{u"\\Drivers\\BuiltIn\\Usbfndrv"};
    static inline const CWideString kValueName{u"EnableUsbCharging"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCDisableUSBcharging(const CWideString& id) { return new CDisableUSBcharging(id); }
