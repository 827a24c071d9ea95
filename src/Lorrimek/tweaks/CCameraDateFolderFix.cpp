// CCameraDateFolderFix: "EnableDateFolder" of HKEY_LOCAL_MACHINE\Software\HTC\Camera\Captparam
// holds 1 while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CCameraDateFolderFix final : public CTweakBase {
public:
    explicit CCameraDateFolderFix(const CWideString& id)
        : CTweakBase(id, u"Camera Date Folder Fix",
                     u"This saves each picture and video that you take, into a dated folder, which "
                     u"is created in your default picture/video save section.",
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
    static inline const CWideString kKeyPath{u"\\Software\\HTC\\Camera\\Captparam"};
    static inline const CWideString kValueName{u"EnableDateFolder"};
    static constexpr DWORD kEnabledData = 1;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCCameraDateFolderFix(const CWideString& id) {
    return new CCameraDateFolderFix(id);
}
