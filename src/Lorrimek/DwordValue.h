// CDwordValue: the registry mechanics of a tweak whose whole state is one DWORD value (its target
// value). Enabling writes a fixed number; the backup records the number found before, or
// kAbsentValueMarker when there was none; restoring writes that number back or deletes the value.
//
// Every read passes kReadDefaultSentinel, so reads never write; a target value that cannot be read
// as a DWORD (missing, no key, longer data) reads as kAbsentValueMarker. A value that really holds
// 57072 or 9999999 is therefore taken for a missing one.
#pragma once

#include <Lorrimek/Registry.h>
#include <Lorrimek/WideString.h>
#include <windows.h>

#include <optional>

// The number a backup holds for a target value that did not exist.
constexpr DWORD kAbsentValueMarker = 9999999;  // 0x98967F

// How the target key is reached.
enum class EDwordAccess {
    HeldOpen,    // one key object for the tweak's life; a key missing at construction stays
                 // unreachable
    HeldCreate,  // one key object for the tweak's life, creating the key at construction
    PerCall,     // a key object per operation: reads and deletion open, writes create
    Mixed,       // writes and deletion through a held key created at construction, reads
                 // through a key object opened per read
};

class CDwordValue {
public:
    // Held and mixed access open (or create) the target key here.
    CDwordValue(HKEY root, const CWideString& keyPath, const CWideString& valueName,
                const CWideString& backupValueName, EDwordAccess access);
    CDwordValue(const CDwordValue&) = delete;
    CDwordValue& operator=(const CDwordValue&) = delete;

    // The target value, or kAbsentValueMarker when it cannot be read.
    DWORD ReadTargetValue();
    // Writes `value` as REG_DWORD: kTweakOk, or kTweakRegistryWriteFailed.
    int WriteTargetValue(DWORD value);
    // Saves ReadTargetValue() under the backup value name of `backupKey`: kTweakOk, or
    // kTweakRegistryWriteFailed.
    int Backup(CRegistry& backupKey);
    // Puts back the state saved in `backupKey`: writes the saved number, or deletes the target
    // value for kAbsentValueMarker (a value already absent counts as deleted). Without a saved
    // number the target is left alone. kTweakOk, or kTweakRegistryWriteFailed when the write or
    // the deletion failed.
    int Restore(CRegistry& backupKey);

private:
    int DeleteTargetValue();

    HKEY m_root;
    CWideString m_keyPath;
    CWideString m_valueName;
    CWideString m_backupValueName;
    EDwordAccess m_access;
    std::optional<CRegistry> m_heldKey;  // held and mixed access only
};
