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
    DWORD type = REG_NONE;
    if (!key.QueryValueType(name.GetString(), &type) || type != Type()) return FALSE;
    // A null default: the read never writes.
    *text = m_kind == ETextKind::List ? key.ReadMultiString(name.GetString(), nullptr)
                                      : key.ReadString(name.GetString(), nullptr);
    return TRUE;
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
        if (m_key.DeleteValue(m_valueName.GetString())) return kTweakOk;
        // Deleting a value that is not there (or whose key is gone) leaves it absent, as wanted.
        return m_key.QueryValueType(m_valueName.GetString(), nullptr) ? kTweakRegistryWriteFailed
                                                                      : kTweakOk;
    }
    return WriteTargetText(saved);
}
