#include "TextValue.h"

#include <Lorrimek/TweakBase.h>

namespace {

const CWideString& MarkerText() {
    static const CWideString marker{std::u16string(1, kAbsentTextMarker)};
    return marker;
}

}  // namespace

CTextValue::CTextValue(HKEY root, const CWideString& keyPath, const CWideString& valueName,
                       const CWideString& backupValueName, BOOL create, ETextKind kind)
    : m_valueName(valueName),
      m_backupValueName(backupValueName),
      m_kind(kind),
      m_key(root, keyPath.GetString(), create) {}

BOOL CTextValue::ReadExisting(CRegistry& key, const CWideString& name, CWideString* text) {
    return key.ReadExistingText(name.GetString(), Type(), text);
}

BOOL CTextValue::Write(CRegistry& key, const CWideString& name, const CWideString& text) {
    return m_kind == ETextKind::List ? key.WriteMultiString(name, text)
                                     : key.WriteString(name, text);
}

CWideString CTextValue::ReadTargetText() {
    CWideString text;
    return ReadExisting(m_key, m_valueName, &text) ? text : MarkerText();
}

BOOL CTextValue::Holds(const CWideString& text) {
    CWideString current;
    return ReadExisting(m_key, m_valueName, &current) && current == text;
}

int CTextValue::WriteTargetText(const CWideString& text) {
    return Write(m_key, m_valueName, text) ? kTweakOk : kTweakRegistryWriteFailed;
}

int CTextValue::Backup(CRegistry& backupKey) {
    return Write(backupKey, m_backupValueName, ReadTargetText()) ? kTweakOk
                                                                 : kTweakRegistryWriteFailed;
}

int CTextValue::Restore(CRegistry& backupKey) {
    CWideString saved;
    // Nothing was ever saved: there is no earlier state to return to.
    if (!ReadExisting(backupKey, m_backupValueName, &saved)) return kTweakOk;
    if (saved == MarkerText()) {
        return m_key.DeleteValueIfPresent(m_valueName.GetString()) ? kTweakOk
                                                                   : kTweakRegistryWriteFailed;
    }
    // Only a list's first entry was saved: a list that still starts with it was never changed,
    // and writing the one-entry list back would cut off the rest of it.
    if (m_kind == ETextKind::List && Holds(saved)) return kTweakOk;
    return WriteTargetText(saved);
}
