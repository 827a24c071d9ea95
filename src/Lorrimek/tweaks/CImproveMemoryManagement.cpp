// CImproveMemoryManagement: "ProgramMem" of HKEY_LOCAL_MACHINE\Software\Microsoft\Shell\LowMem
// holds 96 while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CImproveMemoryManagement final : public CTweakBase {
public:
    explicit CImproveMemoryManagement(const CWideString& id)
        : CTweakBase(id, u"Improve Mem.Management",
                     u"This increases from 18 to 96, the number of programs to stay resident in "
                     u"memory without the OS shutting them down. N.B. This value is may already be "
                     u"set to  96 depending of model.",
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
    static inline const CWideString kKeyPath{u"\\Software\\Microsoft\\Shell\\LowMem"};
    static inline const CWideString kValueName{u"ProgramMem"};
    static constexpr DWORD kEnabledData = 96;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCImproveMemoryManagement(const CWideString& id) {
    return new CImproveMemoryManagement(id);
}
