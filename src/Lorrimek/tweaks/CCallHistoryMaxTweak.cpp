// CCallHistoryMaxTweak: "CallHistoryMax" of HKEY_CURRENT_USER\ControlPanel\Phone holds 500 while
// the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CCallHistoryMaxTweak final : public CTweakBase {
public:
    explicit CCallHistoryMaxTweak(const CWideString& id)
        : CTweakBase(id, u"Set CallHistory to MAX",
                     u"The default CallHistory storage is limited to 100 records, this will "
                     u"increase the limit to 500.",
                     kCategoryTelephony),
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
    static inline const HKEY kRoot = HKEY_CURRENT_USER;
    static inline const CWideString kKeyPath{u"\\ControlPanel\\Phone"};
    static inline const CWideString kValueName{u"CallHistoryMax"};
    static constexpr DWORD kEnabledData = 500;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCCallHistoryMaxTweak(const CWideString& id) {
    return new CCallHistoryMaxTweak(id);
}
