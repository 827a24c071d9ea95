// CGridViewToggle: "GridView" of HKEY_CURRENT_USER\Software\Microsoft\Shell\StartMenu holds 0 while
// the tweak is enabled.
#include "DwordValue.h"
#include "SupportRule.h"
#include "Tweaks.h"

namespace {

class CGridViewToggle final : public CTweakBase {
public:
    explicit CGridViewToggle(const CWideString& id)
        : CTweakBase(id, u"GridView Toggle",
                     u"Switches between standard WM5/WM6 Gridview and classic WM2003 List-style "
                     u"presentation.",
                     kCategorySystem),
          m_value(kRoot, kKeyPath, kValueName, kValueName, EDwordAccess::HeldOpen) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::SmartphoneOnly); }
    BOOL NeedsRestart() override { return FALSE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.ReadTargetValue() == kEnabledData; }
    int Enable() override { return m_value.WriteTargetValue(kEnabledData); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return Restore(); }

private:
    static inline const HKEY kRoot = HKEY_CURRENT_USER;
    static inline const CWideString kKeyPath{u"\\Software\\Microsoft\\Shell\\StartMenu"};
    static inline const CWideString kValueName{u"GridView"};
    static constexpr DWORD kEnabledData = 0;

    CDwordValue m_value;
};

}  // namespace

CTweakBase* CreateCGridViewToggle(const CWideString& id) { return new CGridViewToggle(id); }
