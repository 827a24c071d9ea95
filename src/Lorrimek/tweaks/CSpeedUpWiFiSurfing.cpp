// CSpeedUpWiFiSurfing: "MaxConnectionsPerServer" of
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings holds 16 while the
// tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CSpeedUpWiFiSurfing final : public CTweakBase {
public:
    explicit CSpeedUpWiFiSurfing(const CWideString& id)
        : CTweakBase(id, u"Speed-Up WiFi Surfing",
                     u"This increases the number of files that will be loaded at any one time from "
                     u"a webpage. It makes a big difference when viewing picture-intensive pages "
                     u"and speeds-up both GPRS and WiFi browsing.",
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
    static inline const CWideString kValueName{u"MaxConnectionsPerServer"};
    static constexpr DWORD kEnabledData = 16;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCSpeedUpWiFiSurfing(const CWideString& id) { return new CSpeedUpWiFiSurfing(id); }
