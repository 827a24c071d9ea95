// CEnable4WAYNavi: "4-Way Nav" of HKEY_LOCAL_MACHINE\Software\Microsoft\Internet
// Explorer\Navigation holds 0 while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CEnable4WAYNavi final : public CTweakBase {
public:
    explicit CEnable4WAYNavi(const CWideString& id)
        : CTweakBase(id, u"Enable 4-way navigation",
                     u"By default, the navigation button is bi-directional. You can only go up or "
                     u"down. This tweak will enable fast scrolling 4-way navigation which comes in "
                     u"handy when you access sites not optimized for mobile access.",
                     kCategoryInternet),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldOpen) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOnly); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
    static inline const CWideString kKeyPath{
        u"\\Software\\Microsoft\\Internet Explorer\\Navigation"};
    static inline const CWideString kValueName{u"4-Way Nav"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCEnable4WAYNavi(const CWideString& id) { return new CEnable4WAYNavi(id); }
