// CAllowDownloadOfEXEFiles: "EditFlags" of HKEY_CLASSES_ROOT\exefile holds 65536 while the tweak is
// enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CAllowDownloadOfEXEFiles final : public CTweakBase {
public:
    explicit CAllowDownloadOfEXEFiles(const CWideString& id)
        : CTweakBase(id, u"Allow Download of EXE Files",
                     u"This will enable .EXE files to be downloaded in Pocket Internet Explorer.",
                     kCategoryInternet),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldCreate) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOrSmartphone); }
    BOOL NeedsRestart() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_CLASSES_ROOT;
    static inline const CWideString kKeyPath{u"\\exefile"};
    static inline const CWideString kValueName{u"EditFlags"};
    static constexpr DWORD kEnabledData = 65536;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCAllowDownloadOfEXEFiles(const CWideString& id) {
    return new CAllowDownloadOfEXEFiles(id);
}
