#include <Lorrimek/TweakBase.h>

#include "FirstBackupLock.h"

namespace {

const WCHAR kStoreRoot[] = u"Software\\Quenvale";
const WCHAR kBackupFolder[] = u"\\TweaksBackup";
const WCHAR kSettingsFolder[] = u"\\TweaksSettings";
const WCHAR kSeparator[] = u"\\";
const WCHAR kBackupDone[] = u"BackupDone";

CWideString StorePath(LPCWSTR folder, const CWideString& id) {
    return CWideString(kStoreRoot) + CWideString(folder) + CWideString(kSeparator) + id;
}

}  // namespace

CTweakBase::CTweakBase(const CWideString& id, const CWideString& name,
                       const CWideString& description, int category)
    : m_id(id),
      m_name(name),
      m_description(description),
      m_category(category),
      m_backupKey(HKEY_LOCAL_MACHINE, StorePath(kBackupFolder, id)),
      m_settingsKey(HKEY_LOCAL_MACHINE, StorePath(kSettingsFolder, id)) {}

// The members close the settings key, then the backup key, then free the strings.
CTweakBase::~CTweakBase() = default;

BOOL CTweakBase::IsSupported() { return TRUE; }
BOOL CTweakBase::Configure() { return FALSE; }
BOOL CTweakBase::NeedsRestart() { return FALSE; }
BOOL CTweakBase::SupportsToggleShortcut() { return TRUE; }
BOOL CTweakBase::HasEnableOption() { return TRUE; }

int CTweakBase::DoBackupIfNeeded() {
    // A mark once set is never cleared, so a set one needs no lock (this read never writes).
    const DWORD mark = m_settingsKey.ReadDWORD(kBackupDone, kReadDefaultSentinel);
    if (mark != 0 && mark != kReadDefaultSentinel) return kTweakOk;

    const CFirstBackupLock lock;
    if (!lock.IsHeld()) return kTweakRegistryWriteFailed;
    // Reading with the default 0 creates "BackupDone" = 0 when it is missing.
    if (m_settingsKey.ReadDWORD(kBackupDone, 0) != 0) return kTweakOk;
    const int result = Backup();
    if (result != kTweakOk) return result;
    // Without the mark the backup would be taken again, of a state this system may have changed.
    return m_settingsKey.WriteDWORD(kBackupDone, 1) ? kTweakOk : kTweakRegistryWriteFailed;
}
