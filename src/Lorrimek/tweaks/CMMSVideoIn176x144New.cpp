// CMMSVideoIn176x144New: "VideoMode" of HKEY_LOCAL_MACHINE\Software\Arcsoft\Arcsoft MMS
// UA\Config\Capture holds 1 while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CMMSVideoIn176x144New final : public CTweakBase {
public:
    explicit CMMSVideoIn176x144New(const CWideString& id)
        : CTweakBase(
              id, u"MMS/Video in 176x144 New",
              u"When sending MMS and capturing video, the phone always uses 3gp at 128x96 "
              u"resolution. The tweak will change this to always using MP4 in 176x144 resolution.",
              kCategorySystem),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldOpen) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::MMSVideoNewer); }
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
        u"\\Software\\Arcsoft\\Arcsoft MMS UA\\Config\\Capture"};
    static inline const CWideString kValueName{u"VideoMode"};
    static constexpr DWORD kEnabledData = 1;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCMMSVideoIn176x144New(const CWideString& id) {
    return new CMMSVideoIn176x144New(id);
}
