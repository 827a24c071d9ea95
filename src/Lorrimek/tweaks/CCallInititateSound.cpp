// CCallInititateSound: "InitVol" of HKEY_CURRENT_USER\ControlPanel\SoundCategories\CallStart holds
// 0 while the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CCallInititateSound final : public CTweakBase {
public:
    explicit CCallInititateSound(const CWideString& id)
        : CTweakBase(id, u"Disable Call-Initiate Sound",
                     u"This silences the Call initiation beep sound heard on pressing the Green "
                     u"call-button.",
                     kCategoryTelephony),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::PerCall) {}

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
    static inline const CWideString kKeyPath{u"\\ControlPanel\\SoundCategories\\CallStart"};
    static inline const CWideString kValueName{u"InitVol"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCCallInititateSound(const CWideString& id) { return new CCallInititateSound(id); }
