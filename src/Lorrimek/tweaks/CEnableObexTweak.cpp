// CEnableObexTweak: "IsEnabled" of HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Obex holds 1 while the
// tweak is enabled. The number found before the first change is saved as "ObexEnable".
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CEnableObexTweak final : public CTweakBase {
public:
    explicit CEnableObexTweak(const CWideString& id)
        : CTweakBase(id, u"Bluetooth OBEX File Transfer",
                     u"This enables the sending and receiving of files on your phone via the "
                     u"Bluetooth connection.",
                     kCategorySystem),
          m_value(kRoot, kKeyPath, kValueName, kBackupValueName, EDwordAccess::PerCall) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::AnyPlatform); }
    BOOL NeedsRestart() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
    static inline const CWideString kKeyPath{u"\\SOFTWARE\\Microsoft\\Obex"};
    static inline const CWideString kValueName{u"IsEnabled"};
    static inline const CWideString kBackupValueName{u"ObexEnable"};
    static constexpr DWORD kEnabledData = 1;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCEnableObexTweak(const CWideString& id) { return new CEnableObexTweak(id); }
