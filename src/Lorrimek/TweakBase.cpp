#include <Lorrimek/TweakBase.h>
#include <ProductLayout/Store.h>

#include "FirstBackupLock.h"

namespace {

CWideString StorePath(EStoreFolder folder, const CWideString& id) {
    return CWideString(StoreKeyPath(folder, id.View()));
}

}  // namespace

CTweakBase::CTweakBase(const CWideString& id, const CWideString& name,
                       const CWideString& description, int category)
    : m_id(id),
      m_name(name),
      m_description(description),
      m_category(category),
      m_backupKey(HKEY_LOCAL_MACHINE, StorePath(kStoreBackup, id)),
      m_settingsKey(HKEY_LOCAL_MACHINE, StorePath(kStoreSettings, id)) {}

// The members close the settings key, then the backup key, then free the strings.
CTweakBase::~CTweakBase() = default;

BOOL CTweakBase::IsSupported() { return TRUE; }
BOOL CTweakBase::Configure() { return FALSE; }
BOOL CTweakBase::NeedsRestart() { return FALSE; }
BOOL CTweakBase::SupportsToggleShortcut() { return TRUE; }
BOOL CTweakBase::HasEnableOption() { return TRUE; }

int CTweakBase::DoBackupIfNeeded() {
    // A mark once set is never cleared, so a set one needs no lock (this read never writes).
    const DWORD mark = m_settingsKey.ReadDWORD(kBackupDoneValue, kReadDefaultSentinel);
    if (mark != 0 && mark != kReadDefaultSentinel) return kTweakOk;

    const CFirstBackupLock lock;
    if (!lock.IsHeld()) return kTweakRegistryWriteFailed;
    // Reading with the default 0 creates "BackupDone" = 0 when it is missing.
    if (m_settingsKey.ReadDWORD(kBackupDoneValue, 0) != 0) return kTweakOk;
    const int result = Backup();
    if (result != kTweakOk) return result;
    // Without the mark the backup would be taken again, of a state this system may have changed.
    return m_settingsKey.WriteDWORD(kBackupDoneValue, 1) ? kTweakOk : kTweakRegistryWriteFailed;
}
