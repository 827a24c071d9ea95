// CStartMenuScrollBarSupport: "RockerSupport" of HKEY_CURRENT_USER\Software\Microsoft\Shell holds 1
// while the tweak is enabled; disabling writes 0 whatever was there before (Restore brings back the
// number found before).
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CStartMenuScrollBarSupport final : public CTweakBase {
public:
    explicit CStartMenuScrollBarSupport(const CWideString& id)
        : CTweakBase(id, u"StartMenu Scrollbar",
                     u"This tweak will enable or disable (old style Start Menu) ScrollBar "
                     u"support.",
                     kCategorySystem),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldOpen) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOrSmartphone); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return m_value.WriteTargetValue(kDisabledData); }

private:
    static inline const HKEY kRoot = HKEY_CURRENT_USER;
    static inline const CWideString kKeyPath{u"\\Software\\Microsoft\\Shell"};
    static inline const CWideString kValueName{u"RockerSupport"};
    static constexpr DWORD kEnabledData = 1;
    static constexpr DWORD kDisabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCStartMenuScrollBarSupport(const CWideString& id) {
    return new CStartMenuScrollBarSupport(id);
}
