#include "DwordValue.h"

#include <Lorrimek/TweakBase.h>

CDwordValue::CDwordValue(HKEY root, const CWideString& keyPath, const CWideString& valueName,
                         const CWideString& backupValueName, EDwordAccess access)
    : m_root(root),
      m_keyPath(keyPath),
      m_valueName(valueName),
      m_backupValueName(backupValueName),
      m_access(access) {
    switch (m_access) {
        case EDwordAccess::HeldOpen:
            m_heldKey.emplace(m_root, m_keyPath.GetString(), FALSE);
            break;
        case EDwordAccess::HeldCreate:
        case EDwordAccess::Mixed:
            m_heldKey.emplace(m_root, m_keyPath.GetString(), TRUE);
            break;
        case EDwordAccess::PerCall:
            break;
    }
}

DWORD CDwordValue::ReadTargetValue() {
    DWORD value;
    if (m_access == EDwordAccess::HeldOpen || m_access == EDwordAccess::HeldCreate) {
        value = m_heldKey->ReadDWORD(m_valueName, kReadDefaultSentinel);
    } else {
        // Reading must not create the key.
        CRegistry key(m_root, m_keyPath.GetString(), FALSE);
        value = key.ReadDWORD(m_valueName, kReadDefaultSentinel);
    }
    return value == kReadDefaultSentinel ? kAbsentValueMarker : value;
}

int CDwordValue::WriteTargetValue(DWORD value) {
    BOOL written;
    if (m_heldKey) {
        written = m_heldKey->WriteDWORD(m_valueName, value);
    } else {
        CRegistry key(m_root, m_keyPath.GetString(), TRUE);
        written = key.WriteDWORD(m_valueName, value);
    }
    return written ? kTweakOk : kTweakRegistryWriteFailed;
}

int CDwordValue::DeleteTargetValue() {
    BOOL deleted;
    if (m_heldKey) {
        deleted = m_heldKey->DeleteValueIfPresent(m_valueName);
    } else {
        CRegistry key(m_root, m_keyPath.GetString(), FALSE);
        deleted = key.DeleteValueIfPresent(m_valueName);
    }
    return deleted ? kTweakOk : kTweakRegistryWriteFailed;
}

int CDwordValue::Backup(CRegistry& backupKey) {
    return backupKey.WriteDWORD(m_backupValueName, ReadTargetValue()) ? kTweakOk
                                                                      : kTweakRegistryWriteFailed;
}

int CDwordValue::Restore(CRegistry& backupKey) {
    const DWORD saved = backupKey.ReadDWORD(m_backupValueName, kReadDefaultSentinel);
    // Nothing was ever saved: there is no earlier state to return to.
    if (saved == kReadDefaultSentinel) return kTweakOk;
    if (saved == kAbsentValueMarker) return DeleteTargetValue();
    return WriteTargetValue(saved);
}
