// CHideSIMcontacts: "ShowSim" of HKEY_CURRENT_USER\ControlPanel\Phone holds 0 while the tweak is
// enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CHideSIMcontacts final : public CTweakBase {
public:
    explicit CHideSIMcontacts(const CWideString& id)
        : CTweakBase(id, u"Hide SIM contacts",
                     u"This will prevent the display in the Contact List, of all contacts which "
                     u"are stored on the SIM card.",
                     kCategoryTelephony),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldOpen) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOrSmartphone); }
    BOOL NeedsRestart() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_CURRENT_USER;
    static inline const CWideString kKeyPath{u"\\ControlPanel\\Phone"};
    static inline const CWideString kValueName{u"ShowSim"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCHideSIMcontacts(const CWideString& id) { return new CHideSIMcontacts(id); }
