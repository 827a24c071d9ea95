// CTrueSMSDelete: "MaxDeletedMsgs" of HKEY_CURRENT_USER\Software\Microsoft\Inbox\SMSText holds 0
// while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CTrueSMSDelete final : public CTweakBase {
public:
    explicit CTrueSMSDelete(const CWideString& id)
        : CTweakBase(
              id, u"True SMS Delete",
              u"SMS Messages are not really deleted , phone makes a copy to Delete folder. This "
              u"tweak will make it possible a true SMS delete, delete folder will remain empty. "
              u"Great to keep your privacy if someone looks at your phone folders!",
              kCategoryTelephony),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::Mixed) {}

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
    static inline const CWideString kKeyPath{u"\\Software\\Microsoft\\Inbox\\SMSText"};
    static inline const CWideString kValueName{u"MaxDeletedMsgs"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCTrueSMSDelete(const CWideString& id) { return new CTrueSMSDelete(id); }
