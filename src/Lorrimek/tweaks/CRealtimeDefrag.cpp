// CRealtimeDefrag: the unnamed default value of
// HKEY_CURRENT_USER\Software\Microsoft\Shell\NeverDorkMemory holds 0 while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CRealtimeDefrag final : public CTweakBase {
public:
    explicit CRealtimeDefrag(const CWideString& id)
        : CTweakBase(id, u"Realtime Memory De-Frag.",
                     u"This tweak has the effect of freeing-up some memory in realtime.",
                     kCategorySystem),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldCreate) {}

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
    static inline const CWideString kKeyPath{u"\\Software\\Microsoft\\Shell\\NeverDorkMemory"};
    static inline const CWideString kValueName{u""};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCRealtimeDefrag(const CWideString& id) { return new CRealtimeDefrag(id); }
