// CPreventCABfileDeletation: the value named "Default" of
// HKEY_CLASSES_ROOT\cabfile\Shell\open\command (the command that installs a CAB file) holds
// `wceload.exe "%1" /nodelete` while the tweak is enabled, and `wceload.exe "%1"` once it is
// disabled; only Restore brings back the command found before.
#include "SupportRule.h"
#include "TextValue.h"
#include "Tweaks.h"

namespace {

class CPreventCABfileDeletation final : public CTweakBase {
public:
    explicit CPreventCABfileDeletation(const CWideString& id)
        : CTweakBase(id, u"Prevent CAB-File Deletion",
                     u"This will prevent the automatic deletion of CAB-files after activating "
                     u"them, allowing you to re-use them if necessary.",
                     kCategorySystem),
          m_value(kRoot, kKeyPath, kValueName, kValueName, FALSE, ETextKind::Text) {}

    BOOL IsSupported() override { return IsSupportedBy(ESupportRule::PocketPCOrSmartphone); }
    BOOL NeedsRestart() override { return TRUE; }
    BOOL HasConfiguration() override { return FALSE; }
    BOOL IsEnabled() override { return m_value.Holds(kEnabledText); }
    int Enable() override { return m_value.WriteTargetText(kEnabledText); }
    int Backup() override { return m_value.Backup(BackupKey()); }
    int Restore() override { return m_value.Restore(BackupKey()); }
    int Disable() override { return m_value.WriteTargetText(kDisabledText); }

private:
    static inline const HKEY kRoot = HKEY_CLASSES_ROOT;
    static inline const CWideString kKeyPath{u"\\cabfile\\Shell\\open\\command"};
    static inline const CWideString kValueName{u"Default"};
    static inline const CWideString kEnabledText{u"wceload.exe \"%1\" /nodelete"};
    static inline const CWideString kDisabledText{u"wceload.exe \"%1\""};

    CTextValue m_value;
};

}  // namespace

CTweakBase* CreateCPreventCABfileDeletation(const CWideString& id) {
    return new CPreventCABfileDeletation(id);
}
