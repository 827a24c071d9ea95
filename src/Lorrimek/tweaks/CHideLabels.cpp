// CHideLabels: "hide_labels" of HKEY_CURRENT_USER\Software\Microsoft\Shell\StartMenu holds 1 while
// the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CHideLabels final : public CTweakBase {
public:
    explicit CHideLabels(const CWideString& id)
        : CTweakBase(id, u"Hide StartMenu labels",
                     u"This tweak will hide Start Menu labels under the icons. Name of highlighted "
                     u"icon will appear on Title Bar.",
                     kCategorySystem),
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
    static inline const CWideString kKeyPath{u"\\Software\\Microsoft\\Shell\\StartMenu"};
    static inline const CWideString kValueName{u"hide_labels"};
    static constexpr DWORD kEnabledData = 1;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCHideLabels(const CWideString& id) { return new CHideLabels(id); }
