// CTextValue: the registry mechanics of a tweak whose whole state is one text value (REG_SZ), or
// the first entry of a list value (REG_MULTI_SZ). Enabling writes a fixed text; the backup records
// the text found before, or kAbsentTextMarker when there was none; restoring writes that text back
// or deletes the value.
//
// The target key is opened (or, with the create flag, created) once, at construction, and held
// for the object's life. Reads of the target never write: a value that is missing, of another
// type, or under a key that is not held reads as kAbsentTextMarker.
#pragma once

#include <Lorrimek/Registry.h>
#include <Lorrimek/WideString.h>
#include <windows.h>

// The text a backup holds for a target value that did not exist: the DWORD marker 9999999 cut to
// its low 16 bits.
constexpr char16_t kAbsentTextMarker = 0x967F;

enum class ETextKind {
    Text,  // REG_SZ
    List,  // REG_MULTI_SZ; only its first entry is read, and a one-entry list is written
};

class CTextValue {
public:
    CTextValue(HKEY root, const CWideString& keyPath, const CWideString& valueName,
               const CWideString& backupValueName, BOOL create, ETextKind kind);
    CTextValue(const CTextValue&) = delete;
    CTextValue& operator=(const CTextValue&) = delete;

    // The target text up to its first zero character, or the one-character marker text.
    CWideString ReadTargetText();
    // True when the target holds exactly `text` (case-sensitive). Never true for a missing value.
    BOOL Holds(const CWideString& text);
    // Writes `text` as the kind's type: kTweakOk, or kTweakRegistryWriteFailed.
    int WriteTargetText(const CWideString& text);
    // Saves ReadTargetText() (the marker for a missing value) under the backup value name of
    // `backupKey`, with the kind's type: kTweakOk, or kTweakRegistryWriteFailed.
    int Backup(CRegistry& backupKey);
    // Puts back the state saved in `backupKey`: writes the saved text, or deletes the target value
    // for the marker (a value already absent counts as deleted). Without a saved text of the
    // kind's type nothing is written, neither to the target nor to the backup key; nor to a list
    // whose first entry already is the saved text, which keeps its other entries. kTweakOk, or
    // kTweakRegistryWriteFailed when the write or the deletion failed.
    int Restore(CRegistry& backupKey);

private:
    DWORD Type() const { return m_kind == ETextKind::List ? REG_MULTI_SZ : REG_SZ; }
    // The value's text when it exists with the kind's type; false otherwise. Never writes.
    BOOL ReadExisting(CRegistry& key, const CWideString& name, CWideString* text);
    BOOL Write(CRegistry& key, const CWideString& name, const CWideString& text);

    CWideString m_valueName;
    CWideString m_backupValueName;
    ETextKind m_kind;
    CRegistry m_key;
};
