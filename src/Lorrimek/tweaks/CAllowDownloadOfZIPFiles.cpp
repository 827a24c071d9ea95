// CAllowDownloadOfZIPFiles: "EditFlags" of HKEY_CLASSES_ROOT\zipfile holds 65536 while the tweak is
// enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CAllowDownloadOfZIPFiles final : public CTweakBase {
public:
    explicit CAllowDownloadOfZIPFiles(const CWideString& id)
        : CTweakBase(id, u"Allow Download of ZIP Files",
                     u"This will enable .ZIP files to be downloaded in Pocket Internet Explorer.",
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
    static inline const CWideString kKeyPath{u"\\zipfile"};
    static inline const CWideString kValueName{u"EditFlags"};
    static constexpr DWORD kEnabledData = 65536;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCAllowDownloadOfZIPFiles(const CWideString& id) {
    return new CAllowDownloadOfZIPFiles(id);
}
