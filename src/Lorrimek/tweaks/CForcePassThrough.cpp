// CForcePassThrough: "EnableAutoDetect" of
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings holds 1 while the
// tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CForcePassThrough final : public CTweakBase {
public:
    explicit CForcePassThrough(const CWideString& id)
        : CTweakBase(
              id, u"Force Internet Pass through",
              u"If you have trouble using your PC internet connection as Pass thorugh, this tweak "
              u"will force your device will to automatically suspend all active connections on "
              u"device (GPRS, 3G, ...) and use the connection on the PC instead.",
              kCategoryInternet),
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
    static inline const CWideString kKeyPath{
        u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"};
    static inline const CWideString kValueName{u"EnableAutoDetect"};
    static constexpr DWORD kEnabledData = 1;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCForcePassThrough(const CWideString& id) { return new CForcePassThrough(id); }
