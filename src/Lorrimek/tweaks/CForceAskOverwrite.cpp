// CForceAskOverwrite: "fAskOptions" of HKEY_LOCAL_MACHINE\Software\apps\Microsoft Application
// Installer holds 1 while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CForceAskOverwrite final : public CTweakBase {
public:
    explicit CForceAskOverwrite(const CWideString& id)
        : CTweakBase(id, u"Ask Before Over-Writing",
                     u"This will cause the phone to always ask permission to do so, before "
                     u"over-writing an already-existing installation.",
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
    static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
    static inline const CWideString kKeyPath{u"\\Software\\apps\\Microsoft Application Installer"};
    static inline const CWideString kValueName{u"fAskOptions"};
    static constexpr DWORD kEnabledData = 1;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCForceAskOverwrite(const CWideString& id) { return new CForceAskOverwrite(id); }
